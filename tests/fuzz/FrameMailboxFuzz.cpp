// The serial read thread's frame cutting and hand-over on any byte stream with pauses: the input is a
// sequence of pieces, each a flags byte, a pause byte (in 2 ms steps), a length byte and that many bytes
// (at most one read of 1024 bytes). The tick counts microseconds from anywhere, so it also wraps. Flag 1: the
// management thread takes the waiting frame after this piece.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "SrcCom/ComSer.h"
#include "SrcCom/FrameCutter.h"
#include "SrcCom/RxMailbox.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using com::FrameCutter;
    if (size < 4) return 0;
    constexpr std::uint32_t kGap = FrameCutter::kSilenceGapMs * 1000;
    std::uint32_t now = data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24;
    std::size_t at = 4;
    FrameCutter cutter(now, kGap);
    com::RxMailbox mailbox;
    int told = 0;
    mailbox.SetListener([&told] { ++told; });
    int delivered = 0;
    std::vector<std::uint8_t> fed, cut, last;
    std::vector<std::uint8_t> buffer(com::kRelayBufferSize);
    auto deliver = [&] {
        const std::vector<std::uint8_t> frame = cutter.TakeFrame();
        if (frame.empty() || frame.size() > 2 * FrameCutter::kDeliverAbove) __builtin_trap();
        mailbox.Deliver(frame.data(), frame.size(), frame.size());
        cut.insert(cut.end(), frame.begin(), frame.end());
        last = frame;
        ++delivered;
    };
    auto take = [&] {
        const bool ready = mailbox.Ready();
        const std::size_t n = mailbox.Take(buffer.data(), buffer.size());
        if (!ready) {
            if (n != 0) __builtin_trap();
            return;
        }
        // The frame delivered last, whole: a frame is never longer than the management thread's buffer.
        if (n != last.size() || !std::equal(last.begin(), last.end(), buffer.begin())) __builtin_trap();
        if (mailbox.Ready()) __builtin_trap();
    };
    while (at + 3 <= size) {
        const std::uint8_t flags = data[at];
        const std::uint32_t pause = 2000u * data[at + 1];
        std::size_t length = data[at + 2] * 4u;
        at += 3;
        if (length > size - at) length = size - at;
        // The read thread's wait ends at the gap, or when bytes arrive before it.
        const long untilGap = cutter.UntilGap(now);
        if (untilGap >= 0 && pause >= static_cast<std::uint32_t>(untilGap)) {
            if (cutter.Idle(now + static_cast<std::uint32_t>(untilGap)) != FrameCutter::Cut::Silence)
                __builtin_trap();
            deliver();
        }
        now += pause;
        if (length > 0) {
            fed.insert(fed.end(), data + at, data + at + length);
            if (cutter.Feed(data + at, length, now) == FrameCutter::Cut::Overflow) deliver();
            at += length;
        } else if (cutter.Idle(now) == FrameCutter::Cut::Silence) {
            deliver();
        }
        if (flags & 1) take();
    }
    const long untilGap = cutter.UntilGap(now);
    if (untilGap >= 0) {
        if (cutter.Idle(now + static_cast<std::uint32_t>(untilGap)) != FrameCutter::Cut::Silence)
            __builtin_trap();
        deliver();
    }
    take();
    // Every byte reached exactly one frame, in order, and the listener heard of every delivery.
    if (cut != fed || told != delivered || cutter.Accumulated() != 0) __builtin_trap();
    mailbox.SetListener({});
    return 0;
}
