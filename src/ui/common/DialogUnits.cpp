#include "ui/common/DialogUnits.h"

#include <QFont>
#include <QFontMetrics>
#include <QString>
#include <cstdint>

namespace ui {

int MulDiv(int a, int b, int c) {
    if (c == 0) return 0;
    std::int64_t product = static_cast<std::int64_t>(a) * b;
    std::int64_t divisor = c;
    if (divisor < 0) {
        product = -product;
        divisor = -divisor;
    }
    const std::int64_t half = divisor / 2;
    const std::int64_t result = product >= 0 ? (product + half) / divisor : (product - half) / divisor;
    return static_cast<int>(result);
}

DialogUnits DialogUnits::FromFont(const QFont& font) {
    const QFontMetrics metrics(font);
    const int extent =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // Rounds extent / 52 the way the dialog manager does: (extent / 26 + 1) / 2.
    return DialogUnits((extent / 26 + 1) / 2, metrics.height());
}

int DialogUnits::ToPixelsX(int x) const {
    return MulDiv(x, baseWidth_, 4);
}

int DialogUnits::ToPixelsY(int y) const {
    return MulDiv(y, baseHeight_, 8);
}

QRect DialogUnits::MapDialogRect(QRect rect) const {
    const int left = ToPixelsX(rect.left());
    const int top = ToPixelsY(rect.top());
    const int right = ToPixelsX(rect.left() + rect.width());
    const int bottom = ToPixelsY(rect.top() + rect.height());
    return QRect(left, top, right - left, bottom - top);
}

}  // namespace ui
