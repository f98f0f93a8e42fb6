#include "platform/SerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/timerfd.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>

namespace platform {

namespace {

std::optional<speed_t> SpeedFor(int baud) {
    switch (baud) {
        case 110:
            return B110;
        case 300:
            return B300;
        case 600:
            return B600;
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        case 460800:
            return B460800;
        case 921600:
            return B921600;
        default:
            return std::nullopt;
    }
}

long long MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
        .count();
}

}  // namespace

std::optional<std::string> ResolveComPort(std::string_view name, const std::string& programFolder) {
    std::optional<int> number = ComPortNumber(name);
    if (!number) {
        return std::nullopt;
    }
    // The mapping link counts as soon as it exists, even when its target is gone: then the open fails instead
    // of silently reaching a different device.
    std::string link = programFolder + "/dosdevices/com" + std::to_string(*number);
    struct stat st {};
    if (!programFolder.empty() && lstat(link.c_str(), &st) == 0) {
        return link;
    }
    return "/dev/ttyS" + std::to_string(*number - 1);
}

WakeEvent::WakeEvent() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

WakeEvent::~WakeEvent() {
    if (fd_ >= 0) {
        close(fd_);
    }
}

void WakeEvent::Raise() {
    std::uint64_t one = 1;
    if (fd_ >= 0) {
        [[maybe_unused]] ssize_t n = write(fd_, &one, sizeof one);
    }
}

void WakeEvent::Clear() {
    std::uint64_t value = 0;
    if (fd_ >= 0) {
        [[maybe_unused]] ssize_t n = read(fd_, &value, sizeof value);
    }
}

SerialPort::~SerialPort() {
    Close();
}

bool SerialPort::Open(std::string_view name, const std::string& programFolder) {
    std::optional<std::string> path = ResolveComPort(name, programFolder);
    accessDenied_ = false;
    return path && OpenDevice(*path);
}

bool SerialPort::OpenDevice(const std::string& path) {
    Close();
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    accessDenied_ = fd < 0 && (errno == EACCES || errno == EPERM);
    if (fd < 0) {
        return false;
    }
    // Only terminal devices; exclusive like an unshared Windows handle (further opens get EBUSY).
    if (!isatty(fd) || ioctl(fd, TIOCEXCL) != 0) {
        close(fd);
        return false;
    }
    fd_ = fd;
    path_ = path;
    // Without it the precise wait falls back to the poll time-out.
    timer_ = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    return true;
}

void SerialPort::Close() {
    if (fd_ >= 0) {
        ioctl(fd_, TIOCNXCL);
        // Output still waiting for a stalled line would make close() wait for it to drain (up to the
        // driver's closing wait) while the caller holds the port lock: discard it first.
        tcflush(fd_, TCOFLUSH);
        close(fd_);
    }
    fd_ = -1;
    path_.clear();
    if (timer_ >= 0) {
        close(timer_);
    }
    timer_ = -1;
}

bool SerialPort::Configure(int baud, int dataBits, int stopBits, int parity) {
    if (fd_ < 0) {
        return false;
    }
    std::optional<speed_t> speed = SpeedFor(baud);
    if (!speed) {
        return false;
    }
    termios tio{};
    if (tcgetattr(fd_, &tio) != 0) {
        return false;
    }
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~(CRTSCTS | CSIZE | CSTOPB | PARENB | PARODD | CMSPAR);
    tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
    switch (dataBits) {
        case 5:
            tio.c_cflag |= CS5;
            break;
        case 6:
            tio.c_cflag |= CS6;
            break;
        case 7:
            tio.c_cflag |= CS7;
            break;
        case 8:
            tio.c_cflag |= CS8;
            break;
        default:
            return false;
    }
    // 1.5 stop bits exist only with 5 data bits and two only with more (the UART sets 1.5 for CSTOPB + CS5).
    switch (stopBits) {
        case kOneStopBit:
            break;
        case kOne5StopBits:
            if (dataBits != 5) return false;
            tio.c_cflag |= CSTOPB;
            break;
        case kTwoStopBits:
            if (dataBits == 5) return false;
            tio.c_cflag |= CSTOPB;
            break;
        default:
            return false;
    }
    // The parity bit is generated, not checked on input.
    switch (parity) {
        case kNoParity:
            break;
        case kOddParity:
            tio.c_cflag |= PARENB | PARODD;
            break;
        case kEvenParity:
            tio.c_cflag |= PARENB;
            break;
        case kMarkParity:
            tio.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case kSpaceParity:
            tio.c_cflag |= PARENB | CMSPAR;
            break;
        default:
            return false;
    }
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (cfsetispeed(&tio, *speed) != 0 || cfsetospeed(&tio, *speed) != 0) {
        return false;
    }
    return tcsetattr(fd_, TCSANOW, &tio) == 0;
}

