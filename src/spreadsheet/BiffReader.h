#pragma once
// Reads the cells of a BIFF8 workbook stream, as our writer and other programs write it: shared strings,
// inline labels, numbers, RK and MULRK numbers, blanks, booleans and the cached results of formulas. Every
// length and index in the stream is checked; damaged input gives nothing instead of a partial workbook.
#include <optional>
#include <string>
#include <string_view>

#include "spreadsheet/Workbook.h"

namespace spreadsheet {

// Column types are left empty; `error` (if given) receives a short reason on failure.
std::optional<Workbook> ReadBiffWorkbook(std::string_view stream, std::string* error = nullptr);

}  // namespace spreadsheet
