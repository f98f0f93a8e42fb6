#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <iterator>
#include <regex>

#include "EngineSimSetup.h"
#include "engine/BlockTransfer.h"
#include "engine/DeviceOperations.h"
#include "engine/PollDecoder.h"
#include "engine/ResponseDispatch.h"
#include "log/OperationLog.h"
#include "platform/Gbk.h"

namespace engine_it {
namespace {

using namespace std::chrono_literals;

using test::EngineRecorder;

TEST(EngineOnRelaySim, ParameterReadFirstThenPollsBackToBackAndCommandsBetween) {
    EngineOnSim e;
    ASSERT_TRUE(e.sim.ok());
    ASSERT_TRUE(e.Open());
    ASSERT_TRUE(engine::UploadParameters(e.ctx));  // as the main window's start-up queues it
    ASSERT_TRUE(e.thread->Start());

    ASSERT_TRUE(
        e.recorder.WaitFor([](auto&, auto& frames) { return EngineRecorder::CountPolls(frames) >= 6; }, 10s));
    auto frames = e.recorder.Frames();
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames[0].bytes, (Bytes{1, 3, 0, 100, 0, 64, frames[0].bytes[6], frames[0].bytes[7]}));
    auto logs = e.recorder.Logs();
    EXPECT_NE(std::find(logs.begin(), logs.end(), "上装所有参数成功!"), logs.end());
    EXPECT_TRUE(e.state.commOk);
    {
        std::lock_guard lock(e.tablesMutex);
        EXPECT_NE(e.param->RawValue[50], 0xFFFF);  // the control mode is known
    }
    // Polls follow each other at the answer time plus the 200 ms silence, without a gap of our own.
    std::vector<Clock::time_point> polls;
    for (const auto& f : frames)
        if (EngineRecorder::IsPoll(f)) polls.push_back(f.at);
    for (std::size_t i = 2; i < polls.size(); ++i) EXPECT_LT(polls[i] - polls[i - 1], 600ms);

    // A queued command goes out before the next poll and its echo is reported.
    const std::size_t before = e.recorder.Frames().size();
    engine::ClockSet(e.ctx);
    ASSERT_TRUE(e.recorder.WaitFor(
        [](auto& l, auto&) { return std::find(l.begin(), l.end(), "校时成功!") != l.end(); }, 5s));
    frames = e.recorder.Frames();
    std::size_t next = before;
    while (next < frames.size() && frames[next].received) ++next;
    // At most the poll already under way precedes it.
    if (next < frames.size() && EngineRecorder::IsPoll(frames[next])) {
        ++next;
        while (next < frames.size() && frames[next].received) ++next;
    }
    ASSERT_LT(next, frames.size());
    EXPECT_EQ(frames[next].bytes.size(), 21u);
    EXPECT_EQ(frames[next].bytes[1], 16);

    // Closing ends the thread within one wait period.
    const auto start = Clock::now();
    e.thread->RequestStop();
    e.thread->Join();
    EXPECT_LT(Clock::now() - start, 2100ms);
}

TEST(EngineOnRelaySim, ReconnectWhilePollingAndAddressSearch) {
    EngineOnSim e;
    ASSERT_TRUE(e.sim.ok());
    ASSERT_TRUE(e.Open());
    ASSERT_TRUE(e.thread->Start());
    ASSERT_TRUE(
        e.recorder.WaitFor([](auto&, auto& frames) { return EngineRecorder::CountPolls(frames) >= 2; }, 5s));
    // Reconnects race the polls, the read thread and the management thread's sends.
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(engine::Reconnect(e.ctx, "7"));
        std::this_thread::sleep_for(std::chrono::milliseconds(37 * i));
    }
    const int polls = EngineRecorder::CountPolls(e.recorder.Frames());
    ASSERT_TRUE(e.recorder.WaitFor(
        [&](auto&, auto& frames) { return EngineRecorder::CountPolls(frames) >= polls + 3; }, 10s));

