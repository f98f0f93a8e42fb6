#pragma once
// Dialog units as dialog templates use them: a horizontal unit is a quarter of the font's average character
// width, a vertical unit an eighth of its character height.
#include <QRect>
#include <QSize>

class QFont;

namespace ui {

class DialogUnits {
  public:
    // Base units in pixels: average character width and character height.
    DialogUnits(int baseWidth, int baseHeight) : baseWidth_(baseWidth), baseHeight_(baseHeight) {}
    // Base units of a font: the average width is the width of "A".."Z" "a".."z" divided by 52, rounded; the
    // height is the font's line height (ascent + descent).
    static DialogUnits FromFont(const QFont& font);

    int BaseWidth() const { return baseWidth_; }
    int BaseHeight() const { return baseHeight_; }

    int ToPixelsX(int x) const;
    int ToPixelsY(int y) const;
    QSize ToPixels(QSize size) const { return {ToPixelsX(size.width()), ToPixelsY(size.height())}; }
    // Converts each edge, like mapping a dialog rectangle: a rect's pixel size is not always the size mapped.
    QRect MapDialogRect(QRect rect) const;

  private:
    int baseWidth_;
    int baseHeight_;
};

// a * b / c rounded half away from zero, with a 64-bit intermediate; 0 when c is 0.
int MulDiv(int a, int b, int c);

}  // namespace ui
