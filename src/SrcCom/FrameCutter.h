#pragma once
// Cuts the byte stream of the serial line into frames: a frame is everything received up to a silence of
// 200 ms, or a run of more than 1024 bytes without such a pause. Fed with bytes and the tick at which they
// arrived; ticks wrap like GetTickCount and are compared in unsigned 32-bit differences. A tick is a
// millisecond unless the cutter is built with a finer gap (the read thread counts microseconds, so the gap
// ends on time rather than on the next millisecond boundary).
#include <cstddef>
#include <cstdint>
#include <vector>

namespace com {

class FrameCutter {
  public:
    static constexpr std::uint32_t kSilenceGapMs = 200;
    static constexpr std::size_t kDeliverAbove = 1024;

    enum class Cut { None, Overflow, Silence };

    // `gapTicks`: the silence gap in the caller's ticks (200 for millisecond ticks).
    explicit FrameCutter(std::uint32_t startTick, std::uint32_t gapTicks = kSilenceGapMs)
        : lastByteTick_(startTick), gapTicks_(gapTicks) {}

    // Appends bytes received at `tick`. Overflow when the accumulated run now exceeds 1024 bytes; the frame
    // is then waiting in TakeFrame.
    Cut Feed(const std::uint8_t* data, std::size_t length, std::uint32_t tick);
    // Nothing arrived up to `tick`. Silence when bytes are accumulated and the gap has passed.
    Cut Idle(std::uint32_t tick);
    // Hands over the completed frame and starts a new one.
    std::vector<std::uint8_t> TakeFrame();

    std::size_t Accumulated() const { return pending_.size(); }
    // Ticks until the silence gap ends the frame being accumulated; -1 when nothing is accumulated.
    long UntilGap(std::uint32_t tick) const;

  private:
    std::vector<std::uint8_t> pending_;
    std::vector<std::uint8_t> done_;
    std::uint32_t lastByteTick_;
    std::uint32_t gapTicks_;
};

}  // namespace com
