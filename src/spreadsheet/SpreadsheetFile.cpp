#include "spreadsheet/SpreadsheetFile.h"

#include <cfloat>
#include <cmath>
#include <iterator>

#include "platform/FileAppend.h"
#include "platform/Gbk.h"
#include "platform/RegularFile.h"
#include "spreadsheet/DriverConnection.h"
#include "spreadsheet/NumberText.h"
#include "spreadsheet/SqlStatement.h"
#include "spreadsheet/WorkbookFile.h"

namespace spreadsheet {
namespace {

constexpr const char* kWorkbookSeparator = ",;.?";
constexpr const char* kDuplicateHeader = "Duplicate header row field:";

bool EndsWithXls(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return tail == ".xls";
}

std::string Quoted(const std::string& value) {
    return "\"" + value + "\"";
}

// "%.7f" of the value read as a decimal number and stored in single precision.
std::string NumericCellText(const std::string& value) {
    const double parsed = ParseLeadingNumber(value);
    // Outside the single-precision range the conversion gives an infinity, as the hardware does.
    const float single = std::fabs(parsed) > FLT_MAX ? static_cast<float>(std::copysign(HUGE_VAL, parsed))
                                                     : static_cast<float>(parsed);
    return FormatFixed(static_cast<double>(single), 7);
}

}  // namespace

SpreadsheetFile::SpreadsheetFile(std::string fileName, std::string sheetOrSeparator, bool keepBackup)
    : fileName_(std::move(fileName)), keepBackup_(keepBackup) {
    workbook_ = EndsWithXls(fileName_);
    if (workbook_) {
        sheet_ = std::move(sheetOrSeparator);
        separator_ = kWorkbookSeparator;
        driver_ = FindSpreadsheetDriver(InstalledDrivers());
        connectionString_ = "DRIVER={" + driver_ + "};DSN='';FIRSTROWHASNAMES=1;READONLY=FALSE;CREATE_DB=\"" +
                            fileName_ + "\";DBQ=" + fileName_;
        if (LoadWorkbook() && keepBackup_ && exists_) {
            const std::string sheet = sheet_;
            sheet_ = kBackupSheet;
            exists_ = false;
            if (!Flush()) keepBackup_ = false;
            sheet_ = sheet;
            exists_ = true;
            currentRow_ = 1;
        }
    } else {
        separator_ = std::move(sheetOrSeparator);
        if (LoadText() && keepBackup_ && exists_) {
            const std::string name = fileName_;
            fileName_ += ".bak";
            if (!Flush()) keepBackup_ = false;
            fileName_ = name;
        }
    }
}

SpreadsheetFile::~SpreadsheetFile() = default;

void SpreadsheetFile::SetColumnNumeric(std::size_t index, bool numeric) {
    if (index < numeric_.size()) numeric_[index] = numeric;
}

bool SpreadsheetFile::Fail(std::string text) {
    lastError_ = std::move(text);
    return false;
}

bool SpreadsheetFile::DuplicateField(const std::vector<std::string>& names) {
    for (std::size_t i = 0; i < names.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (names[i] == names[j]) {
                Fail(kDuplicateHeader + names[i] + "\n");
                return true;
            }
    return false;
}

bool SpreadsheetFile::AppendHeaderFields(const std::vector<std::string>& names, bool replace) {
    if (!exists_) {
        columnCount_ = static_cast<int>(names.size());
        return PutRow(names, 1, replace);
    }
    if (replace) return PutRow(names, 1, replace);
    std::vector<std::string> combined;
    if (!GetRow(combined, 1)) return false;
    if (workbook_) {
        for (const std::string& name : names)
            for (const std::string& existing : combined)
                if (name == existing) return Fail(kDuplicateHeader + name + "\n");
    }
    combined.insert(combined.end(), names.begin(), names.end());
    if (!PlaceRow(combined, 1, true)) return Fail("Problems with adding headers\n");
    columnCount_ = std::max(columnCount_, static_cast<int>(combined.size()));
    return FlushUnlessBatch();
}

bool SpreadsheetFile::PutRow(const std::vector<std::string>& values, int row, bool replace) {
    // A row that is placed stays in memory even when the flush after it fails; the caller learns of the
    // failure from the result.
    return PlaceRow(values, row, replace) && FlushUnlessBatch();
}

bool SpreadsheetFile::PlaceRow(const std::vector<std::string>& values, int row, bool replace) {
    if (row < 0) return Fail("Invalid row number\n");
    const int count = static_cast<int>(values.size());
    if (row == 1) {
        if (workbook_) {
            if (DuplicateField(values)) return false;
            if (count < columnCount_)
                return Fail(
                    "Number of columns in new header row cannot be less than the number of columns in "
                    "previous "
                    "header row");
            columnCount_ = count;
        }
        header_ = values;
    } else if (workbook_ && columnCount_ == 0) {
        return Fail("No header row. Add header row first\n");
    }
    if (workbook_) {
        if (count > static_cast<int>(header_.size()))
            return Fail("Number of columns to be added cannot be greater than the number of fields\n");
    } else {
        columnCount_ = std::max(columnCount_, count);
    }

    std::string text = BuildRowText(values, row == 1);
    const auto size = static_cast<int>(rows_.size());
    if (row == 0) {
        rows_.push_back(std::move(text));
    } else if (row <= size) {
        if (replace) {
            rows_[row - 1] = std::move(text);
        } else {
            rows_.insert(rows_.begin() + (row - 1), std::move(text));
        }
    } else {
        while (static_cast<int>(rows_.size()) < row - 1) rows_.push_back(EmptyRow());
        rows_.push_back(std::move(text));
    }
    return true;
}

std::string SpreadsheetFile::BuildRowText(const std::vector<std::string>& values, bool header) const {
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const bool last = i + 1 == values.size();
        // Field names are never numbers; the last value is kept as given.
        if (!last && !header && i < numeric_.size() && numeric_[i]) {
            text += Quoted(NumericCellText(values[i]));
        } else {
            text += Quoted(values[i]);
        }
        if (!last) text += separator_;
    }
    return text;
}

std::string SpreadsheetFile::EmptyRow() const {
    std::string text;
    for (int c = 0; c < columnCount_; ++c) {
        if (c > 0) text += separator_;
        text += EmptyCell();
    }
    return text;
}

std::vector<std::string> SpreadsheetFile::SplitRow(const std::string& text) const {
    std::vector<std::string> values;
    const std::string quotedSeparator = "\"" + separator_ + "\"";
    auto splitAt = [&](const std::string& pattern) {
        std::size_t start = 0;
        while (true) {
            const auto at = text.find(pattern, start);
            if (at == std::string::npos) break;
            values.push_back(text.substr(start, at - start));
            start = at + pattern.size();
        }
        values.push_back(text.substr(start));
    };
    if (text.find(quotedSeparator) != std::string::npos) {
        splitAt(quotedSeparator);
        if (!values.front().empty() && values.front().front() == '"') values.front().erase(0, 1);
        if (!values.back().empty() && values.back().back() == '"') values.back().pop_back();
    } else if (!separator_.empty() && text.find(separator_) != std::string::npos) {
        splitAt(separator_);
    } else {
        values.push_back(text);
        std::string& only = values.front();
        if (only.size() >= 2 && only.front() == '"' && only.back() == '"')
            only = only.substr(1, only.size() - 2);
    }
    return values;
}

bool SpreadsheetFile::PutCell(const std::string& value, int column, int row) {
    if (column <= 0) return Fail("Column cannot be zero\n");
    if (workbook_) {
        if (column > static_cast<int>(header_.size()) + 1)
            return Fail("Cell column to be added cannot be greater than the number of fields\n");
        if (row != 1 && columnCount_ > 0 && column == static_cast<int>(header_.size()) + 1) {
            // A cell one past the last field opens a new column, named by its position as the driver names
            // a column without a header ("F3"), so the row it lands in has a field to go under.
            // Rows as wide as the header grow with it, so every row still fills the header's fields.
            const std::size_t width = header_.size();
            std::vector<std::string> names = header_;
            names.push_back("F" + std::to_string(column));
            if (!PlaceRow(names, 1, true)) return false;
            const int saved = currentRow_;
            std::vector<std::string> values;
            for (int r = 2; r <= RowCount(); ++r) {
                if (!GetRow(values, r)) break;
                if (values.size() != width) continue;
                values.push_back(" ");
                PlaceRow(values, r, true);
            }
            currentRow_ = saved;
        }
    } else {
        columnCount_ = std::max(columnCount_, column);
    }
    std::vector<std::string> values;
    if (row >= 1 && row <= RowCount()) {
        if (!GetRow(values, row)) return false;
        if (static_cast<int>(values.size()) < column) values.resize(column, workbook_ ? " " : "");
        values[column - 1] = value;
        if (!PlaceRow(values, row, true)) return false;
    } else {
        values.assign(std::max(columnCount_, column), workbook_ ? " " : "");
        values[column - 1] = value;
        if (!PlaceRow(values, row, false)) return false;
    }
    return FlushUnlessBatch();
}

bool SpreadsheetFile::PutCell(const std::string& value, const std::string& column, int row, bool letters) {
    const int index = ColumnIndex(column, letters);
    if (index == 0) return false;
    return PutCell(value, index, row);
}

bool SpreadsheetFile::GetRow(std::vector<std::string>& values, int row) {
    if (row > RowCount() || row < 0)
        return Fail("Desired row is greater than total number of rows in spreadsheet\n");
    if (row == 0) {
        if (currentRow_ > RowCount()) return false;
        row = currentRow_;
    }
    values = SplitRow(rows_[row - 1]);
    currentRow_ = row + 1;
    return true;
}

bool SpreadsheetFile::GetColumn(int column, std::vector<std::string>& values) {
    if (column <= 0) return Fail("Column cannot be zero\n");
    const int saved = currentRow_;
    values.clear();
    std::vector<std::string> row;
    for (int r = 1; r <= RowCount(); ++r) {
        if (!GetRow(row, r)) {
            currentRow_ = saved;
            return Fail("Error reading row\n");
        }
        values.push_back(column <= static_cast<int>(row.size()) ? row[column - 1] : std::string());
    }
    currentRow_ = saved;
    return true;
}

bool SpreadsheetFile::GetColumn(const std::string& column, std::vector<std::string>& values, bool letters) {
    return GetColumn(ColumnIndex(column, letters), values);
}

bool SpreadsheetFile::GetCell(int column, int row, std::string& value) {
    if (column <= 0) return Fail("Column cannot be zero\n");
    std::vector<std::string> values;
    if (!GetRow(values, row)) return Fail("Error reading row\n");
    // A row shorter than the column reads as an empty cell, as GetColumn does.
    value = column <= static_cast<int>(values.size()) ? values[column - 1] : std::string();
    return true;
}

bool SpreadsheetFile::GetCell(const std::string& column, int row, std::string& value, bool letters) {
    return GetCell(ColumnIndex(column, letters), row, value);
}

int SpreadsheetFile::ColumnIndex(const std::string& column, bool letters) {
    if (letters && (column.size() == 1 || column.size() == 2)) {
        std::string upper = column;
        bool allLetters = true;
        for (char& c : upper) {
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            allLetters = allLetters && c >= 'A' && c <= 'Z';
        }
        if (allLetters) return upper.size() == 1 ? upper[0] - 64 : 26 * upper[0] + upper[1] - 1728;
    }
    for (std::size_t i = 0; i < header_.size(); ++i)
        if (header_[i] == column) return static_cast<int>(i) + 1;
    Fail("Invalid field name or column alphabet\n");
    return 0;
}

bool SpreadsheetFile::UpdateMatchingRows(const std::vector<std::string>& newValues,
                                         const std::vector<std::string>& oldValues) {
    if (!workbook_) return Fail("Function not available for text delimited file\n");
    if (newValues.size() > header_.size() || oldValues.size() > header_.size())
        return Fail("Number of columns to be added cannot be greater than the number of fields\n");
    std::string sql = "UPDATE " + QuoteSqlName(sheet_) + " SET ";
    for (std::size_t i = 0; i < newValues.size(); ++i)
        sql += QuoteSqlName(header_[i]) + "=" + QuoteSqlValue(newValues[i]) + ", ";
    sql.resize(sql.size() - 2);
    sql += " WHERE (";
    for (std::size_t i = 0; i < oldValues.size(); ++i)
        sql += QuoteSqlName(header_[i]) + "=" + QuoteSqlValue(oldValues[i]) + " AND ";
    sql.resize(sql.size() - 4);
    sql += ")";

    DriverConnection connection;
    if (!connection.Open(connectionString_)) return Fail(connection.Error());
    if (observer_) observer_(sql);
    if (!connection.Execute(sql)) {
        connection.Close(false);
        return Fail(connection.Error());
    }
    if (!connection.Close()) return Fail(connection.Error());
    LoadWorkbook();
    return true;
}

bool SpreadsheetFile::DropSheet() {
    return DropSheet(std::string());
}

bool SpreadsheetFile::DropSheet(const std::string& sheet) {
    if (workbook_) {
        const std::string name = sheet.empty() ? sheet_ : sheet;
        DriverConnection connection;
        const std::string sql = "DROP TABLE " + QuoteSqlName(SheetRange(name));
        bool ok = connection.Open(connectionString_);
        if (ok) {
            if (observer_) observer_(sql);
            ok = connection.Execute(sql);
            ok = connection.Close(ok) && ok;
        }
        if (!ok) return Fail(sheet.empty() ? "Error deleting sheet\n" : connection.Error());
        // The own sheet is gone, so the next flush creates it again instead of dropping it.
        if (name == sheet_) exists_ = false;
    }
    rows_.clear();
    header_.clear();
    columnCount_ = 0;
    if (workbook_) return true;
    const bool flushed = FlushUnlessBatch();
    exists_ = false;
    return flushed;
}

bool SpreadsheetFile::Flush() {
    return workbook_ ? FlushWorkbook() : FlushText();
}

bool SpreadsheetFile::FlushWorkbook() {
    DriverConnection connection;
    if (!connection.Open(connectionString_)) return Fail(connection.Error());
    auto run = [&](const std::string& sql) {
        if (observer_) observer_(sql);
        if (connection.Execute(sql)) return true;
        // Nothing of a failed flush reaches the file.
        connection.Close(false);
        return Fail(connection.Error());
    };
    std::string sql;
    if (exists_) {
        if (!run("DROP TABLE " + QuoteSqlName(SheetRange(sheet_)))) return false;
        sql = "CREATE TABLE " + QuoteSqlName(SheetRange(sheet_)) + " (";
    } else {
        sql = "CREATE TABLE " + QuoteSqlName(sheet_) + " (";
    }
    for (std::size_t i = 0; i < header_.size(); ++i)
        sql += QuoteSqlName(header_[i]) + (i < numeric_.size() && numeric_[i] ? " double, " : " text, ");
    sql.resize(sql.size() - 2);
    sql += ")";
    if (!run(sql)) return false;
    if (!exists_) columnCount_ = static_cast<int>(header_.size());

    std::vector<std::string> values;
    for (int r = 1; r < RowCount(); ++r) {
        GetRow(values, r + 1);
        sql = "INSERT INTO " + QuoteSqlName(sheet_ + "$A1:IV" + std::to_string(r)) + " (";
        for (const std::string& field : header_) sql += QuoteSqlName(field) + ", ";
        sql.resize(sql.size() - 2);
        sql += ") VALUES (";
        for (const std::string& value : values) sql += QuoteSqlValue(value) + ", ";
        sql.resize(sql.size() - 2);
        sql += ")";
        if (!run(sql)) return false;
    }
    if (!connection.Close()) return Fail(connection.Error());
    exists_ = true;
    batch_ = false;
    return true;
}

bool SpreadsheetFile::FlushText() {
    // Through the platform layer: the name is UTF-8, which only it turns into the system's own path.
    std::string bytes;
    for (const std::string& row : rows_) {
        bytes += platform::Utf8ToGbk(row);
        bytes += "\r\n";
    }
    if (!platform::WriteWholeFile(fileName_, bytes)) return Fail("Error writing file\n");
    batch_ = false;
    return true;
}

bool SpreadsheetFile::Load() {
    return workbook_ ? LoadWorkbook() : LoadText();
}

bool SpreadsheetFile::LoadWorkbook() {
    DriverConnection connection;
    if (!connection.Open(connectionString_)) return false;
    const std::string sql = "SELECT * FROM " + QuoteSqlName(SheetRange(sheet_));
    if (observer_) observer_(sql);
    auto records = connection.Query(sql);
    if (!records) {
        connection.Close(false);
        return false;
    }
    columnCount_ = static_cast<int>(records->ColumnCount());
    if (columnCount_ == 0) {
        connection.Close(false);
        return true;
    }
    auto rowText = [&](const std::vector<std::string>& fields) {
        std::string text;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i > 0) text += separator_;
            text += Quoted(fields[i]);
        }
        return text;
    };
    rows_.clear();
    exists_ = true;
    header_ = records->ColumnNames();
    rows_.push_back(rowText(header_));
    std::vector<std::string> fields;
    while (records->Fetch(fields)) rows_.push_back(rowText(fields));
    connection.Close(false);
    currentRow_ = 1;
    return true;
}

