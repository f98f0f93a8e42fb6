#include <gtest/gtest.h>

#include <vector>

#include "engine/EngineState.h"
#include "modbus/Requests.h"
#include "support/FakeClock.h"
#include "ui/monitor/ComLook.h"

namespace ui {
namespace {

struct RecordingView : MonitorView {
    std::vector<std::string> lines;
    std::vector<int> icons;
    void AppendMonitorLine(const std::string& line) override { lines.push_back(line); }
    void ShowMonitorIcon(int id) override { icons.push_back(id); }
};

struct Fixture {
    platform::FakeClock clock;
    ComLook look{&clock};
    RecordingView view;
    Fixture() { clock.Set(2026, 1, 2, 13, 4, 5); }
};

TEST(ComLook, NothingBeforeTheWindowExistsThenLinesAndIcons) {
    Fixture f;
    const std::uint8_t sent[] = {1, 3, 0, 0, 0, 1, 0x84, 0x0A};
    EXPECT_FALSE(f.look.MonitorCreated());
    f.look.AppendMonitorText("early");
    f.look.Attach(&f.view);
    EXPECT_TRUE(f.look.MonitorCreated());
    f.look.AppendMonitorText("校时成功!");
    for (int i = 0; i < 5; ++i) f.look.ShowMonitorFrame(sent, sizeof sent, false);
    f.look.ShowMonitorFrame(sent, 5, true);
    ASSERT_EQ(f.view.lines.size(), 7u);
    EXPECT_EQ(f.view.lines[0], "13:04:05 -> 校时成功!\r\n");
    EXPECT_EQ(f.view.lines[1], "13:04:05 -> 发 (008) 01 03 00 00 00 01 84 0A\r\n");
    EXPECT_EQ(f.view.lines[6], "13:04:05 -> -- (005) 01 03 00 00 00\r\n");
    // The icon changes with every sent frame, never with a received one.
    EXPECT_EQ(f.view.icons, (std::vector<int>{132, 131, 132, 131, 132}));
    // Detaching keeps the flag: it is never cleared.
    f.look.Attach(nullptr);
    EXPECT_TRUE(f.look.MonitorCreated());
}

TEST(ComLook, PauseDropsFramesAndTextsAndFreezesTheIcon) {
    Fixture f;
    f.look.Attach(&f.view);
    const std::uint8_t sent[] = {1, 3, 0, 0};
    f.look.ShowMonitorFrame(sent, 4, false);  // icon 132, phase now 1
    EXPECT_TRUE(f.look.TogglePause());
    EXPECT_EQ(f.look.Title(), "通讯管理 - 暂停监视");
    f.look.AppendMonitorText("lost");
    f.look.ShowMonitorFrame(sent, 4, false);
    f.look.ShowMonitorFrame(sent, 4, true);
    EXPECT_EQ(f.view.lines.size(), 1u);
    EXPECT_EQ(f.view.icons.size(), 1u);
    EXPECT_FALSE(f.look.TogglePause());
    EXPECT_EQ(f.look.Title(), "通讯管理 - 正常监视");
    f.look.ShowMonitorFrame(sent, 4, false);
    EXPECT_EQ(f.view.icons, (std::vector<int>{132, 131}));  // nothing buffered, the phase did not move
}

TEST(ComLook, CheckBoxesApplyFromTheNextFrame) {
    Fixture f;
    f.look.Attach(&f.view);
    std::vector<std::uint8_t> frame(25, 0);
    frame[20] = 1;
    EXPECT_TRUE(f.look.TelesignalHintOn());
    EXPECT_FALSE(f.look.ShowReceived());
    f.look.ShowMonitorFrame(frame.data(), frame.size(), true);
    f.look.SetFlags(false, true, false);
    f.look.ShowMonitorFrame(frame.data(), frame.size(), true);
    ASSERT_EQ(f.view.lines.size(), 2u);
    EXPECT_NE(f.view.lines[0].find("-- (025)"), std::string::npos);
    EXPECT_NE(f.view.lines[0].find("遥信 01 为合！"), std::string::npos);
    EXPECT_NE(f.view.lines[1].find("收 (025)"), std::string::npos);
    EXPECT_EQ(f.view.lines[1].find("遥信"), std::string::npos);
    f.look.SetLastSavedMonitorFile("/tmp/a b.txt");
    EXPECT_EQ(f.look.LastSavedMonitorFile(), "/tmp/a b.txt");
}

TEST(ComLook, FramesAreExplainedInTheEnginesControlMode) {
    ComLook look;
    const modbus::Frame coil2On = *modbus::BuildRemoteControlRequest(1, modbus::RemoteControl::OpenHigh, 0);
    EXPECT_EQ(look.ExplainFrame(coil2On, false, {}), "");  // no engine: nothing to explain with

    engine::EngineState state;
    config::YcTable yc;
    config::YxTable yx;
    config::ParamTable param;
    config::SettingTable setting;
    std::mutex mutex;
    engine::EngineContext ctx;
    ctx.state = &state;
    ctx.yc = &yc;
    ctx.yx = &yx;
    ctx.param = &param;
    ctx.setting = &setting;
    ctx.tablesMutex = &mutex;
    param.RawValue[modbus::kControlModeEntry] = 1;
    look.BindEngine(&ctx);
    EXPECT_NE(look.ExplainFrame(coil2On, false, {}).find("遥控：合2#低压侧"), std::string::npos);
    // A relay of version 110 or less is driven in mode 0 whatever the parameter says.
    state.deviceVersion.store(110);
    state.ApplyLegacyControlModeRule();
    EXPECT_NE(look.ExplainFrame(coil2On, true, {}).find("确认：遥控：分高压侧"), std::string::npos);
    look.BindEngine(nullptr);
}

}  // namespace
}  // namespace ui
