#include "log/OperationLog.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "platform/ProgramFolder.h"
#include "support/FakeClock.h"
#include "unit/log/LogTestFolder.h"

namespace oplog {
namespace {

using test::kSeparator;
using test::LogTestFolder;

// "校时成功!" as the daily file must hold it (code page 936).
const std::string kSyncOkGbk = "\xD0\xA3\xCA\xB1\xB3\xC9\xB9\xA6!";

class OperationLogTest : public ::testing::Test {
  protected:
    OperationLog::Options Options(FileAppender* appender = nullptr) {
        OperationLog::Options options;
        options.clock = &clock;
        options.programFolder = folder.Root();
        options.appender = appender;
        return options;
    }

    platform::FakeClock clock{platform::LocalTime{2026, 12, 7, 8, 5, 9, 0, 0}};
    LogTestFolder folder;
};

TEST_F(OperationLogTest, FirstEntryOfRunCarriesSeparatorLaterEntriesOnlyThemselves) {
    {
        OperationLog log(Options());
        EXPECT_TRUE(std::filesystem::is_empty(folder.LogFolder())) << "nothing is written before an entry";
        log.LogOperation("校时成功!");
        clock.AdvanceMs(1000);
        log.LogOperation("");
        EXPECT_EQ(folder.Read("2026-12-07.log"),
                  kSeparator + "08:05:09 -> " + kSyncOkGbk + "\r\n" + "08:05:10 -> \r\n");
    }
    // A second run (or a second instance) of the same day appends its own separator and never truncates.
    OperationLog nextRun(Options());
    nextRun.LogOperation("x");
    EXPECT_EQ(folder.Read("2026-12-07.log"), kSeparator + "08:05:09 -> " + kSyncOkGbk + "\r\n" +
                                                 "08:05:10 -> \r\n" + kSeparator + "08:05:10 -> x\r\n");
}

TEST_F(OperationLogTest, EntryAfterMidnightGoesToNewDaysFileWithoutSeparator) {
    clock.Set(2026, 12, 31, 23, 59, 59, 500);
    OperationLog log(Options());
    log.LogOperation("old year");
    clock.AdvanceMs(600);
    log.LogOperation("new year");
    EXPECT_EQ(folder.Read("2026-12-31.log"), kSeparator + "23:59:59 -> old year\r\n");
    EXPECT_EQ(folder.Read("2027-01-01.log"), "00:00:00 -> new year\r\n");
}

// Returns scripted readings first, then a fixed time.
class ScriptedClock : public platform::Clock {
  public:
    platform::LocalTime Now() const override {
        if (script.empty()) {
            return fallback;
        }
        platform::LocalTime t = script.front();
        script.pop_front();
        return t;
    }
    std::uint32_t TickCount() const override { return 0; }

