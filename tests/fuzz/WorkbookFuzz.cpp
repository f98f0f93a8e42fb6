// Workbook files: the Compound File container and the BIFF8 records of its workbook stream. The first byte
// chooses whether the input is a whole file or a workbook stream on its own.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "spreadsheet/BiffReader.h"
#include "spreadsheet/CompoundFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    if (data[0] & 1) {
        spreadsheet::ReadBiffWorkbook(bytes);
        return 0;
    }
    std::string error;
    if (const auto stream = spreadsheet::ReadWorkbookStream(bytes, &error)) {
        spreadsheet::ReadBiffWorkbook(std::string_view(stream->data(), stream->size()), &error);
    }
    return 0;
}
