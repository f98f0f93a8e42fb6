#include "relay_sim/Pty.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace relaysim {

Pty::~Pty() {
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
}

bool Pty::Open(bool raw, std::string& error) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    char name[256];
    if (::ptsname_r(master_, name, sizeof name) != 0) {
        error = std::string("ptsname: ") + std::strerror(errno);
        return false;
    }
    slavePath_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave_ < 0) {
        error = std::string("cannot open ") + name + ": " + std::strerror(errno);
        return false;
    }
    if (!raw) {
        const int flags = ::fcntl(master_, F_GETFL);
        ::fcntl(master_, F_SETFL, flags | O_NONBLOCK);
        return true;
    }
    termios t{};
    if (::tcgetattr(slave_, &t) != 0) {
        error = std::string("tcgetattr: ") + std::strerror(errno);
        return false;
    }
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    ::cfsetispeed(&t, B9600);
    ::cfsetospeed(&t, B9600);
    if (::tcsetattr(slave_, TCSANOW, &t) != 0) {
        error = std::string("tcsetattr: ") + std::strerror(errno);
        return false;
    }
    const int flags = ::fcntl(master_, F_GETFL);
    ::fcntl(master_, F_SETFL, flags | O_NONBLOCK);
    return true;
}

void Pty::Flush() {
    if (slave_ >= 0) ::tcflush(slave_, TCIOFLUSH);
    if (master_ >= 0) ::tcflush(master_, TCIOFLUSH);
}

std::string CreateComLink(const std::string& folder, int com, const std::string& target, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path dir = fs::path(folder) / "dosdevices";
    fs::create_directories(dir, ec);
    const fs::path link = dir / ("com" + std::to_string(com));
    if (fs::is_symlink(fs::symlink_status(link, ec))) fs::remove(link, ec);
    fs::create_symlink(target, link, ec);
    if (ec) {
        error = "cannot create " + link.string() + ": " + ec.message();
        return {};
    }
    return link.string();
}

void RemoveComLink(const std::string& link, const std::string& target) {
    if (link.empty()) return;
    std::error_code ec;
    const auto points = std::filesystem::read_symlink(link, ec);
    if (!ec && points == target) std::filesystem::remove(link, ec);
}

std::string ExecutableFolder() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : exe.parent_path().string();
}

}  // namespace relaysim
