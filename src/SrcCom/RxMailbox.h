#pragma once
// The one-frame hand-over from the producers (the read thread; the relay reply entry in network mode) to the
// management thread. A frame delivered before the previous one was taken replaces it. The consumer always
// gets its own copy, so a frame is never torn by the next delivery.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace com {

class RxMailbox {
  public:
    // Stores a copy of `length` bytes (at most `limit`; the rest is cut) and raises the ready flag.
    void Deliver(const std::uint8_t* data, std::size_t length, std::size_t limit);
    bool Ready() const { return ready_.load(std::memory_order_acquire); }
    // Copies the waiting frame into `destination` (cut to `capacity`), clears the ready flag and returns the
    // number of bytes copied; 0 when no frame is waiting.
    std::size_t Take(std::uint8_t* destination, std::size_t capacity);

  private:
    std::mutex mutex_;
    std::vector<std::uint8_t> frame_;
    std::atomic<bool> ready_{false};
};

}  // namespace com
