// Delimited text files as the spreadsheet writer reads them back: the row texts split into values by GetRow.
// The first byte is the separator.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "spreadsheet/SpreadsheetFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static fuzz::MemoryFile file;
    file.Fill(data + 1, size - 1);
    spreadsheet::SpreadsheetFile table(file.Path(), std::string(1, static_cast<char>(data[0])), false);
    std::vector<std::string> values;
    for (int row = 1; row <= table.RowCount(); ++row) table.GetRow(values, row);
    table.GetColumn(1, values);
    return 0;
}
