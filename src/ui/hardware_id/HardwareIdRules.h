#pragma once
// The relay's hardware ID: its text form, the three validity rules (each with its own limits), the default
// time sequence, the serial number as typed, the double entry and the reading of an ID text into bytes.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/Clock.h"

namespace ui {

using HardwareInfoBytes = std::array<std::uint8_t, 14>;
using HardwareIdBytes = std::array<std::uint8_t, 12>;

inline constexpr std::size_t kHardwareIdDigits = 24;
inline constexpr std::size_t kTimeSequenceDigits = 16;

// CRC in bytes 12-13 matches, byte 2 not 0, year >= 15, month <= 12, day <= 31, hour <= 24, minute <= 60 and
// a serial number other than 0: shown read-only in the hardware information window.
bool HardwareIdShownValid(const HardwareInfoBytes& info);
// CRC in bytes 12-13 matches: the relay's ID must not be changed.
bool HardwareIdProtected(const HardwareInfoBytes& info);
// 0, 0, 2, year >= 14, month <= 12, day <= 31, hour <= 24, minute <= 60: may be written.
bool HardwareIdAcceptedForWriting(const HardwareIdBytes& id);

// Bytes 0..11 as 24 decimal digits, "%02d" each.
std::string HardwareIdText(const HardwareInfoBytes& info);
// "000002" + year - 2000, month, day, hour, minute as "%02d".
std::string DefaultTimeSequence(const platform::LocalTime& time);

// A typed number read like the C library's decimal conversion: blanks, a sign, the leading digits; 0 when
// there are none. Values beyond the int range are held at its ends.
long long TypedNumber(const std::string& text);
// The typed serial number written back with eight digits, "%08d".
std::string SerialText(const std::string& typed);

// The double entry: the first window's text with its serial appended, and whether the confirmation's time
// sequence (the first 16 characters) and serial give the same text.
struct DoubleEntry {
    std::string combined;
    bool same = false;
};
DoubleEntry CheckDoubleEntry(const std::string& timeText, const std::string& serial,
                             const std::string& serialAgain);

// Reading an ID text: 24 characters, digits only, 12 pairs into bytes 0..11.
enum class IdTextFault { None, Length, Format };
struct ParsedId {
    IdTextFault fault = IdTextFault::None;
    HardwareIdBytes bytes{};
};
ParsedId ParseHardwareIdText(const std::string& text);

// Bytes 0..11 with their CRC in bytes 12 (low) and 13 (high).
HardwareInfoBytes WithHardwareIdCrc(const HardwareIdBytes& id);

}  // namespace ui
