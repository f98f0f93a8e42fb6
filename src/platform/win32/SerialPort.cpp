#include "platform/SerialPort.h"

#include <windows.h>
// mmsystem.h needs windows.h first.
#include <mmsystem.h>

#include <chrono>
#include <vector>

#include "platform/win32/FileAccess.h"

namespace platform {

namespace {

constexpr DWORD kQueueSize = 10000;
constexpr std::size_t kReadSize = 1024;
// Where the driver cannot wait for input itself (WaitCommEvent refused), the wait looks again every
// millisecond.
constexpr DWORD kEmptyReadPollMs = 1;
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

HANDLE NewManualResetEvent() {
    return CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

// A waitable timer that ends to the fraction of a millisecond, where the system has them (Windows 10 1803
// on); elsewhere an ordinary one, which follows the timer resolution the open port raises. Windows 11 does
// not honour that raised resolution for a process whose windows are minimised, the high-resolution timer it
// does.
HANDLE NewWaitTimer() {
    HANDLE timer = CreateWaitableTimerExW(
        nullptr, nullptr, CREATE_WAITABLE_TIMER_MANUAL_RESET | CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
        TIMER_ALL_ACCESS);
    if (timer == nullptr) {
        timer =
            CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_MANUAL_RESET, TIMER_ALL_ACCESS);
    }
    return timer;
}

}  // namespace

struct SerialPort::Overlapped {
    HANDLE readEvent = nullptr;
    HANDLE writeEvent = nullptr;
    HANDLE commEvent = nullptr;  // the wait for a received character (EV_RXCHAR)
    HANDLE timer = nullptr;      // the end of a wait for input
    OVERLAPPED read{};
    OVERLAPPED write{};
    OVERLAPPED comm{};
    DWORD commMask = 0;
    bool commPending = false;  // a WaitCommEvent is outstanding on `comm`
    bool commRefused = false;  // the driver has no WaitCommEvent: poll instead
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(kReadSize);
    std::size_t buffered = 0;  // bytes of a completed read not yet handed out
    std::size_t taken = 0;
};

std::optional<std::string> ResolveComPort(std::string_view name, const std::string&) {
    // The system resolves COM names itself (under Wine through the prefix's dosdevices links).
    if (!ComPortNumber(name)) {
        return std::nullopt;
    }
    return std::string(name);
}

WakeEvent::WakeEvent() {
    HANDLE event = NewManualResetEvent();
    fd_ = event != nullptr ? win32::HandleToInt(event) : -1;
}

WakeEvent::~WakeEvent() {
    if (fd_ != -1) {
        CloseHandle(win32::IntToHandle(fd_));
    }
}

void WakeEvent::Raise() {
    if (fd_ != -1) {
        SetEvent(win32::IntToHandle(fd_));
    }
}

void WakeEvent::Clear() {
    if (fd_ != -1) {
        ResetEvent(win32::IntToHandle(fd_));
    }
}

SerialPort::~SerialPort() {
    Close();
}

bool SerialPort::Open(std::string_view name, const std::string& programFolder) {
    std::optional<std::string> path = ResolveComPort(name, programFolder);
    return path && OpenDevice(*path);
}

bool SerialPort::OpenDevice(const std::string& path) {
    Close();
    // Read and write, no sharing, an existing device, overlapped I/O.
    HANDLE handle = CreateFileW(win32::Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    auto io = std::make_shared<Overlapped>();
    io->readEvent = NewManualResetEvent();
    io->writeEvent = NewManualResetEvent();
    io->commEvent = NewManualResetEvent();
    io->timer = NewWaitTimer();
    if (io->readEvent == nullptr || io->writeEvent == nullptr || io->commEvent == nullptr ||
        io->timer == nullptr) {
        for (HANDLE h : {io->readEvent, io->writeEvent, io->commEvent, io->timer}) {
            if (h != nullptr) CloseHandle(h);
        }
        CloseHandle(handle);
        return false;
    }
    io->commRefused = !SetCommMask(handle, EV_RXCHAR);
    // Waits end on the scheduler's tick (15.6 ms) unless the timer runs finer; the 200 ms silence that ends
    // a frame must not grow by a tick, so the finer timer is held while a port is open.
    timeBeginPeriod(1);
    io_ = std::move(io);
    fd_ = win32::HandleToInt(handle);
    path_ = path;
    return true;
}

void SerialPort::Close() {
    if (fd_ == -1) {
        return;
    }
    HANDLE handle = win32::IntToHandle(fd_);
    CancelIoEx(handle, nullptr);
    if (io_->commPending) {
        DWORD ignored = 0;
        GetOverlappedResult(handle, &io_->comm, &ignored, TRUE);
    }
    CloseHandle(io_->readEvent);
    CloseHandle(io_->writeEvent);
    CloseHandle(io_->commEvent);
    CloseHandle(io_->timer);
    CloseHandle(handle);
    io_.reset();
    timeEndPeriod(1);
    fd_ = -1;
    path_.clear();
}

bool SerialPort::Configure(int baud, int dataBits, int stopBits, int parity) {
    if (fd_ == -1 || baud <= 0 || dataBits < 5 || dataBits > 8 || stopBits < 0 || stopBits > 2 ||
        parity < 0 || parity > 4) {
        return false;
    }
    HANDLE handle = win32::IntToHandle(fd_);
    // A read returns at once with what has arrived; a write may take 500 ms a byte plus 5 s.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = 0;
    timeouts.WriteTotalTimeoutMultiplier = 500;
    timeouts.WriteTotalTimeoutConstant = 5000;
    SetCommTimeouts(handle, &timeouts);
    // The line is made 8-bit clean whatever state the driver or another program left it in: no software or
    // hardware flow control (0x11 and 0x13 are data), no null stripping, no error character, no abort on a
    // line error; DTR and RTS held on for adapters and converters powered or switched by them.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    bool stateSet = false;
    if (GetCommState(handle, &dcb)) {
        dcb.BaudRate = static_cast<DWORD>(baud);
        dcb.ByteSize = static_cast<BYTE>(dataBits);
        dcb.StopBits = static_cast<BYTE>(stopBits);
        dcb.Parity = static_cast<BYTE>(parity);
        dcb.fBinary = 1;
        dcb.fParity = 0;
        dcb.fOutX = 0;
        dcb.fInX = 0;
        dcb.fNull = 0;
        dcb.fOutxCtsFlow = 0;
        dcb.fOutxDsrFlow = 0;
        dcb.fDsrSensitivity = 0;
        dcb.fErrorChar = 0;
        dcb.fAbortOnError = 0;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        stateSet = SetCommState(handle, &dcb) != 0;
    }
    const bool queuesSet = SetupComm(handle, kQueueSize, kQueueSize) != 0;
    // Setting the mask ends a wait for a character that is still outstanding.
    io_->commRefused = !SetCommMask(handle, EV_RXCHAR);
    if (io_->commPending) {
        DWORD ignored = 0;
        GetOverlappedResult(handle, &io_->comm, &ignored, TRUE);
        io_->commPending = false;
    }
    ResetEvent(io_->readEvent);
    ResetEvent(io_->writeEvent);
    io_->read = OVERLAPPED{};
    io_->write = OVERLAPPED{};
    return stateSet && queuesSet;
}

SerialPort::Wait SerialPort::WaitReadable(int timeoutMs, const WakeEvent* wake) {
    return WaitReadable(std::chrono::microseconds(std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0)),
                        wake);
}

SerialPort::Wait SerialPort::WaitReadable(std::chrono::microseconds timeout, const WakeEvent* wake) {
    if (fd_ == -1) {
        return Wait::Failed;
    }
    if (io_->taken < io_->buffered) {
        return Wait::Readable;
    }
    HANDLE handle = win32::IntToHandle(fd_);
    HANDLE wakeEvent =
        wake != nullptr && wake->Descriptor() != -1 ? win32::IntToHandle(wake->Descriptor()) : nullptr;
    // The wait ends on the timer, set to the microsecond; a zero time-out only reads what is there.
    const bool immediate = timeout.count() <= 0;
    if (!immediate) {
        LARGE_INTEGER due{};
        due.QuadPart = -static_cast<LONGLONG>(timeout.count()) * 10;  // relative, in 100 ns
        if (!SetWaitableTimer(io_->timer, &due, 0, nullptr, nullptr, FALSE)) {
            return Wait::Failed;
        }
    }
    auto timedOut = [&] { return immediate || WaitForSingleObject(io_->timer, 0) == WAIT_OBJECT_0; };
    // Waits for `event`, the wake event or the timer: 0 for `event`, 1 woken, 2 timed out, -1 failed.
    auto waitFor = [&](HANDLE event) {
        HANDLE events[3] = {event, io_->timer, wakeEvent};
        const DWORD count = wakeEvent != nullptr ? 3 : 2;
        const DWORD which = WaitForMultipleObjects(count, events, FALSE, immediate ? 0 : INFINITE);
        if (which == WAIT_OBJECT_0) return 0;
        if (which == WAIT_OBJECT_0 + 2) return 1;
        if (which == WAIT_OBJECT_0 + 1 || which == WAIT_TIMEOUT) return 2;
        return -1;
    };
    for (;;) {
        io_->buffered = 0;
        io_->taken = 0;
        ResetEvent(io_->readEvent);
        io_->read = OVERLAPPED{};
        io_->read.hEvent = io_->readEvent;
        DWORD got = 0;
        if (ReadFile(handle, io_->buffer.data(), static_cast<DWORD>(io_->buffer.size()), &got, &io_->read)) {
            if (got > 0) {
                io_->buffered = got;
                return Wait::Readable;
            }
            // Nothing has arrived and the read said so at once: wait for the driver to see a character.
            if (timedOut()) {
                return Wait::TimedOut;
            }
            if (!io_->commPending && !io_->commRefused) {
                ResetEvent(io_->commEvent);
                io_->comm = OVERLAPPED{};
                io_->comm.hEvent = io_->commEvent;
                if (WaitCommEvent(handle, &io_->commMask, &io_->comm)) {
                    continue;  // a character came meanwhile
                }
                if (GetLastError() == ERROR_IO_PENDING) {
                    io_->commPending = true;
                } else {
                    io_->commRefused = true;
                }
            }
            if (io_->commRefused) {
                // No way to wait for a character: look again shortly (or when woken).
                HANDLE events[2] = {io_->timer, wakeEvent};
                const DWORD which =
                    WaitForMultipleObjects(wakeEvent != nullptr ? 2 : 1, events, FALSE, kEmptyReadPollMs);
                if (which == WAIT_OBJECT_0 + 1) {
                    return Wait::Woken;
                }
                continue;
            }
            const int which = waitFor(io_->commEvent);
            if (which == 0) {
                DWORD ignored = 0;
                GetOverlappedResult(handle, &io_->comm, &ignored, FALSE);
                io_->commPending = false;
                continue;
            }
            // A wait for a character still outstanding is taken up by the next wait.
            return which == 1 ? Wait::Woken : which == 2 ? Wait::TimedOut : Wait::Failed;
        }
        if (GetLastError() != ERROR_IO_PENDING) {
            return Wait::Failed;
        }
        // Some drivers (and Wine) keep such a read pending until a byte arrives, whatever the time-outs say:
        // wait for it until the timer ends the wait, then cancel it, never block for ever.
        const int which = waitFor(io_->readEvent);
        if (which == 0) {
            if (!GetOverlappedResult(handle, &io_->read, &got, FALSE)) {
                return Wait::Failed;
            }
            if (got > 0) {
                io_->buffered = got;
                return Wait::Readable;
            }
            if (timedOut()) {
                return Wait::TimedOut;
            }
            continue;
        }
        CancelIoEx(handle, &io_->read);
        // Bytes that completed the read while it was being cancelled are kept.
        if (GetOverlappedResult(handle, &io_->read, &got, TRUE) && got > 0) {
            io_->buffered = got;
            return Wait::Readable;
        }
        return which == 1 ? Wait::Woken : which == 2 ? Wait::TimedOut : Wait::Failed;
    }
}

long SerialPort::ReadAvailable(std::uint8_t* buffer, std::size_t capacity) {
    if (fd_ == -1) {
        return -1;
    }
    if (io_->taken >= io_->buffered) {
        // Nothing waiting from a wait: one read that returns at once.
        Wait wait = WaitReadable(0, nullptr);
        if (wait == Wait::Failed) {
            return -1;
        }
        if (wait != Wait::Readable) {
            return 0;
        }
    }
    std::size_t n = io_->buffered - io_->taken;
    if (n > capacity) {
        n = capacity;
    }
    std::copy(io_->buffer.begin() + static_cast<long>(io_->taken),
              io_->buffer.begin() + static_cast<long>(io_->taken + n), buffer);
    io_->taken += n;
    return static_cast<long>(n);
}

bool SerialPort::Write(const std::uint8_t* data, std::size_t length, int timeoutMs) {
    if (fd_ == -1) {
        return false;
    }
    if (length == 0) {
        return true;
    }
    HANDLE handle = win32::IntToHandle(fd_);
    ResetEvent(io_->writeEvent);
    io_->write = OVERLAPPED{};
    io_->write.hEvent = io_->writeEvent;
    const DWORD size = static_cast<DWORD>(length);
    DWORD written = 0;
    if (WriteFile(handle, data, size, &written, &io_->write)) {
        return written == size;
    }
    if (GetLastError() != ERROR_IO_PENDING) {
        ClearErrors();
        return false;
    }
    if (WaitForSingleObject(io_->writeEvent, static_cast<DWORD>(timeoutMs > 0 ? timeoutMs : 0)) ==
        WAIT_OBJECT_0) {
        return GetOverlappedResult(handle, &io_->write, &written, FALSE) && written == size;
    }
    // Given up: the unsent rest must not run into the next frame.
    CancelIoEx(handle, &io_->write);
    GetOverlappedResult(handle, &io_->write, &written, TRUE);
    PurgeComm(handle, PURGE_TXABORT | PURGE_TXCLEAR);
    return false;
}

bool SerialPort::QueryLineSettings() const {
    if (fd_ == -1) {
        return false;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    return GetCommState(win32::IntToHandle(fd_), &dcb) != 0;
}

bool SerialPort::Purge(bool input, bool output) {
    if (fd_ == -1) {
        return false;
    }
    DWORD flags = 0;
    if (input) {
        flags |= PURGE_RXCLEAR;
        io_->buffered = 0;
        io_->taken = 0;
    }
    if (output) {
        flags |= PURGE_TXCLEAR;
    }
    return flags == 0 || PurgeComm(win32::IntToHandle(fd_), flags) != 0;
}

void SerialPort::ClearErrors() {
    if (fd_ == -1) {
        return;
    }
    DWORD errors = 0;
    COMSTAT status{};
    ClearCommError(win32::IntToHandle(fd_), &errors, &status);
}

}  // namespace platform
