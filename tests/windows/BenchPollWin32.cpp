// The poll cycle period of the Windows build: the management thread with ComSer against the relay simulator
// on the COM port the test script maps (VARN_WINE_COM_PORT, default 5). Prints the medians, as bench_engine
// does on Linux. Usage: bench_engine_win32 [runs, default 3]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "SrcCom/ComSer.h"
#include "WinTestSupport.h"
#include "engine/BlockTransfer.h"
#include "engine/ComSerTransport.h"
#include "engine/EngineContext.h"
#include "engine/ManagementThread.h"
#include "support/EngineRecorder.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Polls for `seconds`; gives the median poll period and the median wait of a poll for its answer (ms).
bool Measure(int port, int seconds, double& period, double& answered, std::size_t& cycles) {
    test::EngineWiring wiring(wintest::ProgramDir() + "/配置文件/VARN.ini");
    com::ComSer comSer;
    engine::ComSerTransport transport{comSer};
    engine::EngineContext& ctx = wiring.ctx;
    ctx.transport = &transport;
    ctx.basicSettingsPath = wintest::ExecutableFolder() + "/bench-basic.ini";
    ctx.log = [](const std::string&) {};
    test::EngineRecorder& recorder = wiring.recorder;
    engine::ManagementThread thread(ctx);
    if (!comSer.OpenPort(port, com::kBaudRate, com::kDataBits, 0, 0)) return false;
    engine::UploadParameters(ctx);
    thread.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    const std::size_t skip = recorder.Frames().size();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    thread.RequestStop();
    thread.Join();
    std::remove((wintest::ExecutableFolder() + "/bench-basic.ini").c_str());
    const auto frames = recorder.Frames();
    std::vector<double> periods, waits;
    Clock::time_point last{};
    for (std::size_t i = skip; i < frames.size(); ++i) {
        if (!test::EngineRecorder::IsPoll(frames[i])) continue;
        if (last != Clock::time_point{}) periods.push_back(Ms(frames[i].at - last));
        last = frames[i].at;
        if (i + 1 < frames.size() && frames[i + 1].received) waits.push_back(Ms(frames[i + 1].at - last));
    }
    period = Median(periods);
    answered = Median(waits);
    cycles = periods.size();
    return cycles > 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const int port = wintest::RelayComPort().value_or(5);
    std::vector<double> periods;
    for (int run = 0; run < runs; ++run) {
        double period = 0, answered = 0;
        std::size_t cycles = 0;
        if (!Measure(port, 10, period, answered, cycles)) {
            std::fprintf(stderr, "no relay on COM%d\n", port);
            return 1;
        }
        std::printf(
            "run %d: poll cycle period median %.2f ms over %zu cycles (answer taken %.2f ms after the "
            "request)\n",
            run + 1, period, cycles, answered);
        periods.push_back(period);
    }
    std::printf("poll cycle period on COM%d: median of %d medians %.2f ms\n", port, runs, Median(periods));
    return 0;
}
