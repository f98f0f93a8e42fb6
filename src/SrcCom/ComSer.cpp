#include "SrcCom/ComSer.h"

#include <chrono>
#include <span>
#include <vector>

#include "SrcCom/FrameCutter.h"
#include "platform/Clock.h"
#include "platform/ProgramFolder.h"

namespace com {

namespace {

// How long the read thread waits for input when no frame is pending. Other threads wake it at once when they
// need the port, so this only bounds how often an idle thread looks round.
constexpr int kIdleWaitMs = 100;
// A hung-up device reports at once on every wait; this keeps the read thread from spinning on it until the
// management thread notices and closes the port.
constexpr auto kFailedDeviceBackoff = std::chrono::milliseconds(20);
// The read buffer of one pass.
constexpr std::size_t kReadChunk = 1024;

// The read thread's tick: microseconds, wrapping every 71 minutes like any 32-bit tick count. A frame is
// never pending that long, and a millisecond tick would end the gap up to a millisecond early or late.
constexpr std::uint32_t kTicksPerMs = 1000;

std::uint32_t TickUs() {
    auto us = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(us.count());
}

FrameCutter NewCutter() {
    return FrameCutter(TickUs(), FrameCutter::kSilenceGapMs * kTicksPerMs);
}

}  // namespace

// Takes the port mutex ahead of the read thread: it announces itself, wakes the read thread out of its wait,
// and the read thread does not take the mutex again while anyone is waiting.
class ComSer::PortLock {
  public:
    explicit PortLock(ComSer& owner) : owner_(owner) {
        owner_.portWaiters_.fetch_add(1);
        owner_.wake_.Raise();
        lock_ = std::unique_lock(owner_.portMutex_);
        owner_.portWaiters_.fetch_sub(1);
    }
    ~PortLock() {
        lock_.unlock();
        owner_.portFree_.notify_all();
    }
    PortLock(const PortLock&) = delete;
    PortLock& operator=(const PortLock&) = delete;

