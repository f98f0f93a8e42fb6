// relay_sim: a VARN relay on a pseudo-terminal. One thread, one poll() loop: bytes from the host are cut into
// requests, answered by the relay model, and sent back shaped by the fault options; stdin carries the control
// commands.
#include <poll.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "platform/ProgramFolder.h"
#include "relay_sim/ControlChannel.h"
#include "relay_sim/Layout.h"
#include "relay_sim/Options.h"
#include "relay_sim/Pty.h"
#include "relay_sim/Relay.h"
#include "relay_sim/ReplyShaper.h"
#include "relay_sim/RequestCutter.h"

namespace {

volatile sig_atomic_t g_stop = 0;

void OnSignal(int) {
    g_stop = 1;
}

std::uint64_t MonotonicUs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000u;
}

platform::LocalTime HostLocalTime() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm t{};
    localtime_r(&ts.tv_sec, &t);
    platform::LocalTime l;
    l.year = t.tm_year + 1900;
    l.month = t.tm_mon + 1;
    l.day = t.tm_mday;
    l.hour = t.tm_hour;
    l.minute = t.tm_min;
    l.second = t.tm_sec > 59 ? 59 : t.tm_sec;  // a leap second is not a clock value the relay can hold
    l.millisecond = static_cast<int>(ts.tv_nsec / 1000000);
    l.dayOfWeek = t.tm_wday;
    return l;
}

// Appends `request` to the frame log as one line of upper-case hex bytes separated by blanks, flushed at once
// so that a reader sees every request before its answer is sent.
// `atMs` < 0: without a time.
void LogRequest(std::FILE* log, const std::vector<std::uint8_t>& request, double atMs) {
    if (log == nullptr) return;
    if (atMs >= 0) std::fprintf(log, "@%.1f ", atMs);
    for (std::size_t i = 0; i < request.size(); ++i) std::fprintf(log, i == 0 ? "%02X" : " %02X", request[i]);
    std::fputc('\n', log);
    std::fflush(log);
}

// An event-record request (function 17) for the records from `first` on.
bool IsEventRequestFor(const std::vector<std::uint8_t>& request, unsigned first) {
    return request.size() >= 4 && request[1] == 17 && request[2] * 256u + request[3] == first;
}

void WriteLine(const std::string& line) {
    std::cout << line << '\n';
    std::cout.flush();
}

}  // namespace

