// Connection strings of the workbook driver: any text parses, and the file name after DBQ comes back whole
// whatever it holds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "spreadsheet/DriverConnection.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (const auto& [key, value] : spreadsheet::ParseConnectionString(text)) {
        for (char c : key)
            if (c >= 'a' && c <= 'z') __builtin_trap();  // keys are upper case
        if (value.size() > size) __builtin_trap();
    }
    const std::string made = "DRIVER={" + std::string(spreadsheet::kBuiltInDriverName) + "};CREATE_DB=\"" +
                             std::string(text.substr(0, text.find('"'))) + "\";DBQ=" + std::string(text);
    const auto pairs = spreadsheet::ParseConnectionString(made);
    const auto dbq = pairs.find("DBQ");
    const auto driver = pairs.find("DRIVER");
    if (dbq == pairs.end() || dbq->second != text) __builtin_trap();
    if (driver == pairs.end() || driver->second != spreadsheet::kBuiltInDriverName) __builtin_trap();
    return 0;
}
