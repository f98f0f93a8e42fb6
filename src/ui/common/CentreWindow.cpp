#include "ui/common/CentreWindow.h"

#include <QRect>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace ui {

void CentreOn(QWidget& window, const QWidget& owner) {
    QRect frame = window.frameGeometry();
    frame.moveCenter(owner.frameGeometry().center());
    if (const QScreen* screen = owner.screen()) {
        const QRect area = screen->availableGeometry();
        frame.moveLeft(std::max(area.left(), std::min(frame.left(), area.right() + 1 - frame.width())));
        frame.moveTop(std::max(area.top(), std::min(frame.top(), area.bottom() + 1 - frame.height())));
    }
    window.move(frame.topLeft());
}

}  // namespace ui
