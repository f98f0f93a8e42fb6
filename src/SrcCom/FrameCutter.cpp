#include "SrcCom/FrameCutter.h"

#include <utility>

namespace com {

FrameCutter::Cut FrameCutter::Feed(const std::uint8_t* data, std::size_t length, std::uint32_t tick) {
    if (data == nullptr || length == 0) {
        return Idle(tick);
    }
    lastByteTick_ = tick;
    pending_.insert(pending_.end(), data, data + length);
    if (pending_.size() > kDeliverAbove) {
        done_ = std::exchange(pending_, {});
        return Cut::Overflow;
    }
    return Cut::None;
}

FrameCutter::Cut FrameCutter::Idle(std::uint32_t tick) {
    if (pending_.empty() || static_cast<std::uint32_t>(tick - lastByteTick_) < gapTicks_) {
        return Cut::None;
    }
    done_ = std::exchange(pending_, {});
    return Cut::Silence;
}

std::vector<std::uint8_t> FrameCutter::TakeFrame() {
    return std::exchange(done_, {});
}

long FrameCutter::UntilGap(std::uint32_t tick) const {
    if (pending_.empty()) {
        return -1;
    }
    std::uint32_t elapsed = tick - lastByteTick_;
    return elapsed >= gapTicks_ ? 0 : static_cast<long>(gapTicks_ - elapsed);
}

}  // namespace com
