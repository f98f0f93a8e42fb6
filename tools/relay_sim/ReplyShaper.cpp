#include "relay_sim/ReplyShaper.h"

#include "modbus/Crc16.h"

namespace relaysim {

namespace {

void ReplaceSender(Frame& reply) {
    reply[0] = static_cast<std::uint8_t>(reply[0] % 247 + 1);
    const std::uint16_t crc = modbus::Crc16(reply.data(), reply.size() - 2);
    reply[reply.size() - 2] = static_cast<std::uint8_t>(crc & 0xFF);
    reply[reply.size() - 1] = static_cast<std::uint8_t>(crc >> 8);
}

}  // namespace

ReplyShaper::Fault ReplyShaper::PickFault() {
    if (options_.faultPercent == 0 || Random(100) >= options_.faultPercent) return Fault::None;
    return static_cast<Fault>(1 + Random(5));
}

std::vector<Chunk> ReplyShaper::Shape(Frame reply, std::uint64_t requestEndUs) {
    const std::uint64_t n = ++replies_;
    if (options_.dropEvery != 0 && n % options_.dropEvery == 0) {
        ++dropped_;
        return {};
    }
    if (reply.size() < 4) return {};
    const Fault fault = PickFault();
    if (fault == Fault::Drop) {
        ++mixed_.dropped;
        return {};
    }
    if (fault == Fault::Garbage) {
        ++mixed_.garbage;
        reply.resize(1 + Random(40));
        for (std::uint8_t& b : reply) b = static_cast<std::uint8_t>(Random(256));
    } else {
        if (options_.wrongAddress || fault == Fault::WrongAddress) ReplaceSender(reply);
        if (fault == Fault::WrongAddress) ++mixed_.wrongAddress;
        const bool corrupt = fault == Fault::Crc;
        if (corrupt) ++mixed_.corrupted;
        if (corrupt || (options_.corruptEvery != 0 && n % options_.corruptEvery == 0)) {
            // One flipped bit in the low byte: wrong whichever byte order the receiver accepts.
            reply[reply.size() - 2] ^= 0x01;
            if (!corrupt) ++corrupted_;
        }
    }

    unsigned splitPauseMs = options_.splitPauseMs;
    if (fault == Fault::Split) {
        ++mixed_.split;
        splitPauseMs = 20 + Random(481);
    }
    std::vector<Frame> pieces;
    if (splitPauseMs != 0 && reply.size() >= 2) {
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
        if (p > 0) t += splitPauseMs * 1000ull;
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
