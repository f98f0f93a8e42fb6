#pragma once
// Shared pieces of the fuzz targets: an in-memory file reachable by path, and the sample configuration.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace fuzz {

// A regular file that lives in memory, reachable as /proc/self/fd/N, refilled for each input.
class MemoryFile {
  public:
    MemoryFile() : fd_(::memfd_create("varn-fuzz", MFD_CLOEXEC)) {
        if (fd_ < 0) std::abort();
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    }
    const std::string& Path() const { return path_; }
    void Fill(const std::uint8_t* data, std::size_t size) {
        if (::ftruncate(fd_, 0) != 0) std::abort();
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
            if (n <= 0) std::abort();
            done += static_cast<std::size_t>(n);
        }
    }

  private:
    int fd_;
    std::string path_;
};

// A private folder for targets that need real file names (a rename over a file, a workbook path).
inline const std::string& ScratchFolder() {
    static const std::string folder = [] {
        // In memory where there is a tmpfs: a write's fsync then costs nothing.
        std::string pattern =
            ::access("/dev/shm", W_OK) == 0 ? "/dev/shm/varn-fuzz-XXXXXX" : "/tmp/varn-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        return pattern;
    }();
    return folder;
}

}  // namespace fuzz
