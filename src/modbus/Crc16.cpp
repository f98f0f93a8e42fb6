#include "modbus/Crc16.h"

namespace modbus {

std::uint16_t Crc16(const std::uint8_t* data, std::size_t n) {
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1U) != 0 ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001U)
                                  : static_cast<std::uint16_t>(crc >> 1);
        }
    }
    return crc;
}

bool AppendCrc16(std::uint8_t* buf, std::size_t n) {
    if (n > kMaxCrcBytes) return false;
    const std::uint16_t crc = Crc16(buf, n);
    buf[n] = static_cast<std::uint8_t>(crc & 0xFF);
    buf[n + 1] = static_cast<std::uint8_t>(crc >> 8);
    return true;
}

bool CheckCrc16(const std::uint8_t* buf, std::size_t n) {
    if (n > kMaxCrcBytes) return false;
    const std::uint16_t crc = Crc16(buf, n);
    const auto lo = static_cast<std::uint8_t>(crc & 0xFF);
    const auto hi = static_cast<std::uint8_t>(crc >> 8);
    // Some relays store the CRC high byte first; both orders are accepted.
    return (buf[n] == lo && buf[n + 1] == hi) || (buf[n] == hi && buf[n + 1] == lo);
}

bool CheckResponseCrc(const std::uint8_t* frame, std::size_t received) {
    if (received < 3) return false;
    const std::size_t byteCount = frame[2];
    if (byteCount > kMaxCrcBytes - 3) return false;
    const std::size_t n = byteCount + 3;
    if (n + 2 > received) return false;
    return CheckCrc16(frame, n);
}

}  // namespace modbus
