#include "PortRelay.h"

#include <chrono>
#include <cstdio>

#include "ReplyCutter.h"

namespace comm_server {

namespace {

constexpr int kBaud = 9600;
constexpr int kDataBits = 8;
constexpr int kWriteTimeoutMs = 1000;
constexpr int kIdleWaitMs = 500;

std::uint32_t NowMs() {
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
}

}  // namespace

PortRelay::PortRelay(int port, ReplySink sink) : port_(port), sink_(std::move(sink)) {}

PortRelay::~PortRelay() {
    Stop();
}

bool PortRelay::Open(const std::string& programFolder) {
    if (reader_.joinable()) return false;
    if (!serial_.Open(platform::ComPortName(port_), programFolder) ||
        !serial_.Configure(kBaud, kDataBits, platform::kOneStopBit, platform::kNoParity)) {
        serial_.Close();
        return false;
    }
    serial_.Purge(true, true);
    reader_ = std::thread([this] { ReadLoop(); });
    return true;
}

bool PortRelay::Send(std::span<const std::uint8_t> frame) {
    if (failed_ || finished_) return false;
    std::lock_guard<std::mutex> lock(ioMutex_);
    return serial_.Write(frame.data(), frame.size(), kWriteTimeoutMs);
}

void PortRelay::RequestStop() {
    stop_ = true;
    wake_.Raise();
}

void PortRelay::Stop() {
    RequestStop();
    if (reader_.joinable()) reader_.join();
    serial_.Close();
}

void PortRelay::ReadLoop() {
    ReplyCutter cutter;
    std::uint8_t buffer[1024];
    while (!stop_) {
        const int due = cutter.MsUntilDue(NowMs());
        // The descriptor stays valid while this thread runs: Close happens only after the join.
        const auto wait = serial_.WaitReadable(due < 0 ? kIdleWaitMs : due, &wake_);
        if (wait == platform::SerialPort::Wait::Woken) {
            wake_.Clear();
            continue;
        }
        bool failed = wait == platform::SerialPort::Wait::Failed;
        if (wait == platform::SerialPort::Wait::Readable) {
            long n;
            {
                std::lock_guard<std::mutex> lock(ioMutex_);
                n = serial_.ReadAvailable(buffer, sizeof buffer);
            }
            if (n > 0) cutter.Feed(buffer, static_cast<std::size_t>(n), NowMs());
            failed = n < 0;
        }
        if (failed) {
            std::fprintf(stderr, "comm_server: COM%d stopped answering, closed until its next use\n", port_);
            failed_ = true;
            break;
        }
        if (auto reply = cutter.TakeReply(NowMs())) {
            if (cutter.Dropped() > 0)
                std::fprintf(stderr, "comm_server: COM%d reply longer than %zu bytes, %zu bytes dropped\n",
                             port_, ReplyCutter::kMaxReplyBytes, cutter.Dropped());
            sink_(port_, std::move(*reply));
        }
    }
    finished_ = true;
}

}  // namespace comm_server
