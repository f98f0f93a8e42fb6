#pragma once
// Texts of the main window's device-clock, version and telemetry fields.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace engine {

// A telemetry point's reading from its register words: `low` at its Post and, for a 32-bit point, `high` at
// its PostH. Type 1 takes both words as signed, type 5 the low word; the divisor 0 divides by 1. Blank (shown
// as no value) when the low word is 0xFFFF and the high word, if any, is 0xFFFF too.
struct YcReading {
    float value = 0;
    bool blank = true;
};
YcReading ScaleYcReading(std::uint16_t low, std::optional<std::uint16_t> high, std::uint8_t type,
                         std::uint16_t cc2);

// A scaled telemetry value with the decimals its divisor selects: 0 or 1 none, 2..10 one, 11..100 two,
// 101..1000 three, 1001..10000 four, above 10000 two.
std::string FormatYcValue(float value, std::uint16_t cc2);

// The six clock registers as the relay holds them (year - 2000, month, day, hour, minute, second):
// "yy-mm-dd hh:mm:ss", each word an unsigned decimal of at least two digits.
std::string FormatDeviceClock(const std::array<std::uint16_t, 6>& words);

// The version word: "V<v div 1000>.<v mod 1000>" above 1000, else "V<v div 100>.<v mod 100>".
std::string FormatDeviceVersion(std::uint16_t version);

}  // namespace engine
