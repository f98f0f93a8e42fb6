#pragma once
// The engine over the shipped sample configuration, with views that record what they are shown, from any
// thread. The transport is the caller's: the real ComSer on a pseudo-terminal or a COM port of Wine.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "config/TableLoader.h"
#include "engine/EngineContext.h"

namespace test {

class EngineRecorder : public engine::MainView, public engine::Monitor, public engine::MessageBoxes {
  public:
    using Clock = std::chrono::steady_clock;
    using Bytes = std::vector<std::uint8_t>;
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
    // Waits until `done` holds over the logs and frames, at most `timeout`.
    template <typename F>
    bool WaitFor(F done, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, timeout, [&] { return done(logs_, frames_); });
    }
    bool WaitForLog(const std::string& text, std::chrono::milliseconds timeout) {
        return WaitFor(
            [&](const std::vector<std::string>& logs, const std::vector<Frame>&) {
                return std::find(logs.begin(), logs.end(), text) != logs.end();
            },
            timeout);
    }

    // Frames sent with function 3 from register 0 to a relay's address: polls.
    static bool IsPoll(const Frame& f) {
        return !f.received && f.bytes.size() == 8 && f.bytes[1] == 3 && f.bytes[2] == 0 && f.bytes[3] == 0 &&
               f.bytes[0] != 0xFE;
    }
    static int CountPolls(const std::vector<Frame>& frames) {
        return static_cast<int>(std::count_if(frames.begin(), frames.end(), IsPoll));
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

// The four tables loaded from `ini`, their mutex, the engine state and a context that points at them. The
// caller wires the transport, the views and the settings file.
struct EngineTables {
    std::unique_ptr<config::YcTable> yc = std::make_unique<config::YcTable>();
    std::unique_ptr<config::YxTable> yx = std::make_unique<config::YxTable>();
    std::unique_ptr<config::ParamTable> param = std::make_unique<config::ParamTable>();
    std::unique_ptr<config::SettingTable> setting = std::make_unique<config::SettingTable>();
    std::mutex tablesMutex;
    engine::EngineState state;
    engine::EngineContext ctx;

    explicit EngineTables(const std::string& ini) {
        config::LoadYcTable(ini, *yc);
        config::LoadYxTable(ini, *yx);
        config::LoadParamTable(ini, *param);
        config::LoadSettingTable(ini, *setting);
        ctx.state = &state;
        ctx.yc = yc.get();
        ctx.yx = yx.get();
        ctx.param = param.get();
        ctx.setting = setting.get();
        ctx.tablesMutex = &tablesMutex;
    }
};

// The tables with the recorder as every view and as the log. The caller sets ctx.transport and
// ctx.basicSettingsPath.
struct EngineWiring : EngineTables {
    EngineRecorder recorder;

    explicit EngineWiring(const std::string& ini) : EngineTables(ini) {
        ctx.mainView = &recorder;
        ctx.monitor = &recorder;
        ctx.messageBoxes = &recorder;
        ctx.log = [this](const std::string& t) { recorder.Log(t); };
    }
};

}  // namespace test
