#pragma once
#include <chrono>
#include <cstdint>
#include <optional>
#include <thread>
#include <vector>

#include "SrcCom/ComSer.h"

namespace testing_pty {

// Waits for the next frame in the mailbox, as the management thread takes it (1024-byte buffer by default).
inline std::optional<std::vector<std::uint8_t>> WaitFrame(com::ComSer& com, int timeoutMs,
                                                          std::size_t capacity = 4096) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
        if (com.FrameReady()) {
            std::vector<std::uint8_t> frame(capacity);
            frame.resize(com.TakeFrame(frame.data(), frame.size()));
            return frame;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return std::nullopt;
}

// Removes a test's frame listener when the test's scope ends, however it ends.
struct ListenerGuard {
    com::ComSer& com;
    ~ListenerGuard() { com.SetFrameListener({}); }
};

inline void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace testing_pty
