#include "spreadsheet/Workbook.h"

#include <algorithm>

namespace spreadsheet {
namespace {

bool SameNameIgnoringAsciiCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

const Cell kEmptyCell{};

}  // namespace

std::size_t Sheet::ColumnCount() const {
    std::size_t count = 0;
    for (const auto& row : rows) {
        for (std::size_t c = row.size(); c > count; --c) {
            if (row[c - 1].kind != Cell::Kind::Empty) {
                count = c;
                break;
            }
        }
    }
    return count;
}

std::size_t Sheet::RowCount() const {
    for (std::size_t r = rows.size(); r > 0; --r) {
        const auto& row = rows[r - 1];
        if (std::any_of(row.begin(), row.end(), [](const Cell& c) { return c.kind != Cell::Kind::Empty; }))
            return r;
    }
    return 0;
}

const Cell& Sheet::At(std::size_t row, std::size_t column) const {
    if (row >= rows.size() || column >= rows[row].size()) return kEmptyCell;
    return rows[row][column];
}

void Sheet::Set(std::size_t row, std::size_t column, Cell cell) {
    if (rows.size() <= row) rows.resize(row + 1);
    if (rows[row].size() <= column) rows[row].resize(column + 1);
    rows[row][column] = std::move(cell);
}

void Sheet::Clear() {
    rows.clear();
    numericColumns.clear();
}

Sheet* Workbook::Find(const std::string& name) {
    for (auto& sheet : sheets)
        if (SameNameIgnoringAsciiCase(sheet.name, name)) return &sheet;
    return nullptr;
}

const Sheet* Workbook::Find(const std::string& name) const {
    return const_cast<Workbook*>(this)->Find(name);
}

}  // namespace spreadsheet
