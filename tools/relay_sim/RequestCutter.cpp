#include "relay_sim/RequestCutter.h"

namespace relaysim {

std::size_t ExpectedRequestLength(const std::uint8_t* buf, std::size_t n) {
    if (n < 2) return 0;
    switch (buf[1]) {
        case 3:
        case 5:
        case 6:
        case 17:
            return 8;
        case 16:
            return n < 7 ? 0 : 9 + static_cast<std::size_t>(buf[6]);
        default:
            return 0;
    }
}

void RequestCutter::Feed(const std::uint8_t* data, std::size_t n, std::uint64_t nowMs) {
    if (n == 0) return;
    // Bytes after a pause belong to a new request even if the old one never reached its length.
    Tick(nowMs);
    for (std::size_t i = 0; i < n; ++i) {
        pending_.push_back(data[i]);
        CutComplete();
    }
    lastByteMs_ = nowMs;
}

void RequestCutter::CutComplete() {
    const std::size_t expected = ExpectedRequestLength(pending_.data(), pending_.size());
    if ((expected != 0 && pending_.size() >= expected) || pending_.size() >= kMaxRequest) {
        ready_.push_back(std::move(pending_));
        pending_.clear();
    }
}

void RequestCutter::Tick(std::uint64_t nowMs) {
    if (!pending_.empty() && nowMs - lastByteMs_ >= kSilenceMs) {
        ready_.push_back(std::move(pending_));
        pending_.clear();
    }
}

std::optional<std::uint64_t> RequestCutter::MsUntilSilence(std::uint64_t nowMs) const {
    if (pending_.empty()) return std::nullopt;
    const std::uint64_t due = lastByteMs_ + kSilenceMs;
    return due > nowMs ? due - nowMs : 0;
}

std::optional<Frame> RequestCutter::TakeRequest() {
    if (ready_.empty()) return std::nullopt;
    Frame f = std::move(ready_.front());
    ready_.erase(ready_.begin());
    return f;
}

}  // namespace relaysim
