// End-to-end figures of the serial transport over a pseudo-terminal:
//   1. frame delivery latency: from the last byte written by the "relay" until the frame is in the mailbox
//      (the silence gap of 200 ms plus the read thread's own delay);
//   2. CPU time of the read thread with an open, idle port.
// Usage: bench_serial [latency samples, default 25] [idle seconds, default 5]
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "SrcCom/ComSer.h"
#include "integration/SrcCom/PtyPair.h"

namespace {

double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    std::size_t n = v.size();
    return n == 0 ? 0.0 : (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

}  // namespace

int main(int argc, char** argv) {
    int samples = argc > 1 ? std::atoi(argv[1]) : 25;
    int idleSeconds = argc > 2 ? std::atoi(argv[2]) : 5;

    testing_pty::PtyPair pty;
    testing_pty::ProgramDir dir;
    if (!pty.Ok() || !dir.Map(1, pty.SlavePath())) {
        std::fprintf(stderr, "no pseudo-terminal\n");
        return 1;
    }
    com::ComSer com;
    com.SetProgramFolder(dir.Path());

    // Idle CPU with no port first (the thread only waits), then with an open idle port. The main thread
    // sleeps meanwhile, so the process's CPU time is the read thread's.
    auto idleCpu = [&](const char* what) {
        double cpu0 = ProcessCpuSeconds();
        auto t0 = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
        double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        double cpu = ProcessCpuSeconds() - cpu0;
        std::printf("idle CPU, %-14s: %.4f s CPU in %.2f s = %.3f %% of one core\n", what, cpu, wall,
                    100.0 * cpu / wall);
    };
    idleCpu("no port open");
    if (!com.OpenPort(1, com::kBaudRate, com::kDataBits, 0, 0)) {
        std::fprintf(stderr, "cannot open the port\n");
        return 1;
    }
    idleCpu("port open");

    const std::vector<std::uint8_t> reply{1, 3, 4, 0x00, 0x0A, 0x00, 0x0B, 0x5A, 0x3C};
    std::vector<double> over;
    std::uint8_t buffer[1024];
    for (int i = 0; i < samples; ++i) {
        pty.Write(reply);
        auto written = std::chrono::steady_clock::now();
        while (!com.FrameReady()) {
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        auto arrived = std::chrono::steady_clock::now();
        if (com.TakeFrame(buffer, sizeof buffer) != reply.size()) {
            std::fprintf(stderr, "frame %d has the wrong length\n", i);
            return 1;
        }
        over.push_back(std::chrono::duration<double, std::milli>(arrived - written).count() - 200.0);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::printf(
        "delivery latency after the last byte, %d frames: 200 ms + median %.2f ms (min %.2f, max %.2f)\n",
        samples, Median(over), *std::min_element(over.begin(), over.end()),
        *std::max_element(over.begin(), over.end()));
    return 0;
}
