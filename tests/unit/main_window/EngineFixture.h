#pragma once
// An engine context over the test's own tables, a scripted transport and recorders for the log and the
// message boxes, for the main window's logic and widgets.
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "config/PointTables.h"
#include "engine/EngineContext.h"
#include "engine/EngineInterfaces.h"
#include "engine/EngineState.h"
#include "modbus/Frame.h"
#include "platform/Gbk.h"
#include "support/FakeTransport.h"

namespace mwtest {

using FakeTransport = test::FakeTransport;

class ScriptedBoxes : public engine::MessageBoxes {
  public:
    bool AskOkCancel(const std::string& text) override { return Answer(text); }
    bool AskYesNo(const std::string& text) override { return Answer(text); }
    void Inform(const std::string& text) override { shown.push_back(text); }
    bool Answer(const std::string& text) {
        shown.push_back(text);
        if (answers.empty()) return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    std::vector<std::string> shown;
    std::deque<bool> answers;
};

struct Fixture {
    Fixture() {
        param.Start = 100;
        param.Number = 64;
        param.RawValue.fill(config::kRawNone);
        yc.Number = 30;
        for (int i = 0; i < config::kPointCount; ++i) {
            yc.Value[i] = config::kValueNone;
            yc.ShownValue[i] = config::kShownValueNone;
            yc.RawValue[i] = config::kRawNone;
            yc.Max[i] = 100.0f;
            yc.Min[i] = 0.0f;
            yc.bCheckMemery[i] = static_cast<std::uint16_t>(112 + i);
            yc.bCanBeClick[i] = i < 14 ? 1 : 0;
            config::SetText(yc.Name[i], platform::Utf8ToGbk("遥测量" + std::to_string(i + 1)));
            yx.State[i] = yx.PrevState[i] = config::kStateLinkFault;
            config::SetText(yx.Name[i], platform::Utf8ToGbk("开关" + std::to_string(i + 1)));
            yx.Post[i] = static_cast<std::uint8_t>(i + 1);
        }
        yx.Number = 40;
        ctx.state = &state;
        ctx.transport = &transport;
        ctx.yc = &yc;
        ctx.yx = &yx;
        ctx.param = &param;
        ctx.setting = &setting;
        ctx.tablesMutex = &tablesMutex;
        ctx.messageBoxes = &boxes;
        ctx.log = [this](const std::string& text) {
            std::lock_guard lock(logMutex);
            logged.push_back(text);
        };
    }

    std::vector<std::string> Logged() {
        std::lock_guard lock(logMutex);
        return logged;
    }

    // The command slot's frame, empty when the slot is empty.
    modbus::Frame Command() const {
        const auto bytes = state.commandSlot.Bytes();
        return modbus::Frame(bytes.begin(), bytes.begin() + state.commandSlot.Length());
    }

    config::YcTable yc{};
    config::YxTable yx{};
    config::ParamTable param{};
    config::SettingTable setting{};
    std::mutex tablesMutex;
    engine::EngineState state;
    FakeTransport transport;
    ScriptedBoxes boxes;
    std::mutex logMutex;
    std::vector<std::string> logged;
    engine::EngineContext ctx;
};

}  // namespace mwtest
