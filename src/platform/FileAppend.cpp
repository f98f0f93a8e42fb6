#include "platform/FileAppend.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace platform {

namespace {

// Another process holds the lock only for the length of one write; anything longer is a stuck or foreign
// lock, and the entry is dropped from the file rather than stalling the caller (possibly the UI thread).
constexpr int kLockAttempts = 50;
constexpr long kLockRetryNs = 2'000'000;  // 2 ms, so at most about 100 ms in all

bool LockExclusive(int fd) {
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            return true;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            return false;
        }
        timespec pause{0, kLockRetryNs};
        ::nanosleep(&pause, nullptr);
    }
    return false;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

bool AppendFileLocked(const std::string& path, std::string_view bytes) {
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) {
        return false;
    }
    bool ok = false;
    if (LockExclusive(fd)) {
        struct stat before {};
        bool sized = ::fstat(fd, &before) == 0;
        ok = WriteAll(fd, bytes);
        if (!ok && sized) {
            // Take back our own half-written bytes (disk full) so the file keeps whole lines only.
            // Under the lock nobody else has appended since the size was read.
            (void)!::ftruncate(fd, before.st_size);
        }
        ::flock(fd, LOCK_UN);
    }
    ::close(fd);
    return ok;
}

bool WriteWholeFile(const std::string& path, std::string_view bytes) {
    // Opened without truncation first, so a file that someone else holds locked keeps its contents.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) {
        return false;
    }
    bool ok = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::ftruncate(fd, 0) == 0 && WriteAll(fd, bytes);
    if (::close(fd) != 0) {
        ok = false;
    }
    return ok;
}

}  // namespace platform
