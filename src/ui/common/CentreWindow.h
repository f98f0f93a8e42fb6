#pragma once
// Placing a window over the window that opened it.
class QWidget;

namespace ui {

// Centres `window` on `owner` and keeps it wholly on the owner's screen: a window the operator cannot reach
// with the mouse is as good as missing.
void CentreOn(QWidget& window, const QWidget& owner);

}  // namespace ui
