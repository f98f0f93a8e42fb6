#pragma once
// The bytes of one copy-data message between two processes of the window link, and their decoding. Kept apart
// from the sockets so the decoding of what another process sent can be tested and fuzzed on its own.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform::link {

// Layout, little-endian: magic u32, kind u8, 3 zero bytes, target handle u64, sender u64, dwData u64, title
// length u32, byte count u32, then the title bytes and the data bytes.
inline constexpr std::uint32_t kMagic = 0x314C5756;  // "VWL1"
inline constexpr std::size_t kHeaderSize = 40;
inline constexpr std::size_t kMaxTitleBytes = 1024;
inline constexpr std::size_t kMaxDataBytes = 64 * 1024;
inline constexpr std::size_t kMaxMessageSize = kHeaderSize + kMaxTitleBytes + kMaxDataBytes;
inline constexpr std::uint8_t kKindTitle = 1;   // addressed by window title
inline constexpr std::uint8_t kKindHandle = 2;  // addressed by handle

// A decoded message; `title` and `bytes` point into the buffer that was decoded.
struct Message {
    std::uint8_t kind = 0;
    std::uint64_t target = 0;
    std::uint64_t sender = 0;
    std::uint64_t dwData = 0;
    std::string_view title;
    std::span<const std::uint8_t> bytes;
};

std::vector<std::uint8_t> Encode(std::uint8_t kind, std::uint64_t target, std::string_view title,
                                 std::uint64_t sender, std::uint64_t dwData,
                                 std::span<const std::uint8_t> bytes);

// Nothing unless `message` is exactly one well-formed message: right magic, a known kind, title and data
// within their limits, and lengths that add up to the size received.
std::optional<Message> Decode(std::span<const std::uint8_t> message);

}  // namespace platform::link