    platform::LocalTime fallback{2026, 12, 7, 10, 0, 0, 0, 0};
    mutable std::deque<platform::LocalTime> script;
};

TEST_F(OperationLogTest, PrefixAndFileDateComeFromSeparateReadings) {
    ScriptedClock turning;
    OperationLog::Options options = Options();
    options.clock = &turning;
    OperationLog log(options);
    log.LogOperation("first");
    turning.script = {{2026, 12, 7, 23, 59, 59, 999, 0}, {2026, 12, 8, 0, 0, 0, 0, 0}};
    log.LogOperation("at the turn");
    EXPECT_EQ(folder.Read("2026-12-07.log"), kSeparator + "10:00:00 -> first\r\n");
    EXPECT_EQ(folder.Read("2026-12-08.log"), "23:59:59 -> at the turn\r\n");
}

TEST_F(OperationLogTest, SinksGetRawTextAndEntryAndCanBeDetached) {
    OperationLog log(Options());
    std::vector<std::string> box;
    std::vector<std::string> monitor;
    log.LogOperation("before any sink");
    log.SetLogBoxSink([&](const std::string& entry) { box.push_back(entry); });
    log.SetMonitorSink([&](const std::string& text) { monitor.push_back(text); });
    log.LogOperation("校时成功!");
    log.SetMonitorSink(nullptr);
    log.LogOperation("box only");
    log.SetLogBoxSink({});
    log.LogOperation("file only");

    // Sinks get UTF-8; only the file is converted.
    EXPECT_EQ(box, (std::vector<std::string>{"08:05:09 -> 校时成功!\r\n", "08:05:09 -> box only\r\n"}));
    EXPECT_EQ(monitor, std::vector<std::string>{"校时成功!"});
    EXPECT_EQ(folder.Read("2026-12-07.log"), kSeparator + "08:05:09 -> before any sink\r\n" + "08:05:09 -> " +
                                                 kSyncOkGbk + "\r\n08:05:09 -> box only\r\n" +
                                                 "08:05:09 -> file only\r\n");
}

TEST(OperationLogMissingFolder, EntriesSkipFileUntilFolderExistsThenSeparatorComesFirst) {
    LogTestFolder folder(/*withLogFolder=*/false);
    platform::FakeClock clock(platform::LocalTime{2026, 12, 7, 8, 5, 9, 0, 0});
    OperationLog::Options options;
    options.clock = &clock;
    options.programFolder = folder.Root();
    OperationLog log(options);
    std::vector<std::string> box;
    log.SetLogBoxSink([&](const std::string& entry) { box.push_back(entry); });

    log.LogOperation("lost");
    EXPECT_FALSE(std::filesystem::exists(folder.LogFolder())) << "the log folder must never be created";
    EXPECT_EQ(box, std::vector<std::string>{"08:05:09 -> lost\r\n"});

    folder.CreateLogFolder();
    log.LogOperation("kept");
    log.LogOperation("also kept");
    EXPECT_EQ(folder.Read("2026-12-07.log"), kSeparator + "08:05:09 -> kept\r\n08:05:09 -> also kept\r\n");
    EXPECT_EQ(box.size(), 3u);
}

// Fails the writes whose 0-based index is listed; records the rest.
class FlakyAppender : public FileAppender {
  public:
    bool Append(const std::string& path, std::string_view bytes) override {
        bool fail = failing.count(calls++) > 0;
        if (!fail) {
            written.emplace_back(path.substr(path.rfind('/') + 1), std::string(bytes));
        }
        return !fail;
    }
    std::set<int> failing;
    int calls = 0;
    std::vector<std::pair<std::string, std::string>> written;
};

TEST_F(OperationLogTest, FailedWritesAreRetriedWithTheNextEntry) {
    FlakyAppender appender;
    // The empty line goes in and the hyphen line fails, so the first entry must not follow it; then the
    // hyphen line goes in and the second entry fails, which must not bring the separator again.
    appender.failing = {1, 3};
    OperationLog log(Options(&appender));
    log.LogOperation("dropped");
    log.LogOperation("failed");
    log.LogOperation("stored");

    using Write = std::pair<std::string, std::string>;
    const std::string day = "2026-12-07.log";
    EXPECT_EQ(appender.written,
              (std::vector<Write>{
                  {day, "\r\n"}, {day, std::string(kRunSeparatorLine)}, {day, "08:05:09 -> stored\r\n"}}));
}

TEST(ProcessLog, FreeFunctionsWriteToProgramFolderWithProgramClock) {
    LogTestFolder folder;
    platform::FakeClock clock(platform::LocalTime{2026, 12, 7, 8, 5, 9, 0, 0});
    platform::ScopedClock installed(clock);
    platform::SetProgramFolder(folder.Root());
    std::vector<std::string> box;
    SetLogBoxSink([&](const std::string& entry) { box.push_back(entry); });

    LogOperation("校时成功!");
    AppendDailyLogFile("raw\r\n");
    SetLogBoxSink(nullptr);

    EXPECT_EQ(folder.Read("2026-12-07.log"), kSeparator + "08:05:09 -> " + kSyncOkGbk + "\r\nraw\r\n");
    EXPECT_EQ(box, std::vector<std::string>{"08:05:09 -> 校时成功!\r\n"});
}

}  // namespace
}  // namespace oplog
