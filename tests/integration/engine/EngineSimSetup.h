#pragma once
// The engine with the real ComSer against relay_sim on a pseudo-terminal reached as COM7 of a temporary
// program folder, over the shipped sample configuration. Views record what they are shown, from any thread.
#include <stdlib.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "SrcCom/ComSer.h"
#include "config/TableLoader.h"
#include "engine/ComSerTransport.h"
#include "engine/EngineContext.h"
#include "engine/ManagementThread.h"
#include "integration/relay_sim/SimProcess.h"

namespace engine_it {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

class Recorder : public engine::MainView, public engine::Monitor, public engine::MessageBoxes {
  public:
    struct Frame {
        Clock::time_point at;
        Bytes bytes;
        bool received;
    };
    bool yes = false;

    void ShowPcTime(const std::string&) override {}
    void ShowDeviceTime(const std::string& t) override { Add(deviceTimes_, t); }
    void ShowDeviceModel(const std::string&) override {}
    void ShowDeviceVersion(const std::string&) override {}
    void ShowYcValue(int, const std::string&) override {}
    void ShowYxState(int, const std::string&) override {}
    void ShowAddress(const std::string& t) override { Add(addresses_, t); }
    void SetTitle(const std::string&) override {}
    bool MonitorCreated() const override { return true; }
    void ShowMonitorFrame(const std::uint8_t* b, std::size_t n, bool received) override {
        std::lock_guard lock(mutex_);
        frames_.push_back({Clock::now(), Bytes(b, b + n), received});
        cv_.notify_all();
    }
    bool AskOkCancel(const std::string&) override { return yes; }
    bool AskYesNo(const std::string&) override { return yes; }
    void Inform(const std::string&) override {}

    void Log(const std::string& t) { Add(logs_, t); }

    std::vector<std::string> Logs() const {
        std::lock_guard lock(mutex_);
        return logs_;
    }
    std::vector<Frame> Frames() const {
        std::lock_guard lock(mutex_);
        return frames_;
    }
    // Waits until `done` holds over the recorder, at most `timeout`.
    template <typename F>
    bool WaitFor(F done, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, timeout, [&] { return done(logs_, frames_); });
    }

  private:
    void Add(std::vector<std::string>& to, const std::string& t) {
        std::lock_guard lock(mutex_);
        to.push_back(t);
        cv_.notify_all();
    }
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<std::string> logs_, deviceTimes_, addresses_;
    std::vector<Frame> frames_;
};

struct EngineOnSim {
    static constexpr int kPort = 7;
    relaysim_test::SimProcess sim;
    std::string folder;
    std::unique_ptr<config::YcTable> yc = std::make_unique<config::YcTable>();
    std::unique_ptr<config::YxTable> yx = std::make_unique<config::YxTable>();
    std::unique_ptr<config::ParamTable> param = std::make_unique<config::ParamTable>();
    std::unique_ptr<config::SettingTable> setting = std::make_unique<config::SettingTable>();
    std::mutex tablesMutex;
    com::ComSer comSer;
    engine::ComSerTransport transport{comSer};
    engine::EngineState state;
    Recorder recorder;
    engine::EngineContext ctx;
    std::unique_ptr<engine::ManagementThread> thread;

    // `simArgs`: extra relay_sim options (for example a paced line).
    explicit EngineOnSim(const std::vector<std::string>& simArgs = {}) : sim(simArgs) {
        char tmpl[] = "/tmp/engine-it-XXXXXX";
        folder = mkdtemp(tmpl);
        std::filesystem::create_directories(folder + "/dosdevices");
        std::filesystem::create_symlink(sim.path(), folder + "/dosdevices/com" + std::to_string(kPort));
        comSer.SetProgramFolder(folder);
        const std::string ini = relaysim_test::SampleIni();
        config::LoadYcTable(ini, *yc);
        config::LoadYxTable(ini, *yx);
        config::LoadParamTable(ini, *param);
        config::LoadSettingTable(ini, *setting);
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
        ctx.basicSettingsPath = folder + "/基本配置.ini";
        ctx.log = [this](const std::string& t) { recorder.Log(t); };
        thread = std::make_unique<engine::ManagementThread>(ctx);
    }
    ~EngineOnSim() {
        thread.reset();
        std::filesystem::remove_all(folder);
    }

    bool Open() { return comSer.OpenPort(kPort, com::kBaudRate, com::kDataBits, 0, 0); }

    // Frames sent with function 3 from register 0: polls.
    static bool IsPoll(const Recorder::Frame& f) {
        return !f.received && f.bytes.size() == 8 && f.bytes[1] == 3 && f.bytes[2] == 0 && f.bytes[3] == 0 &&
               f.bytes[0] != 0xFE;
    }
};

}  // namespace engine_it
