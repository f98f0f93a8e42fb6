#include "engine/ValueFormat.h"

#include <cstdio>

namespace engine {

YcReading ScaleYcReading(std::uint16_t low, std::optional<std::uint16_t> high, std::uint8_t type,
                         std::uint16_t cc2) {
    const double divisor = cc2 == 0 ? 1.0 : cc2;
    const double x = (type == 1 || type == 5) ? static_cast<std::int16_t>(low) : low;
    float value = static_cast<float>(x / divisor);
    if (high) {
        const double h = type == 1 ? static_cast<std::int16_t>(*high) : *high;
        value = static_cast<float>(value + h / divisor * 65536.0);
    }
    // 0xFFFF is the relay's "no value"; a 32-bit value is only blank when both words say so.
    return YcReading{value, low == 0xFFFF && (!high || *high == 0xFFFF)};
}

std::string FormatYcValue(float value, std::uint16_t cc2) {
    const char* format = "%.2f";
    if (cc2 <= 1) {
        format = "%.f";
    } else if (cc2 <= 10) {
        format = "%.1f";
    } else if (cc2 <= 100) {
        format = "%.2f";
    } else if (cc2 <= 1000) {
        format = "%.3f";
    } else if (cc2 <= 10000) {
        format = "%.4f";
    }
    // Large enough for every float in "%.4f" (at most 39 integer digits).
    char text[64];
    const int n = std::snprintf(text, sizeof text, format, static_cast<double>(value));
    return std::string(text, n > 0 ? static_cast<std::size_t>(n) : 0);
}

std::string FormatDeviceClock(const std::array<std::uint16_t, 6>& words) {
    char text[48];
    const int n = std::snprintf(text, sizeof text, "%02u-%02u-%02u %02u:%02u:%02u", unsigned{words[0]},
                                unsigned{words[1]}, unsigned{words[2]}, unsigned{words[3]},
                                unsigned{words[4]}, unsigned{words[5]});
    return std::string(text, static_cast<std::size_t>(n));
}

std::string FormatDeviceVersion(std::uint16_t version) {
    const unsigned v = version;
    const unsigned base = v > 1000 ? 1000 : 100;
    char text[16];
    const int n = std::snprintf(text, sizeof text, "V%u.%u", v / base, v % base);
    return std::string(text, static_cast<std::size_t>(n));
}

}  // namespace engine
