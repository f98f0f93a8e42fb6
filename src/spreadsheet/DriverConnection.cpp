#include "spreadsheet/DriverConnection.h"

#include <algorithm>
#include <map>

#include "spreadsheet/NumberText.h"
#include "spreadsheet/SqlStatement.h"
#include "spreadsheet/Utf16.h"
#include "spreadsheet/WorkbookFile.h"

namespace spreadsheet {
namespace {

constexpr std::string_view kDriverPrefix = "[VARN][Workbook Driver] ";
constexpr std::string_view kManagerPrefix = "[VARN][Driver Manager] ";
constexpr std::size_t kDriverListBuffer = 2000;
// Fields a query may return beyond 16 for each cell the sheet holds (about 10 MB of empty texts).
constexpr std::size_t kEmptyFieldMargin = std::size_t{1} << 18;

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool ValidSheetName(const std::string& name) {
    if (name.empty() || Utf8ToUtf16(name).size() > kMaxSheetName) return false;
    return name.find_first_of("[]:*?/\\") == std::string::npos;
}

std::string CellAsText(const Cell& cell) {
    switch (cell.kind) {
        case Cell::Kind::Number:
            return FormatNumberCell(cell.number);
        case Cell::Kind::Text:
            return cell.text;
        case Cell::Kind::Empty:
            break;
    }
    return {};
}

// The column names a query shows: the first row's texts, "F<n>" where that row is empty.
std::vector<std::string> ColumnNames(const Sheet& sheet) {
    std::vector<std::string> names;
    const std::size_t columns = sheet.ColumnCount();
    for (std::size_t c = 0; c < columns; ++c) {
        const Cell& cell = sheet.At(0, c);
        names.push_back(cell.kind == Cell::Kind::Empty ? "F" + std::to_string(c + 1) : CellAsText(cell));
    }
    return names;
}

// The names inserts and updates address: the first row as far as it goes. Cheaper than ColumnNames, which
// measures the whole sheet.
std::vector<std::string> HeaderNames(const Sheet& sheet) {
    std::vector<std::string> names;
    if (sheet.rows.empty()) return names;
    for (std::size_t c = 0; c < sheet.rows[0].size(); ++c) {
        const Cell& cell = sheet.rows[0][c];
        names.push_back(cell.kind == Cell::Kind::Empty ? "F" + std::to_string(c + 1) : CellAsText(cell));
    }
    return names;
}

// The column of a field: the exact name first, then without regard to ASCII case.
std::optional<std::size_t> FieldColumn(const std::vector<std::string>& names, const std::string& field) {
    for (std::size_t c = 0; c < names.size(); ++c)
        if (names[c] == field) return c;
    const std::string wanted = Upper(field);
    for (std::size_t c = 0; c < names.size(); ++c)
        if (Upper(names[c]) == wanted) return c;
    return std::nullopt;
}

// Sheets from other programs carry no column types: a column whose first value is a number is numeric. The
// rows are walked once, cell by cell, so that the time goes with the cells held, not with the sheet's extent.
void InferColumnTypes(Sheet& sheet) {
    const std::size_t columns = sheet.ColumnCount();
    sheet.numericColumns.assign(columns, false);
    std::vector<bool> decided(columns, false);
    std::size_t open = columns;
    for (std::size_t r = 1; r < sheet.rows.size() && open > 0; ++r) {
        const auto& row = sheet.rows[r];
        for (std::size_t c = 0; c < row.size() && c < columns; ++c) {
            if (decided[c] || row[c].kind == Cell::Kind::Empty) continue;
            decided[c] = true;
            --open;
            sheet.numericColumns[c] = row[c].kind == Cell::Kind::Number;
        }
    }
}

bool IsNumericColumn(const Sheet& sheet, std::size_t column) {
    return column < sheet.numericColumns.size() && sheet.numericColumns[column];
}

bool Matches(const Cell& cell, const std::string& value) {
    if (CellAsText(cell) == value) return true;
    if (cell.kind != Cell::Kind::Number) return false;
    const auto number = ParseWholeNumber(value);
    return number && *number == cell.number;
}

}  // namespace

// KEY=value pairs separated by ';'. Values may be braced or quoted; the file name after DBQ, which comes
// last, is taken whole so that a ';' in it does no harm.
std::map<std::string, std::string> ParseConnectionString(std::string_view s) {
    std::map<std::string, std::string> pairs;
    std::size_t pos = 0;
    while (pos < s.size()) {
        const auto eq = s.find('=', pos);
        if (eq == std::string_view::npos) break;
        std::string key = Upper(s.substr(pos, eq - pos));
        key.erase(0, key.find_first_not_of(' '));
        std::size_t v = eq + 1;
        std::string value;
        if (key == "DBQ") {
            value = s.substr(v);
            pos = s.size();
        } else if (v < s.size() && (s[v] == '{' || s[v] == '"' || s[v] == '\'')) {
            const char close = s[v] == '{' ? '}' : s[v];
            const auto end = s.find(close, v + 1);
            value = s.substr(v + 1, (end == std::string_view::npos ? s.size() : end) - v - 1);
            pos = end == std::string_view::npos ? s.size() : end + 1;
            if (pos < s.size() && s[pos] == ';') ++pos;
        } else {
            const auto end = s.find(';', v);
            value = s.substr(v, (end == std::string_view::npos ? s.size() : end) - v);
            pos = end == std::string_view::npos ? s.size() : end + 1;
        }
        pairs.emplace(std::move(key), std::move(value));
    }
    return pairs;
}

std::vector<std::string> InstalledDrivers() {
    return {std::string(kBuiltInDriverName)};
}

std::string FindSpreadsheetDriver(const std::vector<std::string>& installed) {
    std::size_t used = 1;  // the zero byte that ends the list
    for (const std::string& name : installed) {
        used += name.size() + 1;
        if (used > kDriverListBuffer) break;
        if (name.find("Excel") != std::string::npos) return name;
    }
    return {};
}

bool RecordSet::Fetch(std::vector<std::string>& fields) {
    if (next_ >= records_.size()) return false;
    fields = records_[next_++];
    return true;
}

bool DriverConnection::Fail(std::string_view message) {
    error_ = std::string(kDriverPrefix) + std::string(message);
    return false;
}

bool DriverConnection::Open(std::string_view connectionString) {
    Close(false);
    error_.clear();
    const auto pairs = ParseConnectionString(connectionString);
    const auto driver = pairs.find("DRIVER");
    if (driver == pairs.end() || driver->second != kBuiltInDriverName) {
        error_ = std::string(kManagerPrefix) + "Data source name not found and no default driver specified.";
        return false;
    }
    const auto dbq = pairs.find("DBQ");
    if (dbq == pairs.end() || dbq->second.empty()) return Fail("No workbook file given (DBQ).");
    const auto create = pairs.find("CREATE_DB");
    createIfMissing_ = create != pairs.end() && !create->second.empty();
    path_ = dbq->second;
    std::string why;
    switch (LoadWorkbookFile(path_, workbook_, why)) {
        case LoadStatus::Loaded:
            for (Sheet& sheet : workbook_.sheets) InferColumnTypes(sheet);
            break;
        case LoadStatus::Missing:
            if (!createIfMissing_) return Fail("Cannot find the workbook file '" + path_ + "'.");
            break;
        case LoadStatus::Unreadable:
            return Fail("External table is not in the expected format: " + why + ".");
    }
    open_ = true;
    changed_ = false;
    dropped_.clear();
    return true;
}

Sheet* DriverConnection::TableSheet(const std::string& name) {
    Sheet* sheet = workbook_.Find(name);
    if (!sheet) return nullptr;
    for (const std::string& d : dropped_)
        if (workbook_.Find(d) == sheet) return nullptr;
    return sheet;
}

bool DriverConnection::Execute(std::string_view sql) {
    if (!open_) return Fail("The connection is not open.");
    std::string why;
    const auto statement = ParseSql(sql, why);
    if (!statement) return Fail(why);
    const SqlStatement& s = *statement;
    using K = SqlStatement::Kind;
    switch (s.kind) {
        case K::Select:
            return Fail("SELECT returns records; run it as a query.");

        case K::CreateTable: {
            if (!ValidSheetName(s.sheet)) return Fail("Invalid sheet name '" + s.sheet + "'.");
            if (s.columns.size() > kMaxSheetColumns) return Fail("Too many fields defined.");
            for (std::size_t i = 0; i < s.columns.size(); ++i) {
                if (s.columns[i].first.empty()) return Fail("Zero-length field name.");
                if (Utf8ToUtf16(s.columns[i].first).size() > kMaxCellText)
                    return Fail("Field name too long.");
                for (std::size_t j = 0; j < i; ++j)
                    if (s.columns[j].first == s.columns[i].first)
                        return Fail("Field '" + s.columns[i].first + "' defined more than once.");
            }
            Sheet* sheet = workbook_.Find(s.sheet);
            if (sheet && !sheet->IsEmpty()) return Fail("Table '" + s.sheet + "' already exists.");
            if (!sheet) {
                workbook_.sheets.push_back(Sheet{s.sheet, {}, {}});
                sheet = &workbook_.sheets.back();
            }
            std::erase_if(dropped_, [&](const std::string& d) { return workbook_.Find(d) == sheet; });
            sheet->Clear();
            for (std::size_t c = 0; c < s.columns.size(); ++c) {
                sheet->Set(0, c, Cell::Str(s.columns[c].first));
                sheet->numericColumns.push_back(s.columns[c].second);
            }
            nextRow_.erase(Upper(sheet->name));
            changed_ = true;
            return true;
        }

        case K::DropTable: {
            Sheet* sheet = TableSheet(s.sheet);
            if (!sheet) return Fail("Table '" + s.sheet + "' not found.");
            // The sheet keeps its place among the others until the connection closes.
            sheet->Clear();
            dropped_.push_back(sheet->name);
            nextRow_.erase(Upper(sheet->name));
            changed_ = true;
            return true;
        }

        case K::Insert: {
            Sheet* sheet = TableSheet(s.sheet);
            if (!sheet) return Fail("Table '" + s.sheet + "' not found.");
            if (s.fields.size() != s.values.size())
                return Fail("Number of query values and destination fields are not the same.");
            const auto names = HeaderNames(*sheet);
            std::vector<std::size_t> columns;
            for (const std::string& field : s.fields) {
                const auto column = FieldColumn(names, field);
                if (!column) return Fail("Field '" + field + "' not found in table '" + s.sheet + "'.");
                columns.push_back(*column);
            }
            for (const std::string& value : s.values)
                if (Utf8ToUtf16(value).size() > kMaxCellText) return Fail("Text too long for a cell.");
            // Rows are appended below the table; a row of empty values still takes its place.
            std::size_t& next = nextRow_[Upper(sheet->name)];
            const std::size_t row = std::max(next, sheet->RowCount());
            if (row >= kMaxSheetRows) return Fail("Cannot expand the table: the sheet is full.");
            for (std::size_t i = 0; i < columns.size(); ++i) {
                const std::string& value = s.values[i];
                const auto number =
                    IsNumericColumn(*sheet, columns[i]) ? ParseWholeNumber(value) : std::nullopt;
                if (number) {
                    sheet->Set(row, columns[i], Cell::Num(*number));
                } else if (!value.empty()) {
                    sheet->Set(row, columns[i], Cell::Str(value));
                }
            }
            next = row + 1;
            changed_ = true;
            return true;
        }

        case K::Update: {
            Sheet* sheet = TableSheet(s.sheet);
            if (!sheet) return Fail("Table '" + s.sheet + "' not found.");
            const auto names = HeaderNames(*sheet);
            std::vector<std::pair<std::size_t, const std::string*>> sets, wheres;
            for (const auto& [field, value] : s.assignments) {
                const auto column = FieldColumn(names, field);
                if (!column) return Fail("Field '" + field + "' not found in table '" + s.sheet + "'.");
                if (Utf8ToUtf16(value).size() > kMaxCellText) return Fail("Text too long for a cell.");
                sets.emplace_back(*column, &value);
            }
            for (const auto& [field, value] : s.conditions) {
                const auto column = FieldColumn(names, field);
                if (!column) return Fail("Field '" + field + "' not found in table '" + s.sheet + "'.");
                wheres.emplace_back(*column, &value);
            }
            const std::size_t rows = sheet->RowCount();
            for (std::size_t r = 1; r < rows; ++r) {
                const bool match = std::all_of(wheres.begin(), wheres.end(), [&](const auto& w) {
                    return Matches(sheet->At(r, w.first), *w.second);
                });
                if (!match) continue;
                for (const auto& [column, value] : sets) {
                    const auto number =
                        IsNumericColumn(*sheet, column) ? ParseWholeNumber(*value) : std::nullopt;
                    sheet->Set(r, column,
                               number           ? Cell::Num(*number)
                               : value->empty() ? Cell{}
                                                : Cell::Str(*value));
                }
                changed_ = true;
            }
            return true;
        }
    }
    return Fail("Statement not supported by this driver.");
}

std::optional<RecordSet> DriverConnection::Query(std::string_view sql) {
    if (!open_) return Fail("The connection is not open."), std::nullopt;
    std::string why;
    const auto statement = ParseSql(sql, why);
    if (!statement) return Fail(why), std::nullopt;
    if (statement->kind != SqlStatement::Kind::Select)
        return Fail("Only SELECT runs as a query."), std::nullopt;
    const Sheet* sheet = TableSheet(statement->sheet);
    if (!sheet) return Fail("Table '" + statement->sheet + "' not found."), std::nullopt;
    std::vector<std::string> names = ColumnNames(*sheet);
    std::vector<std::vector<std::string>> records;
    const std::size_t rows = sheet->RowCount();
    // The result holds every field of the sheet's rectangle, and its empty fields are in no file: a few cells
    // far apart would make millions of them. The rectangle may exceed the cells held by a fixed margin.
    std::size_t held = 0;
    for (const auto& row : sheet->rows)
        held += static_cast<std::size_t>(
            std::count_if(row.begin(), row.end(), [](const Cell& c) { return c.kind != Cell::Kind::Empty; }));
    if (rows > 1 && (rows - 1) * names.size() > kEmptyFieldMargin + 16 * held)
        return Fail("Table '" + statement->sheet + "' has too many empty fields to be read."), std::nullopt;
    for (std::size_t r = 1; r < rows; ++r) {
        std::vector<std::string> fields;
        fields.reserve(names.size());
        for (std::size_t c = 0; c < names.size(); ++c) fields.push_back(CellAsText(sheet->At(r, c)));
        records.push_back(std::move(fields));
    }
    return RecordSet(std::move(names), std::move(records));
}

bool DriverConnection::Close(bool commit) {
    if (!open_) return true;
    open_ = false;
    bool ok = true;
    if (commit && changed_) {
        // A sheet dropped and not created again is deleted, as long as one sheet remains.
        for (const std::string& d : dropped_) {
            if (workbook_.sheets.size() <= 1) break;
            std::erase_if(workbook_.sheets,
                          [&](const Sheet& sheet) { return sheet.name == d && sheet.IsEmpty(); });
        }
        std::string why;
        ok = SaveWorkbookFile(path_, workbook_, why);
        if (!ok) Fail("Cannot save the workbook: " + why + ".");
    }
    workbook_ = Workbook{};
    dropped_.clear();
    nextRow_.clear();
    changed_ = false;
    return ok;
}

}  // namespace spreadsheet
