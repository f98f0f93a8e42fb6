#pragma once
// One table kept in memory and written whole to disk: either one sheet of an .xls workbook, reached through
// the workbook driver with SQL statements, or a delimited text file (GBK, CR LF) written directly.
//
// Row 1 is the header row with the field names. Each row is kept as its row text: every value between double
// quotes, joined by the separator (",;.?" in a workbook, the caller's separator in a text file). Texts given
// to and returned by this class are UTF-8. Failing operations return false and leave a text in LastError().
#include <array>
#include <functional>
#include <string>
#include <vector>

namespace spreadsheet {

class SpreadsheetFile {
  public:
    static constexpr std::size_t kColumnFlags = 1024;
    static constexpr const char* kBackupSheet = "CSpreadSheetBackup";

    // A file name ending in ".xls" (any letter case) selects a workbook and `sheetOrSeparator` names the
    // sheet; otherwise it is a text file and `sheetOrSeparator` is the separator. An existing table is loaded
    // and, with `keepBackup`, copied to the sheet "CSpreadSheetBackup" or the file "<name>.bak".
    SpreadsheetFile(std::string fileName, std::string sheetOrSeparator, bool keepBackup = true);
    SpreadsheetFile(const SpreadsheetFile&) = delete;
    SpreadsheetFile& operator=(const SpreadsheetFile&) = delete;
    ~SpreadsheetFile();  // writes nothing

    // Changing operations then only change memory until Flush.
    void StartBatch() { batch_ = true; }
    // Index 0 is the first column. Values of a numeric column become "%.7f" numbers in their row text and the
    // column is created as a number column in a workbook. Set before adding the header.
    void SetColumnNumeric(std::size_t index, bool numeric);

    bool AppendHeaderFields(const std::vector<std::string>& names, bool replace = false);
    // Row 0 appends; a row inside the table is replaced or has the new row inserted before it; a row past the
    // end is reached by appending empty rows first.
    bool PutRow(const std::vector<std::string>& values, int row = 0, bool replace = false);
    bool PutCell(const std::string& value, int column, int row = 0);
    // `column` is a field name, or with `letters` column letters ("A", "IV").
    bool PutCell(const std::string& value, const std::string& column, int row = 0, bool letters = false);

    // Row 0 reads the current row; every read moves the current row to the next one.
    bool GetRow(std::vector<std::string>& values, int row = 0);
    bool GetColumn(int column, std::vector<std::string>& values);
    bool GetColumn(const std::string& column, std::vector<std::string>& values, bool letters = false);
    bool GetCell(int column, int row, std::string& value);
    bool GetCell(const std::string& column, int row, std::string& value, bool letters = false);
    // 1-based column of a field name or of column letters; 0 (with LastError) when there is none.
    int ColumnIndex(const std::string& column, bool letters);

    // Workbook only: sets the fields of `newValues` in every row whose fields equal `oldValues` (both by
    // position in the header), then loads the table again.
    bool UpdateMatchingRows(const std::vector<std::string>& newValues,
                            const std::vector<std::string>& oldValues);
    bool DropSheet();
    bool DropSheet(const std::string& sheet);
    bool Flush();
    bool DiscardChanges();
    // Writes the table into a file of the other kind beside this one: ".csv" from a workbook, ".xls" from a
    // text file, with `sheetOrSeparator` for the new file.
    bool ConvertFormat(const std::string& sheetOrSeparator);

    const std::vector<std::string>& HeaderFields() const { return header_; }
    int RowCount() const { return static_cast<int>(rows_.size()); }
    int ColumnCount() const { return columnCount_; }
    const std::string& LastError() const { return lastError_; }

    bool IsWorkbook() const { return workbook_; }
    bool KeepBackup() const { return keepBackup_; }
    const std::string& ConnectionString() const { return connectionString_; }
    const std::vector<std::string>& RowTexts() const { return rows_; }
    // Sees every statement sent to the driver (for diagnostics and tests).
    void SetStatementObserver(std::function<void(const std::string&)> observer) {
        observer_ = std::move(observer);
    }

  private:
    bool Load();
    bool LoadWorkbook();
    bool LoadText();
    bool FlushWorkbook();
    bool FlushText();
    bool PlaceRow(const std::vector<std::string>& values, int row, bool replace);
    bool FlushUnlessBatch() { return batch_ || Flush(); }
    std::string BuildRowText(const std::vector<std::string>& values, bool header) const;
    std::string EmptyCell() const { return workbook_ ? "\" \"" : "\"\""; }
    std::string EmptyRow() const;
    std::vector<std::string> SplitRow(const std::string& text) const;
    std::string SheetRange(const std::string& sheet) const { return sheet + "$A1:IV65536"; }
    bool Fail(std::string text);
    bool DuplicateField(const std::vector<std::string>& names);

    bool workbook_ = false;
    std::string fileName_;
    std::string sheet_;
    std::string separator_;
    bool keepBackup_ = false;
    std::array<bool, kColumnFlags> numeric_{};
    std::vector<std::string> header_;
    std::vector<std::string> rows_;
    int columnCount_ = 0;
    int currentRow_ = 1;
    bool exists_ = false;
    bool batch_ = false;
    std::string lastError_;
    std::string driver_;
    std::string connectionString_;
    std::function<void(const std::string&)> observer_;
};

}  // namespace spreadsheet
