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
// While a read that returns at once finds nothing, the wait for input looks again every millisecond.
constexpr DWORD kEmptyReadPollMs = 1;

using SteadyClock = std::chrono::steady_clock;

DWORD RemainingMs(SteadyClock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
    return left.count() > 0 ? static_cast<DWORD>(left.count()) : 0;
}

HANDLE NewManualResetEvent() {
    return CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

}  // namespace

struct SerialPort::Overlapped {
    HANDLE readEvent = nullptr;
    HANDLE writeEvent = nullptr;
    OVERLAPPED read{};
    OVERLAPPED write{};
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
    if (io->readEvent == nullptr || io->writeEvent == nullptr) {
        if (io->readEvent != nullptr) CloseHandle(io->readEvent);
        if (io->writeEvent != nullptr) CloseHandle(io->writeEvent);
        CloseHandle(handle);
        return false;
    }
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
    CancelIo(handle);
    CloseHandle(io_->readEvent);
    CloseHandle(io_->writeEvent);
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
    ResetEvent(io_->readEvent);
    ResetEvent(io_->writeEvent);
    io_->read = OVERLAPPED{};
    io_->write = OVERLAPPED{};
    return stateSet && queuesSet;
}

SerialPort::Wait SerialPort::WaitReadable(std::chrono::microseconds timeout, const WakeEvent* wake) {
    // The waits below count whole milliseconds at the raised timer resolution; rounding up never ends a
    // silence early.
    const auto ms = (timeout.count() + 999) / 1000;
    return WaitReadable(static_cast<int>(ms < 0 ? 0 : ms), wake);
}

SerialPort::Wait SerialPort::WaitReadable(int timeoutMs, const WakeEvent* wake) {
    if (fd_ == -1) {
        return Wait::Failed;
    }
    if (io_->taken < io_->buffered) {
        return Wait::Readable;
    }
    HANDLE handle = win32::IntToHandle(fd_);
    HANDLE wakeEvent =
        wake != nullptr && wake->Descriptor() != -1 ? win32::IntToHandle(wake->Descriptor()) : nullptr;
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0);
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
            // Nothing has arrived and the read said so at once: look again shortly (or when woken).
            const DWORD left = RemainingMs(deadline);
            if (left == 0) {
                return Wait::TimedOut;
            }
            if (wakeEvent != nullptr &&
                WaitForSingleObject(wakeEvent, left < kEmptyReadPollMs ? left : kEmptyReadPollMs) ==
                    WAIT_OBJECT_0) {
                return Wait::Woken;
            }
            if (wakeEvent == nullptr) {
                Sleep(kEmptyReadPollMs);
            }
            continue;
        }
        if (GetLastError() != ERROR_IO_PENDING) {
            return Wait::Failed;
        }
        // Some drivers (and Wine) keep such a read pending until a byte arrives, whatever the time-outs say:
        // wait for it with a limit, then cancel it, never block for ever.
        HANDLE events[2] = {io_->readEvent, wakeEvent};
        const DWORD count = wakeEvent != nullptr ? 2 : 1;
        const DWORD which = WaitForMultipleObjects(count, events, FALSE, RemainingMs(deadline));
        if (which == WAIT_OBJECT_0) {
            if (!GetOverlappedResult(handle, &io_->read, &got, FALSE)) {
                return Wait::Failed;
            }
            if (got > 0) {
                io_->buffered = got;
                return Wait::Readable;
            }
            if (RemainingMs(deadline) == 0) {
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
        if (which == WAIT_OBJECT_0 + 1) {
            return Wait::Woken;
        }
        return which == WAIT_TIMEOUT ? Wait::TimedOut : Wait::Failed;
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
