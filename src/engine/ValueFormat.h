#pragma once
// Texts of the main window's device-clock, version and telemetry fields.
#include <array>
#include <cstdint>
#include <string>

namespace engine {

// A scaled telemetry value with the decimals its divisor selects: 0 or 1 none, 2..10 one, 11..100 two,
// 101..1000 three, 1001..10000 four, above 10000 two.
std::string FormatYcValue(float value, std::uint16_t cc2);

// The six clock registers as the relay holds them (year - 2000, month, day, hour, minute, second):
// "yy-mm-dd hh:mm:ss", each word an unsigned decimal of at least two digits.
std::string FormatDeviceClock(const std::array<std::uint16_t, 6>& words);

// The version word: "V<v div 1000>.<v mod 1000>" above 1000, else "V<v div 100>.<v mod 100>".
std::string FormatDeviceVersion(std::uint16_t version);

}  // namespace engine
