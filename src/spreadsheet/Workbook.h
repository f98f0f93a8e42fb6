#pragma once
// The in-memory workbook the built-in driver works on: named sheets of cells, each cell empty, a number or a
// text (UTF-8). Row and column indexes start at 0; the sheet's first row holds the column names.
#include <cstddef>
#include <string>
#include <vector>

namespace spreadsheet {

inline constexpr std::size_t kMaxSheetRows = 65536;
inline constexpr std::size_t kMaxSheetColumns = 256;
inline constexpr std::size_t kMaxCellText = 32767;  // characters (UTF-16 units) in one cell
inline constexpr std::size_t kMaxSheetName = 31;

struct Cell {
    enum class Kind { Empty, Number, Text };
    Kind kind = Kind::Empty;
    double number = 0.0;
    std::string text;

    static Cell Num(double value) { return Cell{Kind::Number, value, {}}; }
    static Cell Str(std::string value) { return Cell{Kind::Text, 0.0, std::move(value)}; }
    bool operator==(const Cell&) const = default;
};

struct Sheet {
    std::string name;
    std::vector<std::vector<Cell>> rows;  // rows may be shorter than the sheet is wide
    std::vector<bool> numericColumns;     // column types as created; may be shorter than the sheet is wide

    std::size_t ColumnCount() const;  // one past the last column holding a non-empty cell
    std::size_t RowCount() const;     // one past the last row holding a non-empty cell
    bool IsEmpty() const { return RowCount() == 0; }
    const Cell& At(std::size_t row, std::size_t column) const;  // an empty cell outside the rows
    void Set(std::size_t row, std::size_t column, Cell cell);
    void Clear();
};

struct Workbook {
    std::vector<Sheet> sheets;

    // The sheet of that name, compared without regard to ASCII case as spreadsheet programs do; nullptr if
    // none.
    Sheet* Find(const std::string& name);
    const Sheet* Find(const std::string& name) const;
};

}  // namespace spreadsheet
