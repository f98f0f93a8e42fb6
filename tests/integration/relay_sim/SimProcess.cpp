#include "integration/relay_sim/SimProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <sstream>

#include "modbus/Crc16.h"

namespace relaysim_test {
namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t0) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

}  // namespace

std::string SampleIni() {
    return std::string(VARN_SOURCE_DIR) + "/program_folder/配置文件/VARN.ini";
}

Bytes WithCrc(Bytes body) {
    const std::uint16_t crc = modbus::Crc16(body.data(), body.size());
    body.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    body.push_back(static_cast<std::uint8_t>(crc >> 8));
    return body;
}

std::uint16_t RegisterOf(const Bytes& reply, std::size_t index) {
    if (reply.size() < 5 + 2 * index) return 0xFFFF;
    return static_cast<std::uint16_t>(reply[3 + 2 * index] << 8 | reply[4 + 2 * index]);
}

SimProcess::SimProcess(const std::vector<std::string>& args) {
    std::vector<std::string> all = {RELAY_SIM_PATH};
    bool hasIni = false;
    for (const auto& a : args) hasIni |= a == "--ini" || a == "--program-folder";
    if (!hasIni) {
        all.push_back("--ini");
        all.push_back(SampleIni());
    }
    all.insert(all.end(), args.begin(), args.end());

    int inPipe[2], outPipe[2];
    if (pipe2(inPipe, O_CLOEXEC) != 0 || pipe2(outPipe, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
        dup2(inPipe[0], STDIN_FILENO);
        dup2(outPipe[1], STDOUT_FILENO);
        std::vector<char*> argv;
        for (auto& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(inPipe[0]);
    close(outPipe[1]);
    in_ = inPipe[1];
    out_ = outPipe[0];
    const auto first = ReadLine(Ms(20000));  // loading the tables is slow under sanitizers
    if (!first || first->rfind("PTY ", 0) != 0) return;
    path_ = first->substr(4);
    const int fd = open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    tcsetattr(fd, TCSANOW, &t);
    fd_ = fd;
}

SimProcess::~SimProcess() {
    if (fd_ >= 0) close(fd_);
    if (in_ >= 0) close(in_);
    if (pid_ > 0) {
        // Closing stdin ends the simulator; a hung one is killed.
        for (int i = 0; i < 200; ++i) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                break;
            }
            usleep(10000);
        }
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    if (out_ >= 0) close(out_);
}

int SimProcess::Finish() {
    if (in_ >= 0) close(in_);
    in_ = -1;
    int status = 0;
    if (pid_ > 0 && waitpid(pid_, &status, 0) == pid_) pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::optional<std::string> SimProcess::ReadLine(Ms timeout) {
    const auto t0 = Clock::now();
    for (;;) {
        if (const auto eol = outBuffer_.find('\n'); eol != std::string::npos) {
            std::string line = outBuffer_.substr(0, eol);
            outBuffer_.erase(0, eol + 1);
            return line;
        }
        const int left = static_cast<int>(timeout.count() - MsSince(t0));
        if (left <= 0) return std::nullopt;
        pollfd p{out_, POLLIN, 0};
        if (poll(&p, 1, left) <= 0) continue;
        char buf[512];
        const ssize_t n = read(out_, buf, sizeof buf);
        if (n <= 0) return std::nullopt;
        outBuffer_.append(buf, static_cast<std::size_t>(n));
    }
}

std::string SimProcess::Command(const std::string& line) {
    const std::string l = line + "\n";
    if (write(in_, l.data(), l.size()) != static_cast<ssize_t>(l.size())) return {};
    return ReadLine(Ms(3000)).value_or("");
}

long SimProcess::Counter(const std::string& name) {
    std::istringstream in(Command("counters"));
    for (std::string w; in >> w;) {
        if (w.rfind(name + "=", 0) == 0) return std::atol(w.c_str() + name.size() + 1);
    }
    return -1;
}

void SimProcess::Send(const Bytes& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += static_cast<std::size_t>(n);
        else
            usleep(1000);
    }
}

Bytes SimProcess::Transact(const Bytes& request, Ms timeout, Ms quiet) {
    Send(request);
    Bytes reply;
    const auto t0 = Clock::now();
    auto last = t0;
    for (;;) {
        const double limit = reply.empty() ? static_cast<double>(timeout.count())
                                           : std::chrono::duration<double, std::milli>(last - t0).count() +
                                                 static_cast<double>(quiet.count());
        const int left = static_cast<int>(limit - MsSince(t0));
        if (left <= 0) return reply;
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, left) <= 0) continue;
        std::uint8_t buf[512];
        const ssize_t n = read(fd_, buf, sizeof buf);
        if (n > 0) {
            reply.insert(reply.end(), buf, buf + n);
            last = Clock::now();
        }
    }
}

std::vector<std::pair<double, Bytes>> SimProcess::Collect(Ms window) {
    std::vector<std::pair<double, Bytes>> got;
    const auto t0 = Clock::now();
    for (;;) {
        const int left = static_cast<int>(static_cast<double>(window.count()) - MsSince(t0));
        if (left <= 0) return got;
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, left) <= 0) continue;
        std::uint8_t buf[512];
        const ssize_t n = read(fd_, buf, sizeof buf);
        if (n > 0) got.emplace_back(MsSince(t0), Bytes(buf, buf + n));
    }
}

}  // namespace relaysim_test
