#pragma once
// UTF-8 <-> UTF-16 for the workbook's strings. Malformed input never fails: it becomes U+FFFD.
#include <string>
#include <string_view>

namespace spreadsheet {

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

}  // namespace spreadsheet
