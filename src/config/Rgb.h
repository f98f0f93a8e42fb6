#pragma once
// A colour of the point tables: 8 bits per component.
#include <cstdint>

namespace config {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    // The 0x00BBGGRR form (red in the lowest byte) in which project files store colours.
    constexpr std::uint32_t ToColorRef() const {
        return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) |
               (static_cast<std::uint32_t>(b) << 16);
    }
    static constexpr Rgb FromColorRef(std::uint32_t ref) {
        return Rgb{static_cast<std::uint8_t>(ref & 0xFF), static_cast<std::uint8_t>((ref >> 8) & 0xFF),
                   static_cast<std::uint8_t>((ref >> 16) & 0xFF)};
    }

    friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

}  // namespace config
