// The communication server's reply cutter on any byte stream: the input is a sequence of pieces, each a time
// step byte (milliseconds, doubled), a length byte and that many bytes; the clock starts anywhere, so it
// also wraps.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "comm_server/ReplyCutter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using comm_server::ReplyCutter;
    if (size < 4) return 0;
    std::uint32_t now = data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24;
    std::size_t at = 4;
    ReplyCutter cutter;
    std::vector<std::uint8_t> expected;  // the bytes of the reply being collected, as far as they fit
    std::size_t dropped = 0;
    bool collecting = false;
    std::uint32_t lastByte = 0;
    auto take = [&] {
        const auto due = cutter.MsUntilDue(now);
        auto reply = cutter.TakeReply(now);
        const bool quiet =
            collecting && static_cast<std::uint32_t>(now - lastByte) >= ReplyCutter::kSilenceMs;
        if (reply.has_value() != quiet) __builtin_trap();
        if (due !=
            (collecting ? (quiet ? 0 : static_cast<int>(ReplyCutter::kSilenceMs - (now - lastByte))) : -1))
            __builtin_trap();
        if (!reply) return;
        if (*reply != expected || cutter.Dropped() != dropped) __builtin_trap();
        expected.clear();
        dropped = 0;
        collecting = false;
    };
    while (at + 2 <= size) {
        now += 2u * data[at];
        std::size_t length = data[at + 1];
        at += 2;
        if (length > size - at) length = size - at;
        take();
        cutter.Feed(data + at, length, now);
        if (length > 0) {
            collecting = true;
            lastByte = now;
            for (std::size_t i = 0; i < length; ++i) {
                if (expected.size() < ReplyCutter::kMaxReplyBytes)
                    expected.push_back(data[at + i]);
                else
                    ++dropped;
            }
        }
        at += length;
    }
    take();
    now += ReplyCutter::kSilenceMs;
    take();
    if (collecting) __builtin_trap();  // every reply is handed over once the line is quiet
    return 0;
}
