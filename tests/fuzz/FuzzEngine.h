#pragma once
// An engine over the shipped sample configuration with a transport, views and sinks that do nothing, so the
// handlers of relay answers can run on any bytes.
#include <memory>
#include <mutex>
#include <string>

#include "config/TableLoader.h"
#include "engine/EngineContext.h"
#include "engine/EngineInterfaces.h"
#include "engine/EngineState.h"
#include "engine/MainView.h"

namespace fuzz {

class NullTransport : public engine::Transport {
  public:
    bool TransportReady() override { return true; }
    bool SendFrame(const std::uint8_t*, int) override { return true; }
    bool FrameReady() override { return false; }
    std::size_t TakeFrame(std::uint8_t*, std::size_t) override { return 0; }
    bool OpenPort(int, int, int, int, int) override { return true; }
    bool ClosePort() override { return true; }
    bool RegisterWithCommServer(int) override { return true; }
    void SetFrameListener(std::function<void()>) override {}
};

class NullView : public engine::MainView {
  public:
    void ShowPcTime(const std::string&) override {}
    void ShowDeviceTime(const std::string&) override {}
    void ShowDeviceModel(const std::string&) override {}
    void ShowDeviceVersion(const std::string&) override {}
    void ShowYcValue(int, const std::string&) override {}
    void ShowYxState(int, const std::string&) override {}
    void ShowAddress(const std::string&) override {}
    void SetTitle(const std::string&) override {}
};

class NullEvents : public engine::EventRecords {
  public:
    engine::EventBatchResult DecodeEventBatch(unsigned, const std::uint8_t*, std::size_t) override {
        return {engine::EventBatchOutcome::Taken, ++counter};
    }
    unsigned counter = 0;
};

struct Engine {
    std::unique_ptr<config::YcTable> yc = std::make_unique<config::YcTable>();
    std::unique_ptr<config::YxTable> yx = std::make_unique<config::YxTable>();
    std::unique_ptr<config::ParamTable> param = std::make_unique<config::ParamTable>();
    std::unique_ptr<config::SettingTable> setting = std::make_unique<config::SettingTable>();
    std::mutex tablesMutex;
    engine::EngineState state;
    NullTransport transport;
    NullView view;
    NullEvents events;
    engine::EngineContext ctx;

    Engine() {
        config::LoadYcTable(VARN_SAMPLE_INI, *yc);
        config::LoadYxTable(VARN_SAMPLE_INI, *yx);
        config::LoadParamTable(VARN_SAMPLE_INI, *param);
        config::LoadSettingTable(VARN_SAMPLE_INI, *setting);
        state.sleepOverride = [](int) {};
        ctx.state = &state;
        ctx.transport = &transport;
        ctx.mainView = &view;
        ctx.yc = yc.get();
        ctx.yx = yx.get();
        ctx.param = param.get();
        ctx.setting = setting.get();
        ctx.tablesMutex = &tablesMutex;
        ctx.eventRecords = &events;
        ctx.log = [](const std::string&) {};
        ctx.play = [](const std::string&) {};
    }
};

}  // namespace fuzz
