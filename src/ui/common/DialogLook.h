#pragma once
// The look every dialog and message box of the program shares: its font and its colours.
#include <QColor>
#include <QFont>
#include <QIcon>

class QApplication;

namespace ui {

inline const QColor kDialogBackground{210, 222, 252};
inline const QColor kDialogText{100, 100, 0};

// 宋体 (SimSun) at the given point size; where it is not installed, an installed CJK font so that Chinese
// renders (WenQuanYi Micro Hei and the like). Dialogs use 9 pt.
QFont DialogFont(int pointSize = 9);

// Gives every dialog and message box the dialog background and text colour through the application palette,
// and makes the dialog font the application's font. Also drops the pixmaps of closed dialogs from Qt's cache
// (see PixmapCacheTrim.h).
void ApplyDialogColours(QApplication& application);

// Icon resource `id` (128, 131, 132, 144) with its 32 and 16 pixel pictures; an empty icon when it is
// missing.
QIcon ResourceIcon(int id);

}  // namespace ui