SerialPort::Wait SerialPort::WaitReadable(int timeoutMs, const WakeEvent* wake) {
    return WaitReadable(std::chrono::microseconds(std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs)),
                        wake);
}

SerialPort::Wait SerialPort::WaitReadable(std::chrono::microseconds timeout, const WakeEvent* wake) {
    if (fd_ < 0) {
        return Wait::Failed;
    }
    const long long us = timeout.count() < 0 ? 0 : timeout.count();
    const timespec ts{static_cast<time_t>(us / 1000000), static_cast<long>(us % 1000000) * 1000L};
    // A relative timer armed now; an all-zero value would disarm it, so a zero wait is a plain poll.
    const itimerspec due{{0, 0}, ts};
    const bool timed = us > 0 && timer_ >= 0 && timerfd_settime(timer_, 0, &due, nullptr) == 0;
    pollfd fds[3] = {
        {fd_, POLLIN, 0}, {wake ? wake->Descriptor() : -1, POLLIN, 0}, {timed ? timer_ : -1, POLLIN, 0}};
    const timespec zero{0, 0};
    int n = ppoll(fds, 3, timed ? nullptr : (us > 0 ? &ts : &zero), nullptr);
    if (timed) {
        const itimerspec off{};
        timerfd_settime(timer_, 0, &off, nullptr);  // disarms and clears a pending expiry
    }
    if (n < 0) {
        return errno == EINTR ? Wait::TimedOut : Wait::Failed;
    }
    if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
        return Wait::Failed;
    }
    if (fds[0].revents & POLLIN) {
        return Wait::Readable;
    }
    if (wake && (fds[1].revents & POLLIN)) {
        return Wait::Woken;
    }
    return Wait::TimedOut;
}

long SerialPort::ReadAvailable(std::uint8_t* buffer, std::size_t capacity) {
    if (fd_ < 0 || buffer == nullptr) {
        return -1;
    }
    if (capacity == 0) {
        return 0;
    }
    ssize_t n = read(fd_, buffer, capacity);
    if (n >= 0) {
        return static_cast<long>(n);
    }
    return (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) ? 0 : -1;
}

bool SerialPort::Write(const std::uint8_t* data, std::size_t length, int timeoutMs) {
    if (fd_ < 0 || (data == nullptr && length > 0)) {
        return false;
    }
    auto start = std::chrono::steady_clock::now();
    std::size_t done = 0;
    while (done < length) {
        ssize_t n = write(fd_, data + done, length - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            break;
        }
        long long left = timeoutMs - MsSince(start);
        if (left <= 0) {
            break;
        }
        pollfd fd{fd_, POLLOUT, 0};
        int r = poll(&fd, 1, static_cast<int>(left));
        if (r < 0 && errno != EINTR) {
            break;
        }
        if (r > 0 && (fd.revents & (POLLERR | POLLHUP | POLLNVAL))) {
            break;
        }
    }
    if (done < length) {
        tcflush(fd_, TCOFLUSH);
        return false;
    }
    return true;
}

bool SerialPort::QueryLineSettings() const {
    termios tio{};
    return fd_ >= 0 && tcgetattr(fd_, &tio) == 0;
}

bool SerialPort::Purge(bool input, bool output) {
    if (fd_ < 0) {
        return false;
    }
    if (!input && !output) {
        return true;
    }
    return tcflush(fd_, input && output ? TCIOFLUSH : (input ? TCIFLUSH : TCOFLUSH)) == 0;
}

}  // namespace platform
