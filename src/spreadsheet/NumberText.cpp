#include "spreadsheet/NumberText.h"

#include <charconv>
#include <cmath>

namespace spreadsheet {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Parses a signed number at the start of `text`; `used` is the count of characters consumed (0: no number).
double ParsePrefix(std::string_view text, std::size_t& used) {
    used = 0;
    std::size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    // from_chars refuses a second sign, as atof does.
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) return 0.0;
    double value = 0.0;
    const auto [end, ec] =
        std::from_chars(text.data() + pos, text.data() + text.size(), value, std::chars_format::general);
    if (end == text.data() + pos) return 0.0;
    // Out of range: from_chars leaves the value alone; atof gives infinity or zero.
    if (ec == std::errc::result_out_of_range) {
        const std::string_view digits(text.data() + pos, static_cast<std::size_t>(end - (text.data() + pos)));
        const auto e = digits.find_first_of("eE");
        value =
            (e != std::string_view::npos && e + 1 < digits.size() && digits[e + 1] == '-') ? 0.0 : HUGE_VAL;
    }
    used = static_cast<std::size_t>(end - text.data());
    return negative ? -value : value;
}

}  // namespace

double ParseLeadingNumber(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos])) ++pos;
    std::size_t used = 0;
    return ParsePrefix(text.substr(pos), used);
}

std::optional<double> ParseWholeNumber(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    if (begin == end) return std::nullopt;
    const std::string_view core = text.substr(begin, end - begin);
    std::size_t used = 0;
    const double value = ParsePrefix(core, used);
    if (used != core.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::string FormatFixed(double value, int decimals) {
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

std::string FormatNumberCell(double value) {
    char buffer[64];
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15) {
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value));
        return std::string(buffer, result.ptr);
    }
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace spreadsheet
