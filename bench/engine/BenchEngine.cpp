// End-to-end figures of the management thread against relay_sim on a pseudo-terminal: the poll cycle
// period (on the bare pseudo-terminal and on a line paced at 9600 baud, beside that line's floor), the
// process CPU while polling, and the CPU of the passes while the port is missing beside a bare loop of the
// same 1 ms sleeps. Prints medians. Usage: bench_engine [runs of the pseudo-terminal figures, default 3]
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
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

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct PollingFigures {
    double period = 0;    // ms, from one poll request to the next
    double answered = 0;  // ms, from a poll request to its answer taken from the mailbox
    std::size_t cycles = 0;
    double cpu = 0;  // % of one core
    std::uint16_t askNumber = 0;
};

// The medians of the poll period and of the time a poll waits for its answer.
void PollPeriod(const engine_it::Recorder& recorder, PollingFigures& out) {
    std::vector<double> periods, answered;
    const auto frames = recorder.Frames();
    Clock::time_point last{};
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (!engine_it::Recorder::IsPoll(frames[i])) continue;
        if (last != Clock::time_point{}) periods.push_back(Ms(frames[i].at - last));
        last = frames[i].at;
        if (i + 1 < frames.size() && frames[i + 1].received) answered.push_back(Ms(frames[i + 1].at - last));
    }
    out.cycles = periods.size();
    out.period = Median(periods);
    out.answered = Median(answered);
}

// Polls relay_sim (started with `simArgs`) for a while; false when the simulator or the port is missing.
bool MeasurePolling(const std::vector<std::string>& simArgs, bool withCpu, PollingFigures& out) {
    engine_it::EngineOnSim e(simArgs);
    if (!e.sim.ok() || !e.Open()) return false;
    out.askNumber = e.yc->AskNumber;
    engine::UploadParameters(e.ctx);
    e.thread->Start();
    std::this_thread::sleep_for(1500ms);
    if (withCpu) {
        out.cpu = CpuShare(2s, 5);
    } else {
        std::this_thread::sleep_for(10s);
    }
    PollPeriod(e.recorder, out);
    return true;
}

// CPU of a thread that does nothing but the management thread's 1 ms sleep: what the cadence costs by itself.
double BareSleepLoopCpu() {
    engine::EngineState state;
    std::thread loop([&] {
        while (state.SleepMs(1)) {
        }
    });
    std::this_thread::sleep_for(500ms);
    const double cpu = CpuShare(2s, 5);
    state.RequestClose();
    loop.join();
    return cpu;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

    std::vector<double> periods, cpus;
    for (int run = 0; run < runs; ++run) {
        PollingFigures f;
        if (!MeasurePolling({}, true, f)) {
            std::fprintf(stderr, "relay_sim not available\n");
            return 1;
        }
        std::printf(
            "run %d: poll cycle period median %.2f ms over %zu cycles (answer taken %.2f ms after the "
            "request), "
            "CPU while polling %.2f %%\n",
            run + 1, f.period, f.cycles, f.answered, f.cpu);
        periods.push_back(f.period);
        cpus.push_back(f.cpu);
    }
    std::printf("poll cycle period on a pseudo-terminal: median of %d medians %.2f ms (target <= 201.5 ms)\n",
                runs, Median(periods));
    std::printf("CPU while polling: median of %d medians %.2f %% of one core (target < 0.5 %%)\n", runs,
                Median(cpus));

    {
        PollingFigures f;
        if (!MeasurePolling({"--pace-baud", "9600"}, false, f)) {
            std::fprintf(stderr, "relay_sim not available\n");
            return 1;
        }
        // 8N1: ten bit times a byte. The request is 8 bytes, the answer 5 + 2 x AskNumber.
        const double wireMs = (8.0 + 5.0 + 2.0 * f.askNumber) * 10.0 * 1000.0 / 9600.0;
        const double floorMs = wireMs + 200.0;
        // relay_sim paces only its answers: on the pseudo-terminal the request takes no wire time.
        const double answerFloorMs = (5.0 + 2.0 * f.askNumber) * 10.0 * 1000.0 / 9600.0 + 200.0;
        std::printf("poll cycle period at 9600 baud: median %.2f ms over %zu cycles\n", f.period, f.cycles);
        std::printf(
            "  on the wire %.2f ms, floor (wire + 200 ms) %.2f ms, above it %.2f ms (target <= 2 ms)\n",
            wireMs, floorMs, f.period - floorMs);
        std::printf("  above the floor of the paced answer alone (%.2f ms): %.2f ms\n", answerFloorMs,
                    f.period - answerFloorMs);
    }

    const double bare = BareSleepLoopCpu();
    std::printf("bare loop of 1 ms sleeps: median %.2f %% of one core\n", bare);
    {
        engine_it::EngineOnSim e;  // the port is never opened: passes follow each other every millisecond
        e.thread->Start();
        std::this_thread::sleep_for(500ms);
        const double cpu = CpuShare(2s, 5);
        std::printf(
            "CPU while the port is missing: median %.2f %% of one core, %.2f %% above the bare loop (target "
            "<= 0.5 %%)\n",
            cpu, cpu - bare);
    }
    {
        // The same without ComSer: what the engine's own passes cost.
        struct Missing : engine::Transport {
            bool TransportReady() override { return false; }
            bool SendFrame(const std::uint8_t*, int) override { return false; }
            bool FrameReady() override { return false; }
            void SetFrameListener(std::function<void()>) override {}
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
        std::printf(
            "  of which the engine's passes alone: median %.2f %% of one core, %.2f %% above the bare loop\n",
            cpu, cpu - bare);
    }
    return 0;
}
