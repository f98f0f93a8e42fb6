#pragma once
// Little-endian reading and writing of the integers and doubles of the workbook and container formats.
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace spreadsheet {

using Bytes = std::string;  // raw bytes of a file or stream

inline void PutU8(Bytes& out, unsigned v) {
    out.push_back(static_cast<char>(v & 0xFF));
}
inline void PutU16(Bytes& out, unsigned v) {
    PutU8(out, v);
    PutU8(out, v >> 8);
}
inline void PutU32(Bytes& out, std::uint32_t v) {
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}
inline void PutF64(Bytes& out, double v) {
    const auto bits = std::bit_cast<std::uint64_t>(v);
    PutU32(out, static_cast<std::uint32_t>(bits));
    PutU32(out, static_cast<std::uint32_t>(bits >> 32));
}
inline void SetU16At(Bytes& out, std::size_t pos, unsigned v) {
    out[pos] = static_cast<char>(v & 0xFF);
    out[pos + 1] = static_cast<char>((v >> 8) & 0xFF);
}
inline void SetU32At(Bytes& out, std::size_t pos, std::uint32_t v) {
    SetU16At(out, pos, v & 0xFFFF);
    SetU16At(out, pos + 2, v >> 16);
}

// Callers check bounds before reading.
inline unsigned GetU8(std::string_view in, std::size_t pos) {
    return static_cast<unsigned char>(in[pos]);
}
inline unsigned GetU16(std::string_view in, std::size_t pos) {
    return GetU8(in, pos) | (GetU8(in, pos + 1) << 8);
}
inline std::uint32_t GetU32(std::string_view in, std::size_t pos) {
    return GetU16(in, pos) | (static_cast<std::uint32_t>(GetU16(in, pos + 2)) << 16);
}
inline double GetF64(std::string_view in, std::size_t pos) {
    const std::uint64_t bits = GetU32(in, pos) | (static_cast<std::uint64_t>(GetU32(in, pos + 4)) << 32);
    return std::bit_cast<double>(bits);
}

}  // namespace spreadsheet
