#include <gtest/gtest.h>

#include <algorithm>

#include "EngineSimSetup.h"
#include "engine/BlockTransfer.h"
#include "engine/DeviceOperations.h"

namespace engine_it {
namespace {

using namespace std::chrono_literals;

int CountPolls(const std::vector<Recorder::Frame>& frames) {
    return static_cast<int>(std::count_if(frames.begin(), frames.end(), EngineOnSim::IsPoll));
}

TEST(EngineOnRelaySim, ParameterReadFirstThenPollsBackToBackAndCommandsBetween) {
    EngineOnSim e;
    ASSERT_TRUE(e.sim.ok());
    ASSERT_TRUE(e.Open());
    ASSERT_TRUE(engine::UploadParameters(e.ctx));  // as the main window's start-up queues it
    ASSERT_TRUE(e.thread->Start());

    ASSERT_TRUE(e.recorder.WaitFor([](auto&, auto& frames) { return CountPolls(frames) >= 6; }, 10s));
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
        if (EngineOnSim::IsPoll(f)) polls.push_back(f.at);
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
    if (next < frames.size() && EngineOnSim::IsPoll(frames[next])) {
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
    ASSERT_TRUE(e.recorder.WaitFor([](auto&, auto& frames) { return CountPolls(frames) >= 2; }, 5s));
    // Reconnects race the polls, the read thread and the management thread's sends.
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(engine::Reconnect(e.ctx, "7"));
        std::this_thread::sleep_for(std::chrono::milliseconds(37 * i));
    }
    const int polls = CountPolls(e.recorder.Frames());
    ASSERT_TRUE(
        e.recorder.WaitFor([&](auto&, auto& frames) { return CountPolls(frames) >= polls + 3; }, 10s));

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

}  // namespace
}  // namespace engine_it