int main(int argc, char** argv) {
    using namespace relaysim;
    std::string error;
    const auto parsed = ParseOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!parsed) {
        std::cerr << "relay_sim: " << error << "\n(try --help)\n";
        return 2;
    }
    Options opt = *parsed;
    if (opt.help) {
        std::cout << HelpText();
        return 0;
    }
    // The host program's folder: an installed simulator reaches the user's own, as the installed program
    // does.
    if (opt.programFolder.empty()) opt.programFolder = platform::ProgramFolderFor(ExecutableFolder());
    if (opt.iniPath.empty()) opt.iniPath = opt.programFolder + "/配置文件/VARN.ini";
    auto layout = LoadLayout(opt.iniPath);
    if (!layout) {
        std::cerr << "relay_sim: cannot read " << opt.iniPath << "\n";
        return 2;
    }

    const std::uint64_t startUs = MonotonicUs();
    auto now = [&] { return Now{HostLocalTime(), static_cast<double>(MonotonicUs() - startUs) / 1e6}; };
    Relay relay(std::move(*layout), opt.relay, now());
    ReplyShaper shaper(opt.faults);
    RequestCutter cutter;

    std::FILE* frameLog = nullptr;
    if (!opt.frameLog.empty() && (frameLog = std::fopen(opt.frameLog.c_str(), "a")) == nullptr) {
        std::cerr << "relay_sim: cannot open " << opt.frameLog << "\n";
        return 1;
    }

    Pty pty;
    if (!pty.Open(!opt.terminalDefaults, error)) {
        std::cerr << "relay_sim: " << error << "\n";
        return 1;
    }
    std::string link;
    if (opt.com > 0) {
        link = CreateComLink(opt.programFolder, opt.com, pty.slavePath(), error);
        if (link.empty()) {
            std::cerr << "relay_sim: " << error << "\n";
            return 1;
        }
    }

    // Signals only interrupt ppoll, so the flag is never missed between its test and the wait.
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
    sigset_t blocked, waitMask;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGINT);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGHUP);
    sigprocmask(SIG_BLOCK, &blocked, &waitMask);
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGTERM);
    sigdelset(&waitMask, SIGHUP);

    WriteLine("PTY " + pty.slavePath());
    std::cerr << "relay_sim: address " << unsigned{relay.address()} << ", " << relay.layout().yc.size()
              << " telemetry points, " << relay.layout().yx.size() << " telesignals, parameters "
              << relay.layout().paramStart << "+" << relay.layout().params.size() << ", settings "
              << relay.layout().settingStart << "+" << relay.layout().settings.size() << "\n";

    std::deque<Chunk> tx;
    // The event-record reply held back by --hold-event-reply, once its request came.
    std::optional<Frame> held;
    bool holdDone = !opt.holdEventReply.has_value();
    std::string stdinLine;
    bool stdinOpen = true;
    bool quit = false;
    std::vector<std::uint8_t> buf(4096);

    while (!quit && g_stop == 0) {
        const std::uint64_t nowUs = MonotonicUs();
        // Send what is due.
        while (!tx.empty() && tx.front().dueUs <= nowUs) {
            Chunk& c = tx.front();
            const ssize_t n = ::write(pty.master(), c.bytes.data(), c.bytes.size());
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) break;
            if (n < 0 || static_cast<std::size_t>(n) == c.bytes.size()) {
                tx.pop_front();
            } else {
                c.bytes.erase(c.bytes.begin(), c.bytes.begin() + n);
                break;
            }
        }

        int timeoutMs = -1;
        auto consider = [&](std::uint64_t ms) {
            if (timeoutMs < 0 || ms < static_cast<std::uint64_t>(timeoutMs)) timeoutMs = static_cast<int>(ms);
        };
        if (const auto s = cutter.MsUntilSilence(nowUs / 1000)) consider(*s + 1);
        bool waitWritable = false;
        if (!tx.empty()) {
            if (tx.front().dueUs <= nowUs)
                waitWritable = true;
            else
                consider((tx.front().dueUs - nowUs + 999) / 1000);
        }

        pollfd fds[2] = {{pty.master(), static_cast<short>(POLLIN | (waitWritable ? POLLOUT : 0)), 0},
                         {stdinOpen ? STDIN_FILENO : -1, POLLIN, 0}};
        timespec ts{timeoutMs / 1000, (timeoutMs % 1000) * 1000000L};
        const int r = ::ppoll(fds, 2, timeoutMs < 0 ? nullptr : &ts, &waitMask);
        if (r < 0 && errno != EINTR) {
            std::cerr << "relay_sim: poll: " << std::strerror(errno) << "\n";
            break;
        }
        const std::uint64_t afterUs = MonotonicUs();

        if (r > 0 && (fds[0].revents & POLLIN)) {
            const ssize_t n = ::read(pty.master(), buf.data(), buf.size());
            if (n > 0) cutter.Feed(buf.data(), static_cast<std::size_t>(n), afterUs / 1000);
        }
        cutter.Tick(afterUs / 1000);
        while (auto req = cutter.TakeRequest()) {
            LogRequest(frameLog, *req,
                       opt.frameLogTimes ? static_cast<double>(afterUs - startUs) / 1000.0 : -1.0);
            if (auto reply = relay.Handle(*req, now())) {
                if (!holdDone && IsEventRequestFor(*req, *opt.holdEventReply)) {
                    held = std::move(*reply);
                    holdDone = true;
                    continue;
                }
                for (Chunk& c : shaper.Shape(std::move(*reply), afterUs)) tx.push_back(std::move(c));
            }
        }

        if (r > 0 && stdinOpen && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) {
            char in[1024];
            const ssize_t n = ::read(STDIN_FILENO, in, sizeof in);
            if (n <= 0) {
                stdinOpen = false;
                if (!opt.keepRunning) quit = true;
            } else {
                stdinLine.append(in, static_cast<std::size_t>(n));
                for (std::size_t eol; (eol = stdinLine.find('\n')) != std::string::npos;) {
                    std::string line = stdinLine.substr(0, eol);
                    stdinLine.erase(0, eol + 1);
                    if (!line.empty() && line.back() == '\r') line.pop_back();
                    if (line.find_first_not_of(" \t") == std::string::npos) continue;
                    ControlResult res = ExecuteControl(line, relay, shaper, now());
                    if (res.flush) {
                        pty.Flush();
                        tx.clear();
                    }
                    if (res.release) {
                        if (held) {
                            for (Chunk& c : shaper.Shape(std::move(*held), MonotonicUs()))
                                tx.push_back(std::move(c));
                            held.reset();
                        } else {
                            res.reply = "ERR no reply held";
                        }
                    }
                    WriteLine(res.reply);
                    if (res.quit) quit = true;
                }
            }
        }
    }

    RemoveComLink(link, pty.slavePath());
    if (frameLog != nullptr) std::fclose(frameLog);
    return 0;
}
