#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "log/OperationLog.h"
#include "support/FakeClock.h"
#include "support/Waiting.h"
#include "unit/log/LogTestFolder.h"

namespace oplog {
namespace {

using test::kSeparator;
using test::LogTestFolder;

// Every reading is one second later than the one before, so the prefixes show the order of the readings.
class CountingClock : public platform::Clock {
  public:
    platform::LocalTime Now() const override {
        int n = readings_.fetch_add(1);
        return platform::LocalTime{2026, 12, 7, n / 3600, n / 60 % 60, n % 60, 0, 1};
    }
    std::uint32_t TickCount() const override { return 0; }

  private:
    mutable std::atomic<int> readings_{0};
};

OperationLog::Options OptionsFor(const LogTestFolder& folder, const platform::Clock& clock) {
    OperationLog::Options options;
    options.clock = &clock;
    options.programFolder = folder.Root();
    return options;
}

TEST(OperationLogThreads, TwoThreadsWriteWholeLinesInCallOrder) {
    LogTestFolder folder;
    CountingClock clock;
    OperationLog log(OptionsFor(folder, clock));
    constexpr int kPerThread = 1000;
    auto writer = [&](char name) {
        for (int i = 0; i < kPerThread; ++i) {
            log.LogOperation(std::string(1, name) + " " + std::to_string(i) + " 校时成功!");
        }
    };
    std::thread a(writer, 'A');
    std::thread b(writer, 'B');
    a.join();
    b.join();

    std::string bytes = folder.Read("2026-12-07.log");
    ASSERT_EQ(bytes.substr(0, kSeparator.size()), kSeparator);
    std::istringstream lines(bytes.substr(kSeparator.size()));
    std::string line;
    int next[2] = {0, 0};
    int lastSecond = -1;
    int count = 0;
    const std::string tail = " \xD0\xA3\xCA\xB1\xB3\xC9\xB9\xA6!\r";
    while (std::getline(lines, line)) {
        ++count;
        int h = 0, m = 0, s = 0, index = -1;
        char name = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "%2d:%2d:%2d -> %c %d", &h, &m, &s, &name, &index), 5) << line;
        ASSERT_TRUE(name == 'A' || name == 'B') << line;
        ASSERT_EQ(index, next[name - 'A']++) << "lines of one thread out of order: " << line;
        ASSERT_EQ(line.substr(line.size() - tail.size()), tail) << "torn line: " << line;
        int second = h * 3600 + m * 60 + s;
        ASSERT_GT(second, lastSecond) << "file order differs from time order: " << line;
        lastSecond = second;
    }
    EXPECT_EQ(count, 2 * kPerThread);
}

TEST(OperationLogThreads, SinkThatWaitsForAnotherThreadsEntryDoesNotDeadlock) {
    LogTestFolder folder;
    platform::FakeClock clock(platform::LocalTime{2026, 12, 7, 8, 5, 9, 0, 0});
    OperationLog log(OptionsFor(folder, clock));
    std::atomic<int> nested{0};
    // Like a window that hands the entry to its own thread and waits, while that thread logs too.
    auto waitsForOther = [&](const std::string& text) {
        if (text.find("outer") != std::string::npos) {
            std::thread other([&] {
                log.LogOperation("inner");
                ++nested;
            });
            other.join();
        }
    };
    log.SetLogBoxSink(waitsForOther);
    ::test::RunWithin(std::chrono::seconds(20), "log box sink", [&] { log.LogOperation("outer box"); });
    log.SetLogBoxSink(nullptr);
    log.SetMonitorSink(waitsForOther);
    ::test::RunWithin(std::chrono::seconds(20), "monitor sink", [&] { log.LogOperation("outer monitor"); });
    log.SetMonitorSink(nullptr);

    EXPECT_EQ(nested.load(), 2);
    // The monitor sees the text before the entry is stored, so the inner entry comes first there.
    EXPECT_EQ(folder.Read("2026-12-07.log"), kSeparator +
                                                 "08:05:09 -> outer box\r\n"
                                                 "08:05:09 -> inner\r\n"
                                                 "08:05:09 -> inner\r\n"
                                                 "08:05:09 -> outer monitor\r\n");
}

