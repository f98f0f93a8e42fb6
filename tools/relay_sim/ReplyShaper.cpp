#include "relay_sim/ReplyShaper.h"

#include "modbus/Crc16.h"

namespace relaysim {

std::vector<Chunk> ReplyShaper::Shape(Frame reply, std::uint64_t requestEndUs) {
    const std::uint64_t n = ++replies_;
    if (options_.dropEvery != 0 && n % options_.dropEvery == 0) {
        ++dropped_;
        return {};
    }
    if (reply.size() < 4) return {};
    if (options_.wrongAddress) {
        reply[0] = static_cast<std::uint8_t>(reply[0] % 247 + 1);
        const std::uint16_t crc = modbus::Crc16(reply.data(), reply.size() - 2);
        reply[reply.size() - 2] = static_cast<std::uint8_t>(crc & 0xFF);
        reply[reply.size() - 1] = static_cast<std::uint8_t>(crc >> 8);
    }
    if (options_.corruptEvery != 0 && n % options_.corruptEvery == 0) {
        // One flipped bit in the low byte: wrong whichever byte order the receiver accepts.
        reply[reply.size() - 2] ^= 0x01;
        ++corrupted_;
    }

    std::vector<Frame> pieces;
    if (options_.splitPauseMs != 0) {
        const std::size_t half = reply.size() / 2;
        pieces.emplace_back(reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(half));
        pieces.emplace_back(reply.begin() + static_cast<std::ptrdiff_t>(half), reply.end());
    } else {
        pieces.push_back(std::move(reply));
    }

    const std::uint64_t byteUs = options_.paceBaud != 0 ? 10'000'000ull / options_.paceBaud : 0;
    std::uint64_t t = requestEndUs + options_.delayMs * 1000ull;
    std::vector<Chunk> chunks;
    for (std::size_t p = 0; p < pieces.size(); ++p) {
        if (p > 0) t += options_.splitPauseMs * 1000ull;
        if (byteUs == 0) {
            chunks.push_back({t, std::move(pieces[p])});
            continue;
        }
        // On a paced line each byte leaves when the previous one has been clocked out.
        for (std::uint8_t b : pieces[p]) {
            t += byteUs;
            chunks.push_back({t, Frame{b}});
        }
    }
    return chunks;
}

}  // namespace relaysim
