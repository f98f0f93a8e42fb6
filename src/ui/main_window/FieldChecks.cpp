#include "ui/main_window/FieldChecks.h"

#include <charconv>
#include <cmath>

namespace ui {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

std::string IntegerRangeMessage(int low, int high) {
    return "“请填入一个在" + std::to_string(low) + "和" + std::to_string(high) + "之间的整数。”";
}

std::string NumberRangeMessage(std::string_view low, std::string_view high) {
    return "“请填入一个在" + std::string(low) + "和" + std::string(high) + "之间的数字。”";
}

FieldCheck<std::uint8_t> CheckAddressText(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    long value = 0;
    std::size_t digits = 0;
    // Saturates, so a long run of digits is "above 255" and not a wrapped small number.
    for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits) {
        if (value <= 255) value = value * 10 + (text[digits] - '0');
    }
    if (digits == 0 || value > 255) return {std::nullopt, IntegerRangeMessage(0, 255)};
    if (value < kAddressMin || value > kAddressMax) {
        return {std::nullopt, IntegerRangeMessage(kAddressMin, kAddressMax)};
    }
    return {static_cast<std::uint8_t>(value), {}};
}

FieldCheck<float> CheckReferenceText(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    // Infinity and NaN are not numbers an operator types; NaN would also pass every range comparison.
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return {std::nullopt, kNotANumberMessage};
    }
    const float reference = static_cast<float>(value);
    if (reference < kReferenceMin || reference > kReferenceMax) {
        return {std::nullopt, NumberRangeMessage("0", "100000000")};
    }
    return {reference, {}};
}

std::string FormatReference(float value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    return std::string(buffer, result.ptr);
}

}  // namespace ui
