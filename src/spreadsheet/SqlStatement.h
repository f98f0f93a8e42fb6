#pragma once
// The statements the built-in workbook driver understands, and their parser. Sheets and fields are named in
// brackets ("]]" stands for one closing bracket), values are quoted with single quotes ("''" stands for one
// quote). A sheet is named bare or with a cell range after '$': $A1:IV65536 for the whole sheet, $A1:IV<n>
// where rows are inserted.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace spreadsheet {

struct SqlStatement {
    enum class Kind { CreateTable, DropTable, Insert, Update, Select };
    Kind kind = Kind::Select;
    std::string sheet;
    bool hasRange = false;
    int rangeLastRow = 0;                                          // with a range: the row after "IV"
    std::vector<std::pair<std::string, bool>> columns;             // CREATE TABLE: field name, numeric
    std::vector<std::string> fields;                               // INSERT INTO
    std::vector<std::string> values;                               // INSERT INTO
    std::vector<std::pair<std::string, std::string>> assignments;  // UPDATE ... SET
    std::vector<std::pair<std::string, std::string>> conditions;   // UPDATE ... WHERE
};

// Statement text quoting, for those who build statements.
std::string QuoteSqlName(std::string_view name);    // [name]
std::string QuoteSqlValue(std::string_view value);  // 'value'

// Nothing for any other statement; `error` then holds the reason without the driver's prefix.
std::optional<SqlStatement> ParseSql(std::string_view sql, std::string& error);

}  // namespace spreadsheet