bool SpreadsheetFile::LoadText() {
    std::string bytes;
    if (platform::ReadRegularFile(fileName_, kMaxSpreadsheetFileBytes, bytes) != platform::FileRead::Ok)
        return Fail("Error in opening file\n");
    rows_.clear();
    std::size_t start = 0;
    while (start < bytes.size()) {
        auto end = bytes.find('\n', start);
        const bool lineEnd = end != std::string::npos;
        if (!lineEnd) end = bytes.size();
        std::string line = bytes.substr(start, end - start);
        if (lineEnd && !line.empty() && line.back() == '\r') line.pop_back();
        rows_.push_back(platform::GbkToUtf8(line));
        start = end + 1;
    }
    columnCount_ = 0;
    header_.clear();
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        auto values = SplitRow(rows_[r]);
        columnCount_ = std::max(columnCount_, static_cast<int>(values.size()));
        if (r == 0) header_ = std::move(values);
    }
    if (columnCount_ > 0) exists_ = true;
    currentRow_ = 1;
    return true;
}

bool SpreadsheetFile::DiscardChanges() {
    if (!Load()) return Fail("Error in returning to previous state\n");
    batch_ = false;
    return true;
}

bool SpreadsheetFile::ConvertFormat(const std::string& sheetOrSeparator) {
    const std::string stem =
        fileName_.size() >= 4 ? fileName_.substr(0, fileName_.size() - 4) : std::string();
    SpreadsheetFile other(stem + (workbook_ ? ".csv" : ".xls"), sheetOrSeparator, false);
    if (other.ColumnCount() > 0) return false;
    std::vector<std::string> values;
    if (workbook_) {
        other.StartBatch();
        for (int r = 1; r <= RowCount(); ++r) {
            if (!GetRow(values, r)) return false;
            if (!other.PutRow(values, r)) return Fail(other.LastError());
        }
        return other.Flush() || Fail(other.LastError());
    }
    int shift = 0;
    int firstRow = 2;
    if (!other.AppendHeaderFields(header_)) {
        if (other.LastError().rfind(kDuplicateHeader, 0) != 0) return Fail(other.LastError());
        lastError_ = other.LastError();
        std::vector<std::string> numbers;
        for (int c = 1; c <= columnCount_; ++c) numbers.push_back(std::to_string(c));
        if (!other.AppendHeaderFields(numbers)) return Fail(other.LastError());
        shift = 1;
        firstRow = 1;
    }
    for (int r = firstRow; r <= RowCount(); ++r) {
        if (!GetRow(values, r)) return false;
        if (!other.PutRow(values, r + shift)) return Fail(other.LastError());
    }
    return true;
}

}  // namespace spreadsheet
