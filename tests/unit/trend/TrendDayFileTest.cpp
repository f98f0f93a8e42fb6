#include "trend/TrendDayFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/Gbk.h"
#include "unit/platform/TempDir.h"

namespace trend {
namespace {

using platform::test::TempDir;

// A UTF-8 path as the file system takes it on every system (on Windows a narrow string is the ANSI code
// page).
std::filesystem::path U8(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string ReadBytes(const std::string& utf8Path) {
    std::ifstream in(U8(utf8Path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::int64_t At(int day, int hour, int minute, int second, int ms = 0) {
    return ToMs(platform::LocalTime{2026, 5, day, hour, minute, second, ms, 0});
}

std::string Gbk(const std::string& utf8) {
    return platform::Utf8ToGbk(utf8);
}

PollSnapshot Poll(std::int64_t ms, std::vector<float> values) {
    PollSnapshot s = PollSnapshot::Gaps(ms);
    for (std::size_t i = 0; i < values.size(); ++i) s.values[i] = values[i];
    return s;
}

class FailingOnce : public oplog::FileAppender {
  public:
    bool Append(const std::string& path, std::string_view bytes) override {
        if (fail) {
            fail = false;
            return false;
        }
        return oplog::LockedFileAppender().Append(path, bytes);
    }
    bool fail = false;
};

class DayFiles : public ::testing::Test {
  protected:
    DayFiles() { std::filesystem::create_directory(U8(folder.Path() + "/运行记录")); }
    std::string File(int day) const { return TrendDayFilePath(folder.Path(), FromMs(At(day, 0, 0, 0))); }
    TempDir folder;
    std::unique_ptr<TrendStore> store = std::make_unique<TrendStore>();
    std::vector<std::string> names{Gbk("高压侧A相电流"), Gbk("Ua"), Gbk("频率")};
    FailingOnce appender;
};

TEST(TrendDayFileFormat, LinesHoldTheTimeAndEveryValueWithGapsEmpty) {
    EXPECT_EQ(TrendDayFilePath("/p", platform::LocalTime{2026, 5, 7, 0, 0, 0, 0, 0}),
              "/p/运行记录/趋势-2026-05-07.csv");
    const std::vector<float> values{1.5f, kGap, -0.25f, 1234567.0f, 0.0f};
    EXPECT_EQ(FormatTrendLine(At(7, 9, 5, 3), values), "09:05:03,1.5,,-0.25,1234567,0\r\n");
    const std::vector<std::string> names{Gbk("电流"), "a,b"};
    EXPECT_EQ(FormatTrendHeader(names), Gbk("时间,电流,\"a,b\"\r\n"));
    EXPECT_EQ(SplitCsvLine(Gbk("时间,电流,\"a,b\"")),
              (std::vector<std::string>{Gbk("时间"), Gbk("电流"), "a,b"}));

    const auto parsed = ParseTrendLine("09:05:03,1.5,,-0.25,1234567,0");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->secondOfDay, 9 * 3600 + 5 * 60 + 3);
    ASSERT_EQ(parsed->values.size(), 5u);
    EXPECT_EQ(parsed->values[0], 1.5f);
    EXPECT_TRUE(IsGap(parsed->values[1]));
    EXPECT_EQ(parsed->values[3], 1234567.0f);
}

TEST(TrendDayFileFormat, DamagedLinesAreRefusedOrTheirFieldsAreGaps) {
    for (const char* line :
         {"", "9:05:03,1", "24:00:00,1", "09:60:00,1", "09-05-03,1", "09:05:031", "ab:cd:ef"}) {
        SCOPED_TRACE(line);
        EXPECT_FALSE(ParseTrendLine(line));
    }
    const auto parsed = ParseTrendLine("23:59:59,1x,nan,inf,2");
    ASSERT_TRUE(parsed);
    ASSERT_EQ(parsed->values.size(), 4u);
    EXPECT_TRUE(IsGap(parsed->values[0]));
    EXPECT_TRUE(IsGap(parsed->values[1]));
    EXPECT_TRUE(IsGap(parsed->values[2]));
    EXPECT_EQ(parsed->values[3], 2.0f);
}

TEST_F(DayFiles, EachFinishedSecondIsOneLineOfItsLastValuesAndARunStartsWithItsHeader) {
    TrendDayWriter writer(folder.Path(), names, appender);
    store->Append(Poll(At(7, 10, 0, 0, 100), {1, 2, 3}));
    store->Append(Poll(At(7, 10, 0, 0, 600), {1.5f, kGap, 3}));
    store->Append(Poll(At(7, 10, 0, 1, 100), {kGap, kGap, kGap}));  // a link fault
    store->Append(Poll(At(7, 10, 0, 2, 100), {4, 5, 6}));
    ASSERT_TRUE(writer.WriteUpTo(*store, At(7, 10, 0, 2, 500)));
    EXPECT_EQ(ReadBytes(File(7)), Gbk("时间,高压侧A相电流,Ua,频率\r\n10:00:00,1.5,2,3\r\n10:00:01,,,\r\n"));

    // The second in progress follows once it is over; nothing is written twice.
    ASSERT_TRUE(writer.WriteUpTo(*store, At(7, 10, 0, 3, 0)));
    ASSERT_TRUE(writer.WriteUpTo(*store, At(7, 10, 0, 3, 900)));
    EXPECT_EQ(ReadBytes(File(7)),
              Gbk("时间,高压侧A相电流,Ua,频率\r\n10:00:00,1.5,2,3\r\n10:00:01,,,\r\n10:00:02,4,5,6\r\n"));
}

TEST_F(DayFiles, AFailedAppendIsTriedAgainAndMidnightStartsTheNextDaysFile) {
    TrendDayWriter writer(folder.Path(), names, appender);
    store->Append(Poll(At(7, 23, 59, 59, 500), {1, 2, 3}));
    store->Append(Poll(At(8, 0, 0, 0, 200), {4, 5, 6}));
    appender.fail = true;
    EXPECT_FALSE(writer.WriteUpTo(*store, At(8, 0, 0, 1)));
    EXPECT_FALSE(std::filesystem::exists(U8(File(7))));
    EXPECT_TRUE(writer.WriteUpTo(*store, At(8, 0, 0, 1)));
    EXPECT_EQ(ReadBytes(File(7)), Gbk("时间,高压侧A相电流,Ua,频率\r\n23:59:59,1,2,3\r\n"));
    EXPECT_EQ(ReadBytes(File(8)), Gbk("时间,高压侧A相电流,Ua,频率\r\n00:00:00,4,5,6\r\n"));
}

TEST_F(DayFiles, TheReaderGivesEachPointItsColumnByNameAndBreaksCurvesBetweenRuns) {
    {
        TrendDayWriter writer(folder.Path(), names, appender);
        for (int s = 0; s < 3; ++s) store->Append(Poll(At(7, 8, 0, s), {float(s), 10.0f + s, 50}));
        ASSERT_TRUE(writer.WriteUpTo(*store, At(7, 8, 0, 3)));
    }
    // A later run whose VARN.ini lists the points in another order and has one more.
    store = std::make_unique<TrendStore>();
    std::vector<std::string> later{Gbk("Ua"), Gbk("新的点"), Gbk("高压侧A相电流")};
    {
        TrendDayWriter writer(folder.Path(), later, appender);
        store->Append(Poll(At(7, 8, 0, 3), {20, 7, kGap}));
        store->Append(Poll(At(7, 8, 0, 4), {21, 7, 9}));
        ASSERT_TRUE(writer.WriteUpTo(*store, At(7, 8, 0, 5)));
    }
    const auto curves = ReadTrendDays(folder.Path(), TimeRange{At(7, 8, 0, 1), At(7, 9, 0, 0)}, names);
    ASSERT_EQ(curves.size(), 3u);
    const auto& current = curves[0];
    ASSERT_EQ(current.size(), 4u);
    EXPECT_EQ(current[0], (Sample{At(7, 8, 0, 1), 1}));
    EXPECT_EQ(current[1], (Sample{At(7, 8, 0, 2), 2}));
    EXPECT_TRUE(IsGap(current[2].value));  // the run ended; the new run's first, empty, value joins that gap
    EXPECT_EQ(current[3], (Sample{At(7, 8, 0, 4), 9}));
    EXPECT_EQ(curves[1].back(), (Sample{At(7, 8, 0, 4), 21}));
    EXPECT_EQ(curves[2].size(), 3u);  // 频率 is not in the later run; its curve ends with a gap
    EXPECT_TRUE(IsGap(curves[2].back().value));
    EXPECT_TRUE(ReadTrendDays(folder.Path(), TimeRange{At(9, 0, 0, 0), At(10, 0, 0, 0)}, names)[0].empty());
}

}  // namespace
}  // namespace trend
