#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "platform/Gbk.h"
#include "ui/events/EventRecordFormat.h"

namespace ui {
namespace {

using Record = std::array<std::uint8_t, 8>;

Record Rec(std::uint8_t code, unsigned ms, std::uint8_t minute, std::uint8_t hour, std::uint8_t day,
           std::uint8_t month, std::uint8_t year) {
    return {code,
            static_cast<std::uint8_t>(ms & 0xFF),
            static_cast<std::uint8_t>(ms >> 8),
            minute,
            hour,
            day,
            month,
            year};
}

TEST(EventRecordFormat, ValidRecordLineWithMillisecondsSplitNotRounded) {
    EXPECT_EQ(EventRecordLine(7, Rec(2, 9123, 8, 7, 6, 5, 24).data()),
              "007、2024-05-06 07:08:09.123，信号复归。");
    EXPECT_EQ(EventRecordLine(500, Rec(1, 59999, 59, 23, 31, 12, 99).data()),
              "500、2099-12-31 23:59:59.999，上电。");
    // The field is not validated: 65535 ms shows as second 65.
    EXPECT_EQ(EventRecordLine(1, Rec(3, 65535, 0, 0, 1, 1, 1).data()),
              "001、2001-01-01 00:00:65.535，遥控操作。");
}

TEST(EventRecordFormat, ValidityLimitsAreSixtyAndTwentyFour) {
    EXPECT_EQ(EventRecordLine(12, Rec(55, 0, 60, 24, 1, 1, 26).data()),
              "012、2026-01-01 24:60:00.000，3#欠压保护跳闸。");
    const Record invalid[] = {Rec(1, 0, 61, 0, 1, 1, 26), Rec(1, 0, 0, 25, 1, 1, 26),
                              Rec(1, 0, 0, 0, 0, 1, 26),  Rec(1, 0, 0, 0, 32, 1, 26),
                              Rec(1, 0, 0, 0, 1, 0, 26),  Rec(1, 0, 0, 0, 1, 13, 26),
                              Rec(1, 0, 0, 0, 1, 1, 0)};
    for (const Record& r : invalid) EXPECT_EQ(EventRecordLine(3, r.data()), "003、无记录");
    EXPECT_EQ(EventRecordLine(1000, Rec(1, 0, 0, 0, 1, 1, 0).data()), "1000、无记录");
}

TEST(EventRecordFormat, NameTableCodesAndLimits) {
    EXPECT_STREQ(EventName(0), "");
    EXPECT_STREQ(EventName(19), "压力异常跳闸");
    EXPECT_STREQ(EventName(20), "过流I段告警");
    EXPECT_STREQ(EventName(25), "过流III段保护跳闸");
    EXPECT_STREQ(EventName(31), "欠压保护跳闸");
    EXPECT_STREQ(EventName(32), "2#过流I段告警");
    EXPECT_STREQ(EventName(43), "2#欠压保护跳闸");
    EXPECT_STREQ(EventName(44), "3#过流I段告警");
    EXPECT_STREQ(EventName(56), "");
    EXPECT_STREQ(EventName(254), "");
    EXPECT_STREQ(EventName(255), "");
    for (int code = 1; code <= 55; ++code) {
        EXPECT_NE(std::strlen(EventName(static_cast<std::uint8_t>(code))), 0u) << code;
        // Each name fits the relay's 19-byte field in code page 936.
        EXPECT_LE(platform::Utf8ToGbk(EventName(static_cast<std::uint8_t>(code))).size(), 19u) << code;
    }
    EXPECT_EQ(EventRecordLine(2, Rec(200, 1, 1, 1, 1, 1, 1).data()), "002、2001-01-01 01:01:00.001，。");
    EXPECT_EQ(EventRecordLine(2, Rec(255, 1, 1, 1, 1, 1, 1).data()), "002、2001-01-01 01:01:00.001，。");
}

TEST(EventRecordFormat, HeaderAndSaveName) {
    EXPECT_EQ(std::string(kEventHeader),
              std::string(24, '-') + "\r\n       事件记录\r\n" + std::string(24, '-') + "\r\n");
    platform::LocalTime t{2025, 3, 4, 5, 6};
    EXPECT_EQ(EventSaveName(t), "(事件记录25-03-04 05.06).txt");
}

}  // namespace
}  // namespace ui
