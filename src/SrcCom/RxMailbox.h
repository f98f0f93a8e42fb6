#pragma once
// The one-frame hand-over from the producers (the read thread; the relay reply entry in network mode) to the
// management thread. A frame delivered before the previous one was taken replaces it. The consumer always
// gets its own copy, so a frame is never torn by the next delivery. A listener learns of every delivery, so
// the consumer can sleep until a frame is there instead of looking for one at intervals.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace com {

class RxMailbox {
  public:
    // Stores a copy of `length` bytes (at most `limit`; the rest is cut), raises the ready flag and then
    // calls the listener on the producer's thread.
    void Deliver(const std::uint8_t* data, std::size_t length, std::size_t limit);
    // Replaces the listener; an empty function removes it. Returns only when no call of the previous listener
    // is running, so whatever it refers to may go away afterwards. The listener must be short and must not
    // call back into the mailbox.
    void SetListener(std::function<void()> listener);
    bool Ready() const { return ready_.load(std::memory_order_acquire); }
    // Copies the waiting frame into `destination` (cut to `capacity`), clears the ready flag and returns the
    // number of bytes copied; 0 when no frame is waiting.
    std::size_t Take(std::uint8_t* destination, std::size_t capacity);

  private:
    std::mutex mutex_;
    std::vector<std::uint8_t> frame_;
    std::atomic<bool> ready_{false};
    std::mutex listenerMutex_;  // held while the listener runs
    std::function<void()> listener_;
};

}  // namespace com
