#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

int OpenRegularFile(const std::string& path, int flags, int mode) {
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, mode);
    if (fd < 0) return -1;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    const int status = ::fcntl(fd, F_GETFL);
    if (status >= 0) ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
    return fd;
}

FileRead ReadRegularFile(const std::string& path, std::size_t maxBytes, std::string& out) {
    out.clear();
    const int fd = OpenRegularFile(path, O_RDONLY);
    if (fd < 0) {
        if (errno == ENOENT) return FileRead::Missing;
        return errno == EINVAL ? FileRead::NotRegular : FileRead::Failed;
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && static_cast<unsigned long long>(info.st_size) > maxBytes) {
        ::close(fd);
        return FileRead::TooLarge;
    }
    // The size is only a hint (the file may grow meanwhile): the read itself stops one byte past the limit.
    char buffer[8192];
    FileRead result = FileRead::Ok;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            result = FileRead::Failed;
            break;
        }
        if (n == 0) break;
        if (out.size() + static_cast<std::size_t>(n) > maxBytes) {
            result = FileRead::TooLarge;
            break;
        }
        out.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (result != FileRead::Ok) out.clear();
    return result;
}

}  // namespace platform
