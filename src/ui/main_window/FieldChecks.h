#pragma once
// The checks the window's fields get before their value is taken over, with the standard messages shown when
// a value is refused: the address box (an 8-bit integer from 1 to 247) and the calibration dialog's reference
// value (a number from 0 to 100000000).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ui {

inline constexpr int kAddressMin = 1;
inline constexpr int kAddressMax = 247;
inline constexpr float kReferenceMin = 0.0f;
inline constexpr float kReferenceMax = 100000000.0f;

template <typename T>
struct FieldCheck {
    std::optional<T> value;  // empty when refused
    std::string message;     // the message to show when refused
};

// "“请填入一个在%1和%2之间的整数。”" filled in.
std::string IntegerRangeMessage(int low, int high);
// "“请填入一个在%1和%2之间的数字。”" filled in.
std::string NumberRangeMessage(std::string_view low, std::string_view high);
inline constexpr char kNotANumberMessage[] = "请键入一个数。";

// Leading blanks are skipped and the leading digits taken; text without digits or above 255 gives the
// 0..255 message, 0 or above 247 the 1..247 message.
FieldCheck<std::uint8_t> CheckAddressText(std::string_view text);

// The whole text (blanks around it allowed) must be a finite decimal number; then 0..100000000.
FieldCheck<float> CheckReferenceText(std::string_view text);

// A float with up to six significant digits, as the reference field shows it ("5.2", "12345.7", "1e+08").
std::string FormatReference(float value);

}  // namespace ui
