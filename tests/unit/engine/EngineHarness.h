#pragma once
// An engine over the shipped sample configuration with a scripted transport and recording views, driven
// pass by pass without a thread and without real sleeping.
#include <cstdlib>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "config/TableLoader.h"
#include "engine/EngineContext.h"
#include "engine/ManagementThread.h"
#include "modbus/Crc16.h"
#include "support/EngineRecorder.h"
#include "support/FakeTransport.h"
#include "support/Frames.h"

namespace engine_test {

using Bytes = std::vector<std::uint8_t>;

using test_support::WithCrc;

using FakeTransport = test::FakeTransport;

class FakeMainView : public engine::MainView {
  public:
    std::vector<std::string> pcTimes, deviceTimes, addresses, titles;
    std::map<int, std::vector<std::string>> ycWrites, yxWrites;
    void ShowPcTime(const std::string& t) override { pcTimes.push_back(t); }
    void ShowDeviceTime(const std::string& t) override { deviceTimes.push_back(t); }
    void ShowDeviceModel(const std::string&) override {}
    void ShowDeviceVersion(const std::string&) override {}
    void ShowYcValue(int point, const std::string& t) override { ycWrites[point].push_back(t); }
    void ShowYxState(int point, const std::string& t) override { yxWrites[point].push_back(t); }
    void ShowAddress(const std::string& t) override { addresses.push_back(t); }
    void SetTitle(const std::string& t) override { titles.push_back(t); }
};

class FakeBoxes : public engine::MessageBoxes {
  public:
    bool answer = true;
    std::vector<std::string> asked;
    bool AskOkCancel(const std::string& t) override {
        asked.push_back(t);
        return answer;
    }
    bool AskYesNo(const std::string& t) override {
        asked.push_back(t);
        return answer;
    }
    void Inform(const std::string& t) override { asked.push_back(t); }
};

class FakeEvents : public engine::EventRecords {
  public:
    unsigned counter = 0;
    // As the event window's decoder: a batch shorter than 25 records is not decoded.
    engine::EventBatchResult DecodeEventBatch(unsigned, const std::uint8_t*, std::size_t length) override {
        if (length < 205) return {engine::EventBatchOutcome::TooShort, counter};
        return {engine::EventBatchOutcome::Taken, ++counter};
    }
};

class FakeSettingsView : public engine::SettingsView {
  public:
    int paramRefreshes = 0, settingRefreshes = 0;
    void RefreshParamList() override { ++paramRefreshes; }
    void RefreshSettingList() override { ++settingRefreshes; }
};

inline std::string SampleIni() {
    const char* dir = std::getenv("VARN_SOURCE_DIR");
    return std::string(dir ? dir : ".") + "/program_folder/配置文件/VARN.ini";
}

struct Harness : test::EngineTables {
    FakeTransport transport;
    FakeMainView view;
    FakeBoxes boxes;
    FakeEvents events;
    std::vector<std::string> logs;
    std::vector<std::string> sounds;
    std::vector<Bytes> decoded;
    int sleptMs = 0;
    engine::ManagementThread thread{ctx};

    Harness() : EngineTables(SampleIni()) {
        state.sleepOverride = [this](int ms) { sleptMs += ms; };
        ctx.transport = &transport;
        ctx.mainView = &view;
        ctx.eventRecords = &events;
        ctx.messageBoxes = &boxes;
        ctx.log = [this](const std::string& t) { logs.push_back(t); };
        ctx.play = [this](const std::string& n) { sounds.push_back(n); };
        ctx.decodePoll = [this](const std::uint8_t* f, std::size_t n) { decoded.emplace_back(f, f + n); };
    }

    // A well-formed poll answer of `registers` registers from `address`.
    static Bytes PollAnswer(std::uint8_t address, const std::vector<std::uint16_t>& registers) {
        return test_support::ReadAnswer(address, registers);
    }

    int Count(const std::string& text) const {
        return static_cast<int>(std::count(logs.begin(), logs.end(), text));
    }
};

}  // namespace engine_test
