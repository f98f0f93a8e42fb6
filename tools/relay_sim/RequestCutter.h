#pragma once
// Cuts the bytes arriving from the host into requests, as a relay does on the line: a request ends when it
// has the length its function code implies, or after a silence of 4 ms when its length cannot be known.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace relaysim {

using Frame = std::vector<std::uint8_t>;

// Length of a request with function code `buf[1]` judged from its first `n` bytes; 0 when not yet known or
// never knowable (unknown function codes end at the silence).
std::size_t ExpectedRequestLength(const std::uint8_t* buf, std::size_t n);

class RequestCutter {
  public:
    static constexpr std::uint32_t kSilenceMs = 4;
    static constexpr std::size_t kMaxRequest = 512;  // longer garbage is cut here

    // Adds bytes received at time `nowMs`. Complete requests are collected for TakeRequest.
    void Feed(const std::uint8_t* data, std::size_t n, std::uint64_t nowMs);
    // Ends a pending partial request when the line has been silent for kSilenceMs at `nowMs`.
    void Tick(std::uint64_t nowMs);
    // Milliseconds from `nowMs` until Tick has something to do; empty when nothing is pending.
    std::optional<std::uint64_t> MsUntilSilence(std::uint64_t nowMs) const;
    std::optional<Frame> TakeRequest();

  private:
    void CutComplete();

    Frame pending_;
    std::uint64_t lastByteMs_ = 0;
    std::vector<Frame> ready_;
};

}  // namespace relaysim