    // A wrong address gets no answer; the address search finds the relay's.
    e.state.SetDeviceAddress(9);
    e.recorder.yes = true;
    EXPECT_TRUE(engine::Reconnect(e.ctx, "7"));
    ASSERT_TRUE(e.recorder.WaitFor(
        [](auto& l, auto&) { return std::find(l.begin(), l.end(), "寻找地址成功，地址为：1") != l.end(); },
        8s));
    EXPECT_EQ(e.state.DeviceAddress(), 1);
    const auto start = Clock::now();
    e.thread->RequestStop();
    e.thread->Join();
    EXPECT_LT(Clock::now() - start, 2100ms);
}

// A telesignal that closes on the relay reaches the daily log twice through the running engine: as the change
// the poll decoding sees, and as the relay's own SOE record, read because the ring indices in register 6
// moved.
TEST(EngineOnRelaySim, TelesignalChangeAndItsSoeRecordReachTheDailyLog) {
    EngineOnSim e({"--still"});
    ASSERT_TRUE(e.sim.ok());
    std::filesystem::create_directories(e.folder + "/运行记录");
    oplog::OperationLog::Options options;
    options.programFolder = e.folder;
    oplog::OperationLog daily(options);
    e.ctx.log = [&](const std::string& t) {
        daily.LogOperation(t);
        e.recorder.Log(t);
    };
    engine::DecodeContext decode(e.state.deviceVersion);
    decode.view = &e.recorder;
    decode.tables = {e.yc.get(), e.yx.get(), &e.tablesMutex};
    decode.log = e.ctx.log;
    decode.soeCheck = [&](const std::uint8_t* f, std::size_t n) { engine::SoeCheck(e.ctx, f, n); };
    e.ctx.decodePoll = [&](const std::uint8_t* f, std::size_t n) {
        engine::DecodePollResponse(f, n, decode);
    };
    ASSERT_EQ(e.sim.Command("get yx 5"), "YX 5 0");  // 接地刀闸位置, open
    ASSERT_TRUE(e.Open());
    ASSERT_TRUE(e.thread->Start());
    ASSERT_TRUE(
        e.recorder.WaitFor([](auto&, auto& frames) { return EngineRecorder::CountPolls(frames) >= 2; }, 10s));
    ASSERT_EQ(e.sim.Command("set yx 5 1"), "OK");
    const auto soeLine = [](const std::string& t) { return t.rfind("SOE发生：接地刀闸位置，", 0) == 0; };
    ASSERT_TRUE(e.recorder.WaitFor(
        [&](auto& logs, auto&) { return std::any_of(logs.begin(), logs.end(), soeLine); }, 10s));
    e.thread->RequestStop();
    e.thread->Join();

    std::string file;
    for (const auto& entry : std::filesystem::directory_iterator(e.folder + "/运行记录")) {
        std::ifstream in(entry.path(), std::ios::binary);
        file += platform::GbkToUtf8(std::string(std::istreambuf_iterator<char>(in), {}));
    }
    const std::regex change(R"(\r\n\d\d:\d\d:\d\d -> 接地刀闸位置：分 -> 合!\r\n)");
    const std::regex soe(
        R"(\r\n\d\d:\d\d:\d\d -> SOE发生：接地刀闸位置，\d\d-\d\d-\d\d \d\d:\d\d:\d\d_\d\d\d\r\n)");
    EXPECT_TRUE(std::regex_search(file, change)) << file;
    EXPECT_TRUE(std::regex_search(file, soe)) << file;
    // The record carries the relay's clock, which follows the host's: today's date.
    char today[16];
    const std::time_t now = std::time(nullptr);
    std::strftime(today, sizeof today, "%y-%m-%d", std::localtime(&now));
    EXPECT_NE(file.find(std::string("SOE发生：接地刀闸位置，") + today), std::string::npos) << file;
}

}  // namespace
}  // namespace engine_it
