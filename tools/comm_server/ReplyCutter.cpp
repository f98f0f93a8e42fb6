#include "ReplyCutter.h"

#include <algorithm>

namespace comm_server {

void ReplyCutter::Feed(const std::uint8_t* data, std::size_t length, std::uint32_t nowMs) {
    if (length == 0) return;
    if (!collecting_) {
        pending_.clear();
        dropped_ = 0;
        collecting_ = true;
    }
    lastByteMs_ = nowMs;
    const std::size_t room = kMaxReplyBytes - pending_.size();
    const std::size_t take = std::min(room, length);
    pending_.insert(pending_.end(), data, data + take);
    dropped_ += length - take;
}

std::optional<std::vector<std::uint8_t>> ReplyCutter::TakeReply(std::uint32_t nowMs) {
    if (!collecting_ || static_cast<std::uint32_t>(nowMs - lastByteMs_) < kSilenceMs) return std::nullopt;
    collecting_ = false;
    std::vector<std::uint8_t> reply;
    reply.swap(pending_);
    return reply;
}

int ReplyCutter::MsUntilDue(std::uint32_t nowMs) const {
    if (!collecting_) return -1;
    const std::uint32_t quiet = nowMs - lastByteMs_;
    return quiet >= kSilenceMs ? 0 : static_cast<int>(kSilenceMs - quiet);
}

}  // namespace comm_server
