#include "platform/SiblingFile.h"

#include <atomic>
#include <cstdio>

namespace platform {

std::string NextSiblingTempPath(const std::string& target, std::uint32_t processId) {
    static std::atomic<std::uint32_t> counter{0};
    // Spread the process ids over the name, so that two processes rarely meet each other's names.
    const std::uint32_t unique = processId * 2654435761u + counter.fetch_add(1);
    char name[16];
    std::snprintf(name, sizeof name, "~%08x.tmp", static_cast<unsigned>(unique));
#ifdef _WIN32
    const std::size_t cut = target.find_last_of("/\\");
#else
    const std::size_t cut = target.rfind('/');
#endif
    return (cut == std::string::npos ? std::string() : target.substr(0, cut + 1)) + name;
}

}  // namespace platform
