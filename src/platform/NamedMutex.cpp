#include "platform/NamedMutex.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace platform {
namespace {

// The name is held as a socket bound in the abstract namespace: the kernel releases it when the holder ends,
// however it ends, so no stale file can block or confuse a later start. The user id keeps sessions apart.
std::string AbstractName(const std::string& name) {
    std::uint64_t hash = 1469598103934665603ull;  // FNV-1a of the name's bytes keeps any name short and valid
    for (unsigned char c : name) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char text[64];
    std::snprintf(text, sizeof text, "varn-mutex-%u-%016llx", static_cast<unsigned>(getuid()),
                  static_cast<unsigned long long>(hash));
    return text;
}

}  // namespace

NamedMutex::~NamedMutex() {
    Release();
}

void NamedMutex::Release() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    alreadyExisted_ = false;
}

bool NamedMutex::Create(const std::string& name) {
    Release();
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string abstractName = AbstractName(name);
    // sun_path[0] stays 0: the abstract namespace.
    std::memcpy(address.sun_path + 1, abstractName.data(), abstractName.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + abstractName.size());
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0) {
        fd_ = fd;
        return true;
    }
    const int error = errno;
    close(fd);
    if (error == EADDRINUSE) {
        alreadyExisted_ = true;
        return true;
    }
    return false;
}

}  // namespace platform
