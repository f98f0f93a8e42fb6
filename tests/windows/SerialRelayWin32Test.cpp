// The Win32 serial port under ComSer and the engine against the relay simulator, which the test script runs
// on the build machine and maps to a COM port of the Wine prefix (VARN_WINE_COM_PORT).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
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
#include "support/EngineRecorder.h"

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
    // The answer is cut after 200 ms of silence following its last byte. A pseudo-terminal hands the answer
    // over at once, so the cut comes 200 ms after the request: never sooner, and sooner than a scheduler
    // tick (15.6 ms) later, with a few milliseconds for the way through Wine.
    EXPECT_GE(latencies.front(), 200.0);
    EXPECT_LT(median, 212.0);

    // A port that died under the program (its handle closed behind ComSer's back) is found by the
    // line-settings query and closed; it opens again.
    ASSERT_TRUE(CloseHandle(reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(comSer.PortDescriptor()))));
    EXPECT_FALSE(comSer.TransportReady());
    EXPECT_EQ(comSer.PortDescriptor(), -1);
    ASSERT_TRUE(comSer.OpenPort(*port, com::kBaudRate, com::kDataBits, 0, 0));
    EXPECT_TRUE(comSer.TransportReady());
}

TEST(Win32SerialRelay, EngineUploadsParametersPollsAndSetsTheClock) {
    const std::optional<int> port = PortOrSkip();
    if (!port) GTEST_SKIP() << "VARN_WINE_COM_PORT not set";
    com::ComSer comSer;
    engine::ComSerTransport transport{comSer};
    test::EngineWiring e(wintest::ProgramDir() + "/配置文件/VARN.ini");
    e.ctx.transport = &transport;
    e.ctx.basicSettingsPath = wintest::ExecutableFolder() + "/engine-basic.ini";
    engine::ManagementThread thread(e.ctx);

    ASSERT_TRUE(comSer.OpenPort(*port, com::kBaudRate, com::kDataBits, 0, 0));
    ASSERT_TRUE(engine::UploadParameters(e.ctx));
    ASSERT_TRUE(thread.Start());
    EXPECT_TRUE(e.recorder.WaitForLog("上装所有参数成功!", 20s));
    EXPECT_TRUE(e.recorder.WaitFor(
        [](auto&, auto& frames) { return test::EngineRecorder::CountPolls(frames) >= 4; }, 20s));
    EXPECT_TRUE(e.state.commOk);
    engine::ClockSet(e.ctx);
    EXPECT_TRUE(e.recorder.WaitForLog("校时成功!", 10s));
    thread.RequestStop();
    thread.Join();
    std::remove((wintest::ExecutableFolder() + "/engine-basic.ini").c_str());
}

}  // namespace
