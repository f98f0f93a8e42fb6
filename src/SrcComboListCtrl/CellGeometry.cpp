#include "SrcComboListCtrl/CellGeometry.h"

#include <algorithm>

namespace combolist {

int ColumnAtX(int x, int rowLeft, const std::vector<int>& widths) {
    int left = rowLeft;
    for (std::size_t c = 0; c < widths.size(); ++c) {
        if (left <= x && x <= left + widths[c]) return static_cast<int>(c);
        left += widths[c];
    }
    return -1;
}

int HorizontalScrollFor(int left, int width, int clientLeft, int clientRight) {
    if (left < clientLeft || left > clientRight) return left - clientLeft;
    if (left + width > clientRight) return left + width - clientRight;
    return 0;
}

int DropDownRows(int items) {
    return std::clamp(items + 1, 1, kMaxDropDownRows);
}

}  // namespace combolist
