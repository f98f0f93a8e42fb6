#pragma once
// Frames for tests: a body with its CRC appended as the relay and the host append it.
#include <cstdint>
#include <vector>

#include "modbus/Crc16.h"

namespace test_support {

using Bytes = std::vector<std::uint8_t>;

inline Bytes WithCrc(Bytes body) {
    const std::size_t n = body.size();
    body.resize(n + 2);
    modbus::AppendCrc16(body.data(), n);
    return body;
}

// A function-3 answer of `registers`, high byte first, with its CRC.
inline Bytes ReadAnswer(std::uint8_t address, const std::vector<std::uint16_t>& registers) {
    Bytes body{address, 3, static_cast<std::uint8_t>(2 * registers.size())};
    for (std::uint16_t r : registers) {
        body.push_back(static_cast<std::uint8_t>(r >> 8));
        body.push_back(static_cast<std::uint8_t>(r & 0xFF));
    }
    return WithCrc(body);
}

}  // namespace test_support
