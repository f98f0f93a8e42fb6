#pragma once
// CRC-16/MODBUS (reflected polynomial 0xA001, initial value 0xFFFF, no final XOR), low byte first on the
// wire.
//
// The relay's CRC routine counts bytes in 8 bits, so a checked or appended CRC covers at most kMaxCrcBytes
// bytes; longer ranges are refused rather than silently wrapped.
#include <cstddef>
#include <cstdint>

namespace modbus {

inline constexpr std::size_t kMaxCrcBytes = 255;

// Plain CRC over n bytes, no length limit (for peers and tools that build long frames).
std::uint16_t Crc16(const std::uint8_t* data, std::size_t n);

// Computes the CRC over buf[0 .. n-1] and stores it at buf[n] (low byte) and buf[n+1] (high byte).
// The caller provides room for n + 2 bytes. Returns false and writes nothing when n > kMaxCrcBytes.
bool AppendCrc16(std::uint8_t* buf, std::size_t n);

// True when buf[n], buf[n+1] hold the CRC of buf[0 .. n-1], low byte first or high byte first.
// Reads exactly n + 2 bytes; false without reading anything when n > kMaxCrcBytes.
bool CheckCrc16(const std::uint8_t* buf, std::size_t n);

// CRC check of a function-3 response of `received` bytes: the CRC covers byte count (frame[2]) + 3 bytes.
// False, without running the CRC, when fewer than 3 bytes arrived, when the byte count is above 252 (the CRC
// would cover more than kMaxCrcBytes) or when the CRC bytes lie beyond the received bytes.
bool CheckResponseCrc(const std::uint8_t* frame, std::size_t received);

}  // namespace modbus
