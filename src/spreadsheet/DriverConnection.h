#pragma once
// The built-in workbook driver: what the spreadsheet writer would otherwise reach through the platform's
// database driver manager. A connection opens one .xls file, runs the statements of SqlStatement.h against
// it in memory and writes the workbook back when it is closed with changes.
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "spreadsheet/Workbook.h"

namespace spreadsheet {

// The name the built-in driver is listed under.
inline constexpr std::string_view kBuiltInDriverName = "VARN Excel Workbook Driver (*.xls)";

// The installed drivers, in the order the driver manager lists them.
std::vector<std::string> InstalledDrivers();

// The first driver whose name contains "Excel", among those that fit a listing of 2000 bytes (each name
// followed by a zero byte, the list by another); empty if there is none.
std::string FindSpreadsheetDriver(const std::vector<std::string>& installed);

// The KEY=value pairs of a connection string, keys in upper case. Values may be braced or quoted; the file
// name after DBQ, which comes last, is taken whole so that a ';' in it does no harm.
std::map<std::string, std::string> ParseConnectionString(std::string_view s);

// A forward-only result: the column names from the sheet's first row, then one record per further row.
class RecordSet {
  public:
    RecordSet(std::vector<std::string> columns, std::vector<std::vector<std::string>> records)
        : columns_(std::move(columns)), records_(std::move(records)) {}

    std::size_t ColumnCount() const { return columns_.size(); }
    const std::vector<std::string>& ColumnNames() const { return columns_; }
    // The next record's fields as text (an empty cell gives an empty text); false after the last record.
    bool Fetch(std::vector<std::string>& fields);

  private:
    std::vector<std::string> columns_;
    std::vector<std::vector<std::string>> records_;
    std::size_t next_ = 0;
};

class DriverConnection {
  public:
    // Opens the workbook named by DBQ in the connection string made for the spreadsheet writer. A missing
    // file is created at the first change when the string asks for CREATE_DB.
    bool Open(std::string_view connectionString);
    bool IsOpen() const { return open_; }

    // Runs CREATE TABLE, DROP TABLE, INSERT INTO or UPDATE.
    bool Execute(std::string_view sql);
    // Runs SELECT.
    std::optional<RecordSet> Query(std::string_view sql);

    // Writes the workbook if statements changed it and `commit` is set, then forgets it. False (with Error())
    // when the file cannot be written.
    bool Close(bool commit = true);

    // The message of the last failure, in the driver's style.
    const std::string& Error() const { return error_; }

  private:
    bool Fail(std::string_view message);
    Sheet* TableSheet(const std::string& name);

    bool open_ = false;
    bool changed_ = false;
    bool createIfMissing_ = false;
    std::string path_;
    Workbook workbook_;
    std::vector<std::string> dropped_;  // sheets emptied by DROP TABLE and not yet created again
    std::map<std::string, std::size_t>
        nextRow_;  // per sheet (upper-cased name): the row the next insert takes
    std::string error_;
};

}  // namespace spreadsheet
