#pragma once
// Draws the program's icons and its start picture.
#include <QByteArray>
#include <QImage>

namespace resgen {

// Icon by resource number (128 program, 131 and 132 the two monitor states, 144 settings) at size x size.
QImage DrawIcon(int id, int size);

// The 640 x 400 start picture.
QImage DrawSplash();

// The image as a 24-bit bottom-up Windows bitmap file (BITMAPFILEHEADER + BITMAPINFOHEADER + BGR rows).
QByteArray ToBmp24(const QImage& image);

}  // namespace resgen
