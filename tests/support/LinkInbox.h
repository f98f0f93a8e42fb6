#pragma once
// Collects what a link receiver was sent, with the thread each message arrived on.
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/WindowLink.h"

namespace test {

class LinkInbox {
  public:
    struct Message {
        platform::WindowHandle sender;
        std::uint64_t dwData;
        std::vector<std::uint8_t> bytes;
        std::thread::id thread;
    };
    void Add(const platform::CopyDataMessage& m) {
        std::lock_guard lock(mutex_);
        messages_.push_back(
            {m.sender, m.dwData, {m.bytes.begin(), m.bytes.end()}, std::this_thread::get_id()});
    }
    platform::LinkReceiver::Handler Handler() {
        return [this](const platform::CopyDataMessage& m) { Add(m); };
    }
    std::vector<Message> Messages() {
        std::lock_guard lock(mutex_);
        return messages_;
    }

  private:
    std::mutex mutex_;
    std::vector<Message> messages_;
};

}  // namespace test
