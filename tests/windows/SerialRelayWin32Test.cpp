// The Win32 serial port under ComSer and the engine against the relay simulator, which the test script runs
// on the build machine and maps to a COM port of the Wine prefix (VARN_WINE_COM_PORT).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "SrcCom/ComSer.h"
#include "WinTestSupport.h"
#include "config/TableLoader.h"
#include "engine/BlockTransfer.h"
#include "engine/ComSerTransport.h"
#include "engine/DeviceOperations.h"
#include "engine/EngineContext.h"
#include "engine/ManagementThread.h"
#include "modbus/Crc16.h"
#include "modbus/Requests.h"
#include "platform/Gbk.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::optional<int> PortOrSkip() {
    return wintest::RelayComPort();
}

TEST(Win32SerialRelay, PollAnswersArriveOneSilenceAfterTheirLastByte) {
    const std::optional<int> port = PortOrSkip();
    if (!port) GTEST_SKIP() << "VARN_WINE_COM_PORT not set";
    com::ComSer comSer;
    ASSERT_TRUE(comSer.OpenPort(*port, com::kBaudRate, com::kDataBits, 0, 0));
    EXPECT_TRUE(comSer.TransportReady());
    // Opening the same port again only reconfigures it.
    const int handle = comSer.PortDescriptor();
    ASSERT_TRUE(comSer.OpenPort(*port, com::kBaudRate, com::kDataBits, 0, 0));
    EXPECT_EQ(comSer.PortDescriptor(), handle);

    const modbus::Frame poll = modbus::BuildPollRequest(1, 40);
    std::vector<double> latencies;
    std::uint8_t reply[2048];
    for (int i = 0; i < 7; ++i) {
        const auto sent = Clock::now();
        ASSERT_TRUE(comSer.SendFrame(poll.data(), static_cast<int>(poll.size())));
        while (!comSer.FrameReady() && Clock::now() - sent < 3s) std::this_thread::sleep_for(1ms);
        const auto got = Clock::now();
        const std::size_t n = comSer.TakeFrame(reply, sizeof reply);
        ASSERT_EQ(n, 85u) << "answer " << i;
        EXPECT_TRUE(modbus::CheckCrc16(reply, n));
        latencies.push_back(std::chrono::duration<double, std::milli>(got - sent).count());
    }
    std::sort(latencies.begin(), latencies.end());
    const double median = latencies[latencies.size() / 2];
    std::printf("request to delivered answer (85 bytes), median of 7: %.1f ms, min %.1f, max %.1f\n", median,
                latencies.front(), latencies.back());
    // The answer is cut 200 ms after its last byte, and not a scheduler tick later.
    EXPECT_GE(latencies.front(), 200.0);
    EXPECT_LT(median, 330.0);

    // A dead port is found by the line-settings query and closed; it opens again.
    comSer.ClosePort();
    EXPECT_FALSE(comSer.TransportReady());
    ASSERT_TRUE(comSer.OpenPort(*port, com::kBaudRate, com::kDataBits, 0, 0));
    EXPECT_TRUE(comSer.TransportReady());
}

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
        if (!received && n == 8 && b[1] == 3 && b[2] == 0 && b[3] == 0) ++polls_;
        if (received) ++answers_;
    }
    bool AskOkCancel(const std::string&) override { return true; }
    bool AskYesNo(const std::string&) override { return true; }
    void Inform(const std::string&) override {}
    void Log(const std::string& text) {
        std::lock_guard lock(mutex_);
        logs_.push_back(text);
    }
    bool Logged(const std::string& text) {
        std::lock_guard lock(mutex_);
        return std::find(logs_.begin(), logs_.end(), text) != logs_.end();
    }
    int Polls() {
        std::lock_guard lock(mutex_);
        return polls_;
    }
    int Answers() {
        std::lock_guard lock(mutex_);
        return answers_;
    }

  private:
    std::mutex mutex_;
    std::vector<std::string> logs_;
    int polls_ = 0;
    int answers_ = 0;
};

template <typename F>
bool WaitUntil(F done, std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

TEST(Win32SerialRelay, EngineUploadsParametersPollsAndSetsTheClock) {
    const std::optional<int> port = PortOrSkip();
    if (!port) GTEST_SKIP() << "VARN_WINE_COM_PORT not set";
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
    ctx.basicSettingsPath = wintest::ExecutableFolder() + "/engine-basic.ini";
    ctx.log = [&recorder](const std::string& t) { recorder.Log(t); };
    engine::ManagementThread thread(ctx);

    ASSERT_TRUE(comSer.OpenPort(*port, com::kBaudRate, com::kDataBits, 0, 0));
    ASSERT_TRUE(engine::UploadParameters(ctx));
    ASSERT_TRUE(thread.Start());
    EXPECT_TRUE(WaitUntil([&] { return recorder.Logged("上装所有参数成功!"); }, 20s));
    EXPECT_TRUE(WaitUntil([&] { return recorder.Polls() >= 4; }, 20s));
    EXPECT_TRUE(state.commOk);
    engine::ClockSet(ctx);
    EXPECT_TRUE(WaitUntil([&] { return recorder.Logged("校时成功!"); }, 10s));
    thread.RequestStop();
    thread.Join();
    std::remove((wintest::ExecutableFolder() + "/engine-basic.ini").c_str());
}

}  // namespace
