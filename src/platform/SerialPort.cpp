#include "platform/SerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
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

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

long long MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
        .count();
}

}  // namespace

std::string ComPortName(int port) {
    if (port < 1) {
        return {};
    }
    char name[32];
    std::snprintf(name, sizeof name, port > 9 ? "\\\\.\\COM%d" : "COM%d", port);
    return name;
}

std::optional<int> ComPortNumber(std::string_view name) {
    if (StartsWithNoCase(name, "\\\\.\\")) {
        name.remove_prefix(4);
    }
    if (!StartsWithNoCase(name, "COM")) {
        return std::nullopt;
    }
    name.remove_prefix(3);
    if (name.empty() || name.size() > 6) {
        return std::nullopt;
    }
    int number = 0;
    for (char c : name) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        number = number * 10 + (c - '0');
    }
    if (number < 1) {
        return std::nullopt;
    }
    return number;
}

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
    return path && OpenDevice(*path);
}

bool SerialPort::OpenDevice(const std::string& path) {
    Close();
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
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
    if (fd_ < 0) {
        return Wait::Failed;
    }
    pollfd fds[2] = {{fd_, POLLIN, 0}, {wake ? wake->Descriptor() : -1, POLLIN, 0}};
    int n = poll(fds, wake ? 2 : 1, timeoutMs < 0 ? 0 : timeoutMs);
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
