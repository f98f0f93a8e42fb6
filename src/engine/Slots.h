#pragma once
// The request slots the management thread serves. A slot holds one complete frame; its length is 0 while
// it is empty. Frame and length change together under one short mutex, so a slot may have several
// producers (the UI thread and the management thread itself) and the consumer never sees half a frame.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

namespace engine {

class FrameSlot {
  public:
    static constexpr std::size_t kCapacity = 256;

    // Replaces whatever the slot holds. Refuses (and keeps the slot as it was) an empty frame or one longer
    // than 255 bytes, which the 8-bit length cannot express. `tag` travels with this frame only: the next
    // Put replaces it with its own (0 unless given).
    bool Put(const std::uint8_t* frame, std::size_t length, std::uint8_t tag = 0);
    bool Put(const std::vector<std::uint8_t>& frame, std::uint8_t tag = 0) {
        return Put(frame.data(), frame.size(), tag);
    }
    // Fills the slot only when it is empty, in one step (tag 0).
    bool PutIfEmpty(const std::uint8_t* frame, std::size_t length);

    // Copies the waiting frame to `out` (room for kCapacity bytes) and empties the slot; 0 when empty.
    // `tag`, if given, receives the tag the frame was put with.
    std::size_t Take(std::uint8_t* out, std::uint8_t* tag = nullptr);
    void Clear();

    std::uint8_t Length() const { return length_.load(std::memory_order_acquire); }
    bool Empty() const { return Length() == 0; }
    // The tag of the waiting frame; 0 when empty.
    std::uint8_t Tag() const;

    // Whether the waiting frame is exactly `frame`.
    bool Holds(const std::uint8_t* frame, std::size_t length) const;

    // The buffer as it is now, also after Take: the bytes stay until the next Put.
    std::array<std::uint8_t, kCapacity> Bytes() const;

  private:
    mutable std::mutex mutex_;
    std::array<std::uint8_t, kCapacity> buffer_{};
    std::uint8_t tag_ = 0;
    std::atomic<std::uint8_t> length_{0};
};

using CommandSlot = FrameSlot;
using SoeSlot = FrameSlot;
using AddressSearchSlot = FrameSlot;

// The second step of a click calibration: an 11-byte one-register write whose value is computed again from
// the reading after the first step (which reset the coefficient to 1024) took effect.
class DeferredCalibrationSlot {
  public:
    static constexpr std::size_t kFrameSize = 11;

    struct Content {
        std::array<std::uint8_t, kFrameSize> frame{};
        std::uint8_t length = 0;
        float reference = 0.0f;
        int point = 0;
        bool firstStepEchoed = false;
    };

    // Parks a frame (exactly 11 bytes) with its reference value and telemetry point.
    bool Park(const std::vector<std::uint8_t>& frame, float reference, int point);
    void Clear();
    // Records the relay's echo of the first step; from then on the slot may be released.
    void MarkFirstStepEchoed();
    // Empties the slot when its first step is no longer waiting in `command` and was never echoed: it was
    // sent and went unanswered or was refused, or another request replaced it before it went out. Checked
    // under the slot's lock, so a calibration that queues its first step and parks meanwhile is kept.
    // True when the slot was emptied.
    bool DropIfFirstStepLost(const FrameSlot& command);

    std::uint8_t Length() const { return length_.load(std::memory_order_acquire); }
    bool Occupied() const { return Length() != 0; }
    std::optional<Content> Snapshot() const;

    // What a release does with the parked content: the frame to queue, or nothing to drop the step.
    enum class Release { Queued, Dropped, Kept };
    // Releases the parked step in one step under the slot's lock: `build` fills in the frame (or refuses
    // it); a built frame goes into `target` only if that is empty. Queued or refused steps empty this slot;
    // a step that found `target` occupied stays parked. Nothing happens while the slot is empty.
    std::optional<Release> ReleaseInto(FrameSlot& target, const std::function<bool(Content&)>& build);

  private:
    mutable std::mutex mutex_;
    Content content_{};
    std::atomic<std::uint8_t> length_{0};
};

}  // namespace engine
