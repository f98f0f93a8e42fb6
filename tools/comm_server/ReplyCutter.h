#pragma once
// Cuts the bytes a relay sends back into replies: a reply ends after 200 ms of silence. A reply holds at most
// 2048 bytes (the client's reply buffer); bytes beyond that until the silence are dropped.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace comm_server {

class ReplyCutter {
  public:
    static constexpr std::uint32_t kSilenceMs = 200;
    static constexpr std::size_t kMaxReplyBytes = 2048;

    // Ticks are milliseconds of any origin; differences are taken in unsigned 32-bit arithmetic.
    void Feed(const std::uint8_t* data, std::size_t length, std::uint32_t nowMs);
    // The complete reply once the silence has passed; nothing while bytes may still follow or none came.
    std::optional<std::vector<std::uint8_t>> TakeReply(std::uint32_t nowMs);
    // Milliseconds until TakeReply can return a reply, or -1 when nothing is pending.
    int MsUntilDue(std::uint32_t nowMs) const;
    // Bytes dropped from the reply that TakeReply returned last (or is collecting) because it was too long.
    std::size_t Dropped() const { return dropped_; }

  private:
    std::vector<std::uint8_t> pending_;
    std::size_t dropped_ = 0;
    std::uint32_t lastByteMs_ = 0;
    bool collecting_ = false;
};

}  // namespace comm_server
