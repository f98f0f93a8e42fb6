// The workbook driver's statements: each line of the input is parsed and run against one in-memory
// workbook (never written back).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "spreadsheet/DriverConnection.h"
#include "spreadsheet/SqlStatement.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string connect = "DRIVER={" + std::string(spreadsheet::kBuiltInDriverName) +
                                       "};DBQ=" + fuzz::ScratchFolder() + "/never-written.xls;CREATE_DB=1";
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    spreadsheet::ParseSql(text, error);
    spreadsheet::DriverConnection connection;
    if (!connection.Open(connect)) return 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        if (line.size() >= 6 && (line.substr(0, 6) == "SELECT" || line.substr(0, 6) == "select")) {
            if (auto records = connection.Query(line)) {
                std::vector<std::string> fields;
                while (records->Fetch(fields)) {
                }
            }
        } else {
            connection.Execute(line);
        }
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    connection.Close(false);
    return 0;
}
