#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>

#include "EngineHarness.h"
#include "engine/BlockTransfer.h"
#include "engine/DeviceOperations.h"
#include "engine/ResponseDispatch.h"
#include "modbus/Requests.h"
#include "platform/Profile.h"
#include "support/FakeClock.h"

namespace engine_test {
namespace {

Bytes SlotFrame(Harness& h) {
    const auto bytes = h.state.commandSlot.Bytes();
    return Bytes(bytes.begin(), bytes.begin() + h.state.commandSlot.Length());
}

TEST(DeviceOperations, ClockSetAndBusySlots) {
    Harness h;
    platform::FakeClock clock;
    clock.Set(2024, 5, 6, 7, 8, 9);
    h.ctx.clock = &clock;
    engine::ClockSet(h.ctx);
    EXPECT_EQ(SlotFrame(h), modbus::BuildClockSetRequest(1, 0, clock.Now()));
    engine::ClockSet(h.ctx);  // still queued
    h.state.commandSlot.Clear();
    h.state.deferredCalibration.Park(modbus::BuildCalibrationWrite1(1, 130, 1), 1.0f, 0);
    EXPECT_TRUE(engine::IsBusy(h.ctx));
    h.state.deferredCalibration.Clear();
    h.transport.ready = false;
    engine::ClockSet(h.ctx);
    EXPECT_EQ(h.logs, (std::vector<std::string>{
                          "正在进行校时操作...", "已经下发操作命令，请等待本次操作结束后重试!",
                          "已经下发操作命令，请等待本次操作结束后重试!", "串口错误，无法进行校时操作!"}));
}

TEST(DeviceOperations, LegacyVersionForcesModeZeroWithoutTouchingTheTable) {
    Harness h;
    h.state.deviceVersion = 110;
    h.param->RawValue[50] = 1;
    engine::OpenHighSide(h.ctx);
    EXPECT_EQ(SlotFrame(h), *modbus::BuildRemoteControlRequest(1, modbus::RemoteControl::OpenHigh, 0));
    EXPECT_EQ(SlotFrame(h)[3], 2);
    EXPECT_EQ(h.param->RawValue[50], 1);  // the relay's word goes out unchanged with the next download
    EXPECT_EQ(h.logs, std::vector<std::string>{"正在进行高压侧分闸操作..."});
    // The echo is read in the same forced mode.
    h.logs.clear();
    const Bytes echo = WithCrc({1, 5, 0, 2, 0xFF, 0});
    engine::DispatchCommandResponse(h.ctx, SlotFrame(h), echo.data(), echo.size());
    EXPECT_EQ(h.logs, std::vector<std::string>{"高压侧分闸成功!"});
    // The next parameter upload ends the forced mode.
    Bytes block{1, 3, 128};
    block.resize(131, 0);
    block[3 + 100 + 1] = 1;
    block = WithCrc(block);
    engine::ParseParameterBlock(h.ctx, block.data(), block.size());
    EXPECT_EQ(h.state.EffectiveControlMode(h.param->RawValue[50]), 1);
}

TEST(DeviceOperations, UnknownControlMode) {
    Harness h;
    h.state.deviceVersion = 163;
    engine::SignalReset(h.ctx);
    EXPECT_EQ(SlotFrame(h), WithCrc({1, 3, 0, 100, 0, 64}));
    h.state.commandSlot.Clear();
    engine::CloseLowSide2(h.ctx);
    EXPECT_TRUE(h.state.commandSlot.Empty());
    EXPECT_EQ(h.logs, (std::vector<std::string>{"未找到匹配控制方式，将自动先上装参数!",
                                                "未找到匹配控制方式，请先上装参数!"}));
    // No good poll yet (version 0): both go ahead in mode 0.
    Harness fresh;
    engine::SignalReset(fresh.ctx);
    EXPECT_EQ(SlotFrame(fresh), modbus::BuildSignalResetRequest(1));
    fresh.state.commandSlot.Clear();
    engine::CloseLowSide2(fresh.ctx);
    EXPECT_EQ(SlotFrame(fresh)[3], 13);
}

TEST(DeviceOperations, AccidentInterlock) {
    Harness h;
    h.yx->State[8] = 1;  // 事故总信号
    h.boxes.answer = false;
    engine::CloseHighSide(h.ctx);
    EXPECT_TRUE(h.state.commandSlot.Empty());
    EXPECT_EQ(h.boxes.asked.size(), 1u);
    h.boxes.answer = true;
    engine::CloseHighSide(h.ctx);
    EXPECT_EQ(SlotFrame(h), modbus::BuildSignalResetRequest(1));  // the reset, not the remote control
    EXPECT_EQ(h.logs, std::vector<std::string>{"正在进行复归操作..."});
    h.yx->State[8] = 0;
    EXPECT_TRUE(engine::AccidentInterlock(h.ctx));
    Harness none;
    none.yx->Number = 8;  // the accident signal is not among the points in use
    none.yx->State[8] = 1;
    EXPECT_TRUE(engine::AccidentInterlock(none.ctx));
    // A name whose bytes hold the word only across a character boundary (B0 CA, C2 B9, CA D7, DC DC) is
    // not the accident signal.
    config::SetText(none.yx->Name[0], "\xB0\xCA\xC2\xB9\xCA\xD7\xDC\xDC");
    none.yx->State[0] = 1;
    EXPECT_TRUE(engine::AccidentInterlock(none.ctx));
    EXPECT_TRUE(none.boxes.asked.empty());
}

TEST(DeviceOperations, ReconnectStoresThePortAndOffersTheAddressSearch) {
    char folder[] = "/tmp/engine-reconnect-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    Harness h;
    h.ctx.basicSettingsPath = std::string(folder) + "/基本配置.ini";
    EXPECT_TRUE(engine::Reconnect(h.ctx, "12"));
    EXPECT_EQ(h.transport.calls, (std::vector<std::string>{"close", "open 12"}));
    EXPECT_EQ(platform::ProfileGetString(h.ctx.basicSettingsPath, "Settings", "Port", "", 64), "12");
    EXPECT_EQ(h.view.titles, std::vector<std::string>{"Orlin - VARN"});
    EXPECT_EQ(h.boxes.asked, std::vector<std::string>{"打开串口成功，是否启动自动寻址功能？"});
    ASSERT_EQ(h.state.addressSearchSlot.Length(), 8);
    const auto slot = h.state.addressSearchSlot.Bytes();
    EXPECT_EQ(Bytes(slot.begin(), slot.begin() + 8), WithCrc({0xFE, 3, 0, 0, 0, 1}));

    Harness net;
    net.ctx.basicSettingsPath = h.ctx.basicSettingsPath;
    net.state.networkMode = true;
    net.transport.openResult = false;
    net.transport.accessDenied = true;  // left from an earlier serial attempt: not this failure's cause
    EXPECT_FALSE(engine::Reconnect(net.ctx, "260x"));
    EXPECT_EQ(net.transport.calls, std::vector<std::string>{"register 4"});
    EXPECT_EQ(net.logs, std::vector<std::string>{"重新连接，打开串口失败!"});
    EXPECT_EQ(platform::ProfileGetString(h.ctx.basicSettingsPath, "Settings", "Port", "", 64), "260x");
    EXPECT_EQ(engine::PortNumberFromText("abc"), 0);

    // A serial port the user may not open: the failure line, then what to do about it.
    Harness denied;
    denied.ctx.basicSettingsPath = h.ctx.basicSettingsPath;
    denied.transport.ready = false;
    denied.transport.openResult = false;
    denied.transport.accessDenied = true;
    EXPECT_FALSE(engine::Reconnect(denied.ctx, "3"));
    EXPECT_EQ(denied.logs,
              (std::vector<std::string>{"重新连接，打开串口失败!",
                                        "没有打开串口设备的权限，请将当前用户加入dialout组后重新登录!"}));

    std::filesystem::remove_all(folder);
}

TEST(DeviceOperations, ReconnectLogsAPortThatCouldNotBeStored) {
    Harness h;
    h.ctx.basicSettingsPath = "/nonexistent-folder/基本配置.ini";
    EXPECT_TRUE(engine::Reconnect(h.ctx, "3"));  // the link still opens
    EXPECT_EQ(h.transport.calls, (std::vector<std::string>{"close", "open 3"}));
    EXPECT_EQ(h.logs, (std::vector<std::string>{"保存串口号到基本配置.ini失败!", "重新连接，打开串口成功!"}));
}

}  // namespace
}  // namespace engine_test
