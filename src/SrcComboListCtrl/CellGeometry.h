#pragma once
// The arithmetic of the editable list that needs no widgets: cell keys, the column under a point, the
// horizontal scroll that brings a cell into view and the height of the drop-down.
#include <vector>

namespace combolist {

// Columns narrower than this never open a drop-down.
inline constexpr int kMinComboColumnWidth = 10;
// The drop-down rectangle spans at most this many row heights below the cell's top row.
inline constexpr int kMaxDropDownRows = 11;

// A choice cell's key: column x 65536 + row.
constexpr int CellKey(int column, int row) {
    return column * 65536 + row;
}

// The index into `widths` (columns left to right, starting at `rowLeft`) of the column holding x; a point on
// the border between two columns belongs to the left one. -1 left of the first or right of the last column.
int ColumnAtX(int x, int rowLeft, const std::vector<int>& widths);

// How far to scroll the list right (positive) or left so that a cell starting at `left` with `width` is in
// view: a cell whose left edge is outside the client area moves to its left edge; a cell cut on the right
// moves until its right edge is at the client's right edge; a visible cell does not move.
int HorizontalScrollFor(int left, int width, int clientLeft, int clientRight);

// Row heights the drop-down rectangle covers, its own field included: items + 1, at most 11.
int DropDownRows(int items);

}  // namespace combolist
