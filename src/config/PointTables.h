#pragma once
// The four point tables read from VARN.ini: telemetry (YC), telesignals (YX), parameters (CS) and settings
// (DZ). Plain, trivially copyable records of 128 slots each; slot i holds point i + 1 of the INI file. Texts
// are kept as the file holds them: GBK bytes in 32-byte fields, zero-terminated, at most 31 bytes of text.
#include <array>
#include <cstdint>
#include <limits>
#include <string_view>
#include <type_traits>

#include "config/Rgb.h"

namespace config {

inline constexpr int kPointCount = 128;       // slots per table
inline constexpr int kTextSize = 32;          // bytes per text field, terminator included
inline constexpr int kDescriptionCount = 32;  // value descriptions per setting

// Markers of the runtime fields.
inline constexpr std::uint16_t kRawNone = 65535;          // raw value not read / absent from the answer
inline constexpr float kValueNone = 65535.0f;             // scaled telemetry value: no value
inline constexpr std::uint16_t kStateAbsent = 65535;      // telesignal absent from the last answer
inline constexpr std::uint16_t kStateLinkFault = 0x8888;  // telesignal state while the link is down
// ShownValue before anything was shown: NaN compares unequal to every reading, so the first one is drawn.
inline constexpr float kShownValueNone = std::numeric_limits<float>::quiet_NaN();

using Text = std::array<char, kTextSize>;

// The bytes of a text field up to its terminator (all 32 when a file loaded into the table has none).
inline std::string_view TextView(const Text& text) {
    std::size_t n = 0;
    while (n < text.size() && text[n] != '\0') ++n;
    return std::string_view(text.data(), n);
}

// Stores `bytes` cut to 31 bytes (a cut may split a double-byte character); the rest of the field is zeroed.
inline void SetText(Text& text, std::string_view bytes) {
    text.fill('\0');
    const std::size_t n = bytes.size() < text.size() - 1 ? bytes.size() : text.size() - 1;
    for (std::size_t i = 0; i < n; ++i) text[i] = bytes[i];
}

template <typename T>
using PerPoint = std::array<T, kPointCount>;

struct YcTable {
    std::uint16_t AskNumber = 0;    // registers read by the cyclic poll, from register 0
    std::uint16_t Number = 0;       // telemetry points in use
    std::uint16_t TimePost = 0;     // register of the first of the six clock registers
    std::uint16_t VersionPost = 0;  // register of the version word
    std::uint16_t YXPost = 0;       // register of the first telesignal word
    PerPoint<Text> Name{};
    PerPoint<std::uint16_t> RawValue{};
    PerPoint<std::uint16_t> CC2{};  // divisor; also selects the decimals shown; 0 = no division
    PerPoint<std::uint8_t> Type{};  // 1 both words signed, 5 low word signed, else unsigned
    PerPoint<float> Value{};
    PerPoint<float> ShownValue{};
    PerPoint<std::uint8_t> Post{};   // 1-based register position in the poll answer; 0 = none
    PerPoint<std::uint8_t> PostH{};  // same for the high word of a 32-bit value; 0 = one register
    PerPoint<Rgb> ColorBack{};
    PerPoint<Rgb> ColorText{};
    PerPoint<std::int32_t> bCanBeClick{};
    PerPoint<std::uint16_t> bCheckMemery{};  // register of the calibration coefficient
    PerPoint<float> Max{};
    PerPoint<float> Min{};
};

struct YxTable {
    std::uint16_t Number = 0;
    PerPoint<Text> Name{};
    PerPoint<std::uint16_t> State{};  // 0 open, 1 closed, kStateAbsent, kStateLinkFault
    PerPoint<std::uint16_t> PrevState{};
    PerPoint<std::uint8_t> Post{};  // 1-based bit number from the first telesignal word
    PerPoint<Rgb> ColorBack{};
    PerPoint<Rgb> ColorText{};
};

struct ParamTable {
    std::uint16_t Start = 0;  // register of the first parameter of the block
    std::uint16_t Number = 0;
    std::uint8_t YKWayPost = 0;
    PerPoint<Text> Name{};
    PerPoint<std::uint16_t> ShowName{};  // 0: the parameter list hides the name
    PerPoint<std::uint16_t> RawValue{};
    PerPoint<std::uint16_t> CC2{};
    // Four bytes per slot that only the project file carries; zero after loading.
    PerPoint<std::uint32_t> Reserved{};
    PerPoint<std::uint8_t> Post{};  // 1-based register position in the block
    PerPoint<Rgb> ColorBack{};
    PerPoint<Rgb> ColorText{};
};

struct SettingTable {
    std::uint16_t Start = 0;  // register of the first setting of the block
    std::uint16_t Number = 0;
    PerPoint<Text> Name{};
    PerPoint<std::uint16_t> RawValue{};
    PerPoint<std::uint16_t> CC2{};
    PerPoint<float> Value{};        // RawValue / CC2
    PerPoint<std::uint16_t> Max{};  // raw units
    PerPoint<std::uint16_t> Min{};  // raw units
    PerPoint<std::uint8_t> Post{};  // 1-based register position in the block
    PerPoint<Rgb> ColorBack{};
    PerPoint<Rgb> ColorText{};
    PerPoint<std::uint8_t> ValueNmuber{};                           // 0 numeric, else the number of choices
    PerPoint<std::array<Text, kDescriptionCount>> ValueDescribe{};  // [setting][raw value]
};

static_assert(std::is_trivially_copyable_v<YcTable> && std::is_trivially_copyable_v<YxTable> &&
              std::is_trivially_copyable_v<ParamTable> && std::is_trivially_copyable_v<SettingTable>);

}  // namespace config
