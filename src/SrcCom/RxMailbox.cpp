#include "SrcCom/RxMailbox.h"

#include <algorithm>
#include <utility>

namespace com {

void RxMailbox::Deliver(const std::uint8_t* data, std::size_t length, std::size_t limit) {
    {
        std::lock_guard lock(mutex_);
        std::size_t n = (data == nullptr) ? 0 : std::min(length, limit);
        frame_.assign(data, data + n);
        ready_.store(true, std::memory_order_release);
    }
    // Told after the flag is up: a consumer that checks the flag under its own lock, and is woken under the
    // same lock, cannot miss the frame.
    std::lock_guard lock(listenerMutex_);
    if (listener_) {
        listener_();
    }
}

void RxMailbox::SetListener(std::function<void()> listener) {
    std::lock_guard lock(listenerMutex_);
    listener_ = std::move(listener);
}

std::size_t RxMailbox::Take(std::uint8_t* destination, std::size_t capacity) {
    std::lock_guard lock(mutex_);
    if (!ready_.load(std::memory_order_relaxed)) {
        return 0;
    }
    ready_.store(false, std::memory_order_relaxed);
    if (destination == nullptr) {
        return 0;
    }
    std::size_t n = std::min(frame_.size(), capacity);
    std::copy_n(frame_.begin(), n, destination);
    return n;
}

}  // namespace com
