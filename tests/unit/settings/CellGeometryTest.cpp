#include <gtest/gtest.h>

#include "SrcComboListCtrl/CellGeometry.h"

namespace combolist {
namespace {

TEST(CellGeometry, ColumnUnderPointWalksTheColumnsFromTheRowsLeftEdge) {
    const std::vector<int> widths{50, 100, 40};
    EXPECT_EQ(ColumnAtX(-1, 0, widths), -1);
    EXPECT_EQ(ColumnAtX(0, 0, widths), 0);
    EXPECT_EQ(ColumnAtX(50, 0, widths), 0);  // a border belongs to the column on its left
    EXPECT_EQ(ColumnAtX(51, 0, widths), 1);
    EXPECT_EQ(ColumnAtX(190, 0, widths), 2);
    EXPECT_EQ(ColumnAtX(191, 0, widths), -1);  // right of the last column
    EXPECT_EQ(ColumnAtX(10, -60, widths), 1);  // scrolled: the row starts left of the client area
}

TEST(CellGeometry, ScrollBringsACellIntoView) {
    EXPECT_EQ(HorizontalScrollFor(10, 50, 0, 200), 0);     // fully visible
    EXPECT_EQ(HorizontalScrollFor(180, 50, 0, 200), 30);   // cut on the right: right edge to the client edge
    EXPECT_EQ(HorizontalScrollFor(-20, 50, 0, 200), -20);  // left edge hidden: cell to the left edge
    EXPECT_EQ(HorizontalScrollFor(250, 50, 0, 200), 250);  // beyond the right edge: cell to the left edge
}

TEST(CellGeometry, DropDownCoversItemsPlusOneRowsAtMostEleven) {
    EXPECT_EQ(DropDownRows(0), 1);
    EXPECT_EQ(DropDownRows(2), 3);
    EXPECT_EQ(DropDownRows(3), 4);
    EXPECT_EQ(DropDownRows(10), 11);
    EXPECT_EQ(DropDownRows(25), 11);
    EXPECT_EQ(CellKey(2, 5), 2 * 65536 + 5);
}

}  // namespace
}  // namespace combolist
