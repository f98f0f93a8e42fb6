#pragma once
// Number <-> text conversions of the spreadsheet writer, independent of the process locale.
#include <optional>
#include <string>
#include <string_view>

namespace spreadsheet {

// Reads a decimal number at the start of `text` the way the C library's atof does (leading blanks, a sign,
// trailing garbage ignored); text that does not start with a number gives 0.
double ParseLeadingNumber(std::string_view text);

// The whole text (blanks around it allowed) as a finite number, or nothing.
std::optional<double> ParseWholeNumber(std::string_view text);

// printf("%.<decimals>f") without the locale's decimal separator.
std::string FormatFixed(double value, int decimals);

// A number cell read back as text: integers without a decimal point, others in the shortest form that reads
// back to the same double.
std::string FormatNumberCell(double value);

}  // namespace spreadsheet
