#pragma once
// A pseudo-terminal pair for tests: the test holds the master side and plays the relay; the slave side is
// reached through a `dosdevices/comN` link in a temporary program folder, as a real adapter would be.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_pty {

class PtyPair {
  public:
    PtyPair() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0) {
            char name[128] = {};
            if (ptsname_r(master_, name, sizeof name) == 0) {
                slavePath_ = name;
            }
            termios tio{};
            tcgetattr(master_, &tio);
            cfmakeraw(&tio);
            tcsetattr(master_, TCSANOW, &tio);
        }
    }
    ~PtyPair() { CloseMaster(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ok() const { return master_ >= 0 && !slavePath_.empty(); }
    int Master() const { return master_; }
    const std::string& SlavePath() const { return slavePath_; }
    void CloseMaster() {
        if (master_ >= 0) {
            close(master_);
        }
        master_ = -1;
    }

    bool Write(const std::vector<std::uint8_t>& bytes) const {
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else {
                pollfd p{master_, POLLOUT, 0};
                if (poll(&p, 1, 1000) <= 0) {
                    return false;
                }
            }
        }
        return true;
    }

    // Reads until `count` bytes arrived or `timeoutMs` passed.
    std::vector<std::uint8_t> Read(std::size_t count, int timeoutMs) const {
        std::vector<std::uint8_t> out;
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (out.size() < count) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                break;
            }
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0) {
                break;
            }
            std::uint8_t buf[4096];
            ssize_t n = read(master_, buf, std::min(sizeof buf, count - out.size()));
            if (n <= 0) {
                break;
            }
            out.insert(out.end(), buf, buf + n);
        }
        return out;
    }

    // Discards whatever is waiting on the master side.
    std::size_t Drain() const {
        std::size_t total = 0;
        std::uint8_t buf[4096];
        ssize_t n;
        while ((n = read(master_, buf, sizeof buf)) > 0) {
            total += static_cast<std::size_t>(n);
        }
        return total;
    }

  private:
    int master_ = -1;
    std::string slavePath_;
};

// A temporary program folder with a `dosdevices` folder in it.
class ProgramDir {
  public:
    ProgramDir() {
        char tmpl[] = "/tmp/varn-serial-XXXXXX";
        if (mkdtemp(tmpl) != nullptr) {
            path_ = tmpl;
            std::filesystem::create_directory(path_ + "/dosdevices");
        }
    }
    ~ProgramDir() {
        std::error_code ec;
        if (!path_.empty()) {
            std::filesystem::remove_all(path_, ec);
        }
    }
    ProgramDir(const ProgramDir&) = delete;
    ProgramDir& operator=(const ProgramDir&) = delete;

    const std::string& Path() const { return path_; }
    // Points `dosdevices/com<port>` at `target`, replacing an earlier link.
    bool Map(int port, const std::string& target) const {
        std::string link = path_ + "/dosdevices/com" + std::to_string(port);
        unlink(link.c_str());
        return symlink(target.c_str(), link.c_str()) == 0;
    }

  private:
    std::string path_;
};

}  // namespace testing_pty
