// End-to-end figures of the management thread against relay_sim on a pseudo-terminal: the poll cycle
// period, the process CPU while polling and while the port is missing. Prints medians.
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <thread>

#include "EngineSimSetup.h"
#include "engine/BlockTransfer.h"

using namespace std::chrono_literals;
using engine_it::Clock;

namespace {

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// CPU share of one core over `window`, measured `rounds` times.
double CpuShare(std::chrono::milliseconds window, int rounds) {
    std::vector<double> shares;
    for (int i = 0; i < rounds; ++i) {
        const double c0 = CpuSeconds();
        const auto t0 = Clock::now();
        std::this_thread::sleep_for(window);
        const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
        shares.push_back(100.0 * (CpuSeconds() - c0) / wall);
    }
    return Median(shares);
}

}  // namespace

int main() {
    {
        engine_it::EngineOnSim e;
        if (!e.sim.ok() || !e.Open()) {
            std::fprintf(stderr, "relay_sim not available\n");
            return 1;
        }
        engine::UploadParameters(e.ctx);
        e.thread->Start();
        std::this_thread::sleep_for(1500ms);
        const double cpu = CpuShare(2s, 5);
        const auto frames = e.recorder.Frames();
        std::vector<double> periods;
        Clock::time_point last{};
        for (const auto& f : frames) {
            if (!engine_it::EngineOnSim::IsPoll(f)) continue;
            if (last != Clock::time_point{})
                periods.push_back(std::chrono::duration<double, std::milli>(f.at - last).count());
            last = f.at;
        }
        std::printf("poll cycle period: median %.1f ms over %zu cycles (target <= 215 ms)\n", Median(periods),
                    periods.size());
        std::printf("CPU while polling: median %.2f %% of one core (target < 2 %%)\n", cpu);
    }
    {
        engine_it::EngineOnSim e;  // the port is never opened: passes follow each other every millisecond
        e.thread->Start();
        std::this_thread::sleep_for(500ms);
        const double cpu = CpuShare(2s, 5);
        std::printf("CPU while the port is missing: median %.2f %% of one core (target < 3 %%)\n", cpu);
    }
    {
        // The same without ComSer: what the engine's own passes cost.
        struct Missing : engine::Transport {
            bool TransportReady() override { return false; }
            bool SendFrame(const std::uint8_t*, int) override { return false; }
            bool FrameReady() override { return false; }
            std::size_t TakeFrame(std::uint8_t*, std::size_t) override { return 0; }
            bool OpenPort(int, int, int, int, int) override { return false; }
            bool ClosePort() override { return true; }
            bool RegisterWithCommServer(int) override { return false; }
        } missing;
        engine_it::EngineOnSim e;
        e.ctx.transport = &missing;
        e.thread->Start();
        std::this_thread::sleep_for(500ms);
        const double cpu = CpuShare(2s, 5);
        std::printf("  of which the engine's passes alone: median %.2f %% of one core\n", cpu);
    }
    return 0;
}
