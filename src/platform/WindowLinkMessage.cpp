#include "platform/WindowLinkMessage.h"

namespace platform::link {

namespace {

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutU64(std::vector<std::uint8_t>& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::uint32_t GetU32(const std::uint8_t* p) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

std::uint64_t GetU64(const std::uint8_t* p) {
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

}  // namespace

std::vector<std::uint8_t> Encode(std::uint8_t kind, std::uint64_t target, std::string_view title,
                                 std::uint64_t sender, std::uint64_t dwData,
                                 std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> out;
    out.reserve(kHeaderSize + title.size() + bytes.size());
    PutU32(out, kMagic);
    out.push_back(kind);
    out.insert(out.end(), 3, 0);
    PutU64(out, target);
    PutU64(out, sender);
    PutU64(out, dwData);
    PutU32(out, static_cast<std::uint32_t>(title.size()));
    PutU32(out, static_cast<std::uint32_t>(bytes.size()));
    out.insert(out.end(), title.begin(), title.end());
    out.insert(out.end(), bytes.begin(), bytes.end());
    return out;
}

std::optional<Message> Decode(std::span<const std::uint8_t> message) {
    const std::size_t size = message.size();
    if (size < kHeaderSize || size > kMaxMessageSize) return std::nullopt;
    const std::uint8_t* p = message.data();
    if (GetU32(p) != kMagic) return std::nullopt;
    Message m;
    m.kind = p[4];
    if (m.kind != kKindTitle && m.kind != kKindHandle) return std::nullopt;
    m.target = GetU64(p + 8);
    m.sender = GetU64(p + 16);
    m.dwData = GetU64(p + 24);
    const std::size_t titleLength = GetU32(p + 32);
    const std::size_t byteCount = GetU32(p + 36);
    if (titleLength > kMaxTitleBytes || byteCount > kMaxDataBytes ||
        size != kHeaderSize + titleLength + byteCount)
        return std::nullopt;
    m.title = std::string_view(reinterpret_cast<const char*>(p + kHeaderSize), titleLength);
    m.bytes = message.subspan(kHeaderSize + titleLength, byteCount);
    return m;
}

}  // namespace platform::link