TEST(OperationLogThreads, LogBoxShowsEntriesInFileOrder) {
    LogTestFolder folder;
    CountingClock clock;
    OperationLog log(OptionsFor(folder, clock));
    std::mutex mutex;
    std::vector<std::string> box;
    std::promise<void> secondDone;
    auto second = secondDone.get_future();
    // The first thread's entry reaches the file first; its box call is slow (it waits for the UI thread),
    // and meanwhile the UI thread logs an entry of its own.
    log.SetLogBoxSink([&](const std::string& entry) {
        if (entry.find("management") != std::string::npos) second.wait_for(std::chrono::seconds(2));
        std::lock_guard lock(mutex);
        box.push_back(entry);
    });
    std::thread management([&] { log.LogOperation("management"); });
    while (folder.Read("2026-12-07.log").find("management") == std::string::npos) std::this_thread::yield();
    ::test::RunWithin(std::chrono::seconds(20), "second entry", [&] { log.LogOperation("ui"); });
    secondDone.set_value();
    management.join();
    log.SetLogBoxSink(nullptr);

    std::lock_guard lock(mutex);
    ASSERT_EQ(box.size(), 2u);
    EXPECT_NE(box[0].find("management"), std::string::npos);
    EXPECT_NE(box[1].find("ui"), std::string::npos);
    const std::string file = folder.Read("2026-12-07.log");
    EXPECT_LT(file.find(box[0]), file.find(box[1]));
}

TEST(OperationLogThreads, SinksCanBeSwappedWhileOtherThreadsLog) {
    LogTestFolder folder;
    platform::FakeClock clock(platform::LocalTime{2026, 12, 7, 8, 5, 9, 0, 0});
    OperationLog log(OptionsFor(folder, clock));
    std::atomic<bool> stop{false};
    std::atomic<int> delivered{0};
    std::thread logger([&] {
        for (int i = 0; i < 2000; ++i) {
            log.LogOperation("entry");
        }
        stop = true;
    });
    while (!stop) {
        log.SetLogBoxSink([&](const std::string&) { ++delivered; });
        log.SetMonitorSink([&](const std::string&) { ++delivered; });
        log.SetLogBoxSink(nullptr);
        log.SetMonitorSink(nullptr);
    }
    logger.join();
    EXPECT_LE(delivered.load(), 4000);
}

TEST(OperationLogLockedFile, FileLockedElsewhereSkipsEntryWithoutBlocking) {
    LogTestFolder folder;
    platform::FakeClock clock(platform::LocalTime{2026, 12, 7, 8, 5, 9, 0, 0});
    OperationLog log(OptionsFor(folder, clock));
    log.LogOperation("before");

    // Another process's lock, held far longer than one write takes.
    int foreign = ::open(folder.DayFile("2026-12-07.log").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(foreign, 0);
    ASSERT_EQ(::flock(foreign, LOCK_EX), 0);
    std::vector<std::string> box;
    log.SetLogBoxSink([&](const std::string& entry) { box.push_back(entry); });
    ::test::RunWithin(std::chrono::seconds(20), "locked file", [&] { log.LogOperation("while locked"); });
    ::flock(foreign, LOCK_UN);
    ::close(foreign);
    log.LogOperation("after");

    EXPECT_EQ(box, (std::vector<std::string>{"08:05:09 -> while locked\r\n", "08:05:09 -> after\r\n"}));
    EXPECT_EQ(folder.Read("2026-12-07.log"), kSeparator + "08:05:09 -> before\r\n08:05:09 -> after\r\n");
}

}  // namespace
}  // namespace oplog
