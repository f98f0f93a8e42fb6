#include "platform/FileAppend.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/RegularFile.h"
#include "platform/SiblingFile.h"

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
    // The name is not followed and the open never waits: a link or a FIFO planted where a log goes is refused
    // like any other file that is not a regular one.
    int fd = OpenRegularFile(path, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW);
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
    std::string target = path;
    struct stat linkInfo {};
    if (::lstat(path.c_str(), &linkInfo) == 0 && S_ISLNK(linkInfo.st_mode)) {
        // Replace the file the link points to, not the link.
        if (char* resolved = ::realpath(path.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }
    // An existing file is opened (never truncated) to hold its lock while the new content is made ready, so
    // a file another holder has locked keeps its contents. Only a regular file is written.
    const int fd = OpenRegularFile(target, O_RDWR);
    if (fd < 0 && errno != ENOENT) {
        return false;
    }
    struct stat info {};
    if (fd >= 0 && (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(fd, &info) != 0)) {
        ::close(fd);
        return false;
    }
    // The new content goes completely into a sibling file first; only then does it take the file's place, so
    // a full disk or an I/O error leaves the old file as it was.
    std::string temp;
    int tempFd = -1;
    for (int attempt = 0; attempt < 100 && tempFd < 0; ++attempt) {
        temp = NextSiblingTempPath(target, static_cast<std::uint32_t>(::getpid()));
        tempFd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (tempFd < 0 && errno != EEXIST) {
            break;
        }
    }
    bool ok = false;
    if (tempFd >= 0) {
        ok = (fd < 0 || ::fchmod(tempFd, info.st_mode & 07777) == 0) && WriteAll(tempFd, bytes) &&
             ::fsync(tempFd) == 0;
        ok = (::close(tempFd) == 0) && ok;
        ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
        if (!ok) {
            ::unlink(temp.c_str());
        }
    } else if (fd >= 0 && (errno == EACCES || errno == EPERM)) {
        // A folder we may not create files in can still hold a file we may write: overwrite it in place.
        ok = ::lseek(fd, 0, SEEK_SET) == 0 && WriteAll(fd, bytes) &&
             ::ftruncate(fd, static_cast<off_t>(bytes.size())) == 0 && ::fsync(fd) == 0;
    }
    if (fd >= 0 && ::close(fd) != 0) {
        ok = false;
    }
    return ok;
}

}  // namespace platform
