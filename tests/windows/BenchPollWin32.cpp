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
#include "config/TableLoader.h"
#include "engine/BlockTransfer.h"
#include "engine/ComSerTransport.h"
#include "engine/EngineContext.h"
#include "engine/ManagementThread.h"

namespace {

using Clock = std::chrono::steady_clock;

class Recorder : public engine::MainView, public engine::Monitor, public engine::MessageBoxes {
  public:
    void ShowPcTime(const std::string&) override {}
    void ShowDeviceTime(const std::string&) override {}
    void ShowDeviceModel(const std::string&) override {}
    void ShowDeviceVersion(const std::string&) override {}
    void ShowYcValue(int, const std::string&) override {}
    void ShowYxState(int, const std::string&) override {}
    void ShowAddress(const std::string&) override {}
    void SetTitle(const std::string&) override {}
    bool MonitorCreated() const override { return true; }
    void ShowMonitorFrame(const std::uint8_t* b, std::size_t n, bool received) override {
        std::lock_guard lock(mutex_);
        const bool poll = !received && n == 8 && b[1] == 3 && b[2] == 0 && b[3] == 0;
        frames_.push_back({Clock::now(), poll, received});
    }
    bool AskOkCancel(const std::string&) override { return true; }
    bool AskYesNo(const std::string&) override { return true; }
    void Inform(const std::string&) override {}

    struct Frame {
        Clock::time_point at;
        bool poll;
        bool received;
    };
    std::vector<Frame> Frames() {
        std::lock_guard lock(mutex_);
        return frames_;
    }

  private:
    std::mutex mutex_;
    std::vector<Frame> frames_;
};

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
    const std::string ini = wintest::ProgramDir() + "/配置文件/VARN.ini";
    auto yc = std::make_unique<config::YcTable>();
    auto yx = std::make_unique<config::YxTable>();
    auto param = std::make_unique<config::ParamTable>();
    auto setting = std::make_unique<config::SettingTable>();
    config::LoadYcTable(ini, *yc);
    config::LoadYxTable(ini, *yx);
    config::LoadParamTable(ini, *param);
    config::LoadSettingTable(ini, *setting);
    std::mutex tablesMutex;
    com::ComSer comSer;
    engine::ComSerTransport transport{comSer};
    engine::EngineState state;
    Recorder recorder;
    engine::EngineContext ctx;
    ctx.state = &state;
    ctx.transport = &transport;
    ctx.mainView = &recorder;
    ctx.monitor = &recorder;
    ctx.messageBoxes = &recorder;
    ctx.yc = yc.get();
    ctx.yx = yx.get();
    ctx.param = param.get();
    ctx.setting = setting.get();
    ctx.tablesMutex = &tablesMutex;
    ctx.basicSettingsPath = wintest::ExecutableFolder() + "/bench-basic.ini";
    ctx.log = [](const std::string&) {};
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
        if (!frames[i].poll) continue;
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
