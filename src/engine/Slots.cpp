#include "engine/Slots.h"

#include <algorithm>

namespace engine {

bool FrameSlot::Put(const std::uint8_t* frame, std::size_t length, std::uint8_t tag) {
    if (length == 0 || length >= kCapacity) return false;
    std::lock_guard lock(mutex_);
    std::copy_n(frame, length, buffer_.begin());
    tag_ = tag;
    length_.store(static_cast<std::uint8_t>(length), std::memory_order_release);
    return true;
}

bool FrameSlot::PutIfEmpty(const std::uint8_t* frame, std::size_t length) {
    if (length == 0 || length >= kCapacity) return false;
    std::lock_guard lock(mutex_);
    if (length_.load(std::memory_order_relaxed) != 0) return false;
    std::copy_n(frame, length, buffer_.begin());
    tag_ = 0;
    length_.store(static_cast<std::uint8_t>(length), std::memory_order_release);
    return true;
}

std::size_t FrameSlot::Take(std::uint8_t* out, std::uint8_t* tag) {
    std::lock_guard lock(mutex_);
    const std::size_t length = length_.load(std::memory_order_relaxed);
    std::copy_n(buffer_.begin(), length, out);
    if (tag != nullptr) *tag = length != 0 ? tag_ : 0;
    length_.store(0, std::memory_order_release);
    return length;
}

void FrameSlot::Clear() {
    std::lock_guard lock(mutex_);
    length_.store(0, std::memory_order_release);
}

std::uint8_t FrameSlot::Tag() const {
    std::lock_guard lock(mutex_);
    return length_.load(std::memory_order_relaxed) != 0 ? tag_ : 0;
}

bool FrameSlot::Holds(const std::uint8_t* frame, std::size_t length) const {
    std::lock_guard lock(mutex_);
    const std::size_t waiting = length_.load(std::memory_order_relaxed);
    return waiting != 0 && waiting == length && std::equal(frame, frame + length, buffer_.begin());
}

std::array<std::uint8_t, FrameSlot::kCapacity> FrameSlot::Bytes() const {
    std::lock_guard lock(mutex_);
    return buffer_;
}

bool DeferredCalibrationSlot::Park(const std::vector<std::uint8_t>& frame, float reference, int point) {
    if (frame.size() != kFrameSize) return false;
    std::lock_guard lock(mutex_);
    std::copy(frame.begin(), frame.end(), content_.frame.begin());
    content_.length = kFrameSize;
    content_.reference = reference;
    content_.point = point;
    content_.firstStepEchoed = false;
    length_.store(kFrameSize, std::memory_order_release);
    return true;
}

void DeferredCalibrationSlot::Clear() {
    std::lock_guard lock(mutex_);
    content_.length = 0;
    content_.firstStepEchoed = false;
    length_.store(0, std::memory_order_release);
}

void DeferredCalibrationSlot::MarkFirstStepEchoed() {
    std::lock_guard lock(mutex_);
    if (content_.length != 0) content_.firstStepEchoed = true;
}

bool DeferredCalibrationSlot::DropIfFirstStepLost(const FrameSlot& command) {
    std::lock_guard lock(mutex_);
    if (content_.length == 0 || content_.firstStepEchoed || !command.Empty()) return false;
    content_.length = 0;
    length_.store(0, std::memory_order_release);
    return true;
}

std::optional<DeferredCalibrationSlot::Content> DeferredCalibrationSlot::Snapshot() const {
    std::lock_guard lock(mutex_);
    if (content_.length == 0) return std::nullopt;
    return content_;
}

std::optional<DeferredCalibrationSlot::Release> DeferredCalibrationSlot::ReleaseInto(
    FrameSlot& target, const std::function<bool(Content&)>& build) {
    std::lock_guard lock(mutex_);
    if (content_.length == 0) return std::nullopt;
    Content work = content_;
    Release result = Release::Dropped;
    if (build(work)) {
        if (!target.PutIfEmpty(work.frame.data(), work.length)) return Release::Kept;
        result = Release::Queued;
    }
    content_.length = 0;
    content_.firstStepEchoed = false;
    length_.store(0, std::memory_order_release);
    return result;
}

}  // namespace engine