  private:
    ComSer& owner_;
    std::unique_lock<std::mutex> lock_;
};

ComSer::ComSer() {
    readThread_ = std::thread(&ComSer::ReadThread, this);
}

ComSer::~ComSer() {
    {
        PortLock lock(*this);
        stop_.store(true);
    }
    wake_.Raise();
    readThread_.join();
    PortLock lock(*this);
    CloseLocked();
}

bool ComSer::OpenPort(int port, int baud, int dataBits, int stopBits, int parity) {
    networkMode_.store(false);
    std::string folder;
    {
        std::lock_guard lock(settingsMutex_);
        folder = programFolder_;
    }
    if (folder.empty()) {
        folder = platform::ProgramFolder();
    }
    PortLock lock(*this);
    accessDenied_.store(false);
    if (!(portOpen_ && port_.IsOpen() && port == currentPort_.load())) {
        // Reopening under another number must not leave the old device open (and busy for everyone else).
        CloseLocked();
        std::string name = platform::ComPortName(port);
        if (name.empty() || !port_.Open(name, folder)) {
            accessDenied_.store(!name.empty() && port_.AccessDenied());
            return false;
        }
        currentPort_.store(port);
        portOpen_ = true;
    }
    return ConfigureLocked(port, baud, dataBits, stopBits, parity);
}

bool ComSer::ConfigurePort(int port, int baud, int dataBits, int stopBits, int parity) {
    PortLock lock(*this);
    return ConfigureLocked(port, baud, dataBits, stopBits, parity);
}

bool ComSer::ConfigureLocked(int port, int baud, int dataBits, int stopBits, int parity) {
    if (!port_.IsOpen() || port != currentPort_.load() || !portOpen_) {
        CloseLocked();
        return false;
    }
    // Reads return at once with what has arrived; writes are timed by SendFrame. The kernel's queues are used
    // as they are (there are no driver queue sizes to set on this platform).
    bool configured = port_.Configure(baud, dataBits, stopBits, parity);
    port_.Purge(true, true);
    if (!configured) {
        CloseLocked();
        return false;
    }
    return true;
}

bool ComSer::ClosePort() {
    PortLock lock(*this);
    CloseLocked();
    return true;
}

void ComSer::CloseLocked() {
    port_.Close();
    currentPort_.store(0);
    portOpen_ = false;
}

bool ComSer::SendFrame(const std::uint8_t* frame, int length) {
    if (frame == nullptr || length < 1) {
        return false;
    }
    if (networkMode_.load()) {
        // Fails when the server is not running or does not acknowledge in time; nothing is sent then.
        return platform::SendCopyData(CommServerTitle(), linkHandle_.load(),
                                      static_cast<std::uint64_t>(currentPort_.load()),
                                      std::span<const std::uint8_t>(frame, static_cast<std::size_t>(length)));
    }
    PortLock lock(*this);
    if (!portOpen_ || !port_.IsOpen()) {
        return false;
    }
    return port_.Write(frame, static_cast<std::size_t>(length), kWriteTimeoutMs);
}

bool ComSer::TransportReady() {
    if (networkMode_.load()) {
        return platform::WindowExists(CommServerTitle());
    }
    if (!portOpen_.load()) {
        return false;  // nothing to query or close; do not wake the read thread for it
    }
    PortLock lock(*this);
    if (portOpen_ && port_.IsOpen() && port_.QueryLineSettings()) {
        return true;
    }
    CloseLocked();
    return false;
}

bool ComSer::RegisterWithCommServer(int port) {
    networkMode_.store(true);
    currentPort_.store(port);
    return platform::SendCopyData(CommServerTitle(), linkHandle_.load(), static_cast<std::uint64_t>(port),
                                  {});
}

std::size_t ComSer::TakeFrame(std::uint8_t* destination, std::size_t capacity) {
    return mailbox_.Take(destination, capacity);
}

void ComSer::DeliverRelayReply(const std::uint8_t* bytes, std::size_t length) {
    // In serial mode the read thread is the only source of frames; a late server reply must not replace one.
    if (bytes == nullptr || !networkMode_.load()) {
        return;
    }
    mailbox_.Deliver(bytes, length, kRelayBufferSize);
}

void ComSer::SetProgramFolder(const std::string& folder) {
    std::lock_guard lock(settingsMutex_);
    programFolder_ = folder;
}

void ComSer::SetCommServerTitle(const std::string& title) {
    std::lock_guard lock(settingsMutex_);
    commServerTitle_ = title;
}

std::string ComSer::CommServerTitle() {
    std::lock_guard lock(settingsMutex_);
    return commServerTitle_;
}

int ComSer::PortDescriptor() {
    PortLock lock(*this);
    return portOpen_ ? port_.Descriptor() : -1;
}

void ComSer::ReadThread() {
    // The silence that ends a frame is timed by this thread's waits.
    platform::UsePreciseTimersOnThisThread();
    FrameCutter cutter = NewCutter();
    std::vector<std::uint8_t> chunk(kReadChunk);
    auto deliver = [&] {
        std::vector<std::uint8_t> frame = cutter.TakeFrame();
        mailbox_.Deliver(frame.data(), frame.size(), frame.size());
    };
    while (!stop_.load()) {
        std::unique_lock lock(portMutex_);
        portFree_.wait(lock, [&] { return portWaiters_.load() == 0 || stop_.load(); });
        if (stop_.load()) {
            break;
        }
        if (!portOpen_) {
            // Bytes of a port that was closed never join the first frame of the next one.
            cutter.TakeFrame();
            cutter = NewCutter();
            portFree_.wait_for(lock, std::chrono::milliseconds(kIdleWaitMs),
                               [&] { return stop_.load() || portOpen_; });
            continue;
        }
        // Waits exactly until the gap ends the pending frame, so it reaches the mailbox on time.
        const long untilGap = cutter.UntilGap(TickUs());
        const std::chrono::microseconds timeout =
            untilGap < 0 ? std::chrono::milliseconds(kIdleWaitMs) : std::chrono::microseconds(untilGap);
        platform::SerialPort::Wait wait = port_.WaitReadable(timeout, &wake_);
        // Bytes are stamped when the wait saw them arrive, not after the read.
        const std::uint32_t now = TickUs();
        if (wait == platform::SerialPort::Wait::Woken) {
            wake_.Clear();
            continue;
        }
        long n = 0;
        if (wait == platform::SerialPort::Wait::Readable) {
            n = port_.ReadAvailable(chunk.data(), chunk.size());
        }
        if (n < 0 || wait == platform::SerialPort::Wait::Failed) {
            port_.ClearErrors();
        }
        if (n > 0) {
            if (cutter.Feed(chunk.data(), static_cast<std::size_t>(n), now) == FrameCutter::Cut::Overflow) {
                deliver();
            }
            continue;
        }
        if (cutter.Idle(now) == FrameCutter::Cut::Silence) {
            // Whatever trails a completed frame in the driver is line noise.
            port_.Purge(true, false);
            deliver();
        }
        if (n < 0 || wait == platform::SerialPort::Wait::Failed) {
            portFree_.wait_for(lock, kFailedDeviceBackoff, [&] { return stop_.load(); });
        }
    }
}

}  // namespace com
