#include "engine/ValueFormat.h"

#include <gtest/gtest.h>

namespace engine {
namespace {

TEST(ValueFormat, DecimalsFollowEveryDivisorRangeBoundary) {
    const float v = 12.3456f;
    EXPECT_EQ(FormatYcValue(v, 0), "12");
    EXPECT_EQ(FormatYcValue(v, 1), "12");
    EXPECT_EQ(FormatYcValue(v, 2), "12.3");
    EXPECT_EQ(FormatYcValue(v, 10), "12.3");
    EXPECT_EQ(FormatYcValue(v, 11), "12.35");
    EXPECT_EQ(FormatYcValue(v, 100), "12.35");
    EXPECT_EQ(FormatYcValue(v, 101), "12.346");
    EXPECT_EQ(FormatYcValue(v, 1000), "12.346");
    EXPECT_EQ(FormatYcValue(v, 1001), "12.3456");
    EXPECT_EQ(FormatYcValue(v, 10000), "12.3456");
    EXPECT_EQ(FormatYcValue(v, 10001), "12.35");
    EXPECT_EQ(FormatYcValue(v, 65535), "12.35");
}

TEST(ValueFormat, ExtremeValuesFitTheBuffer) {
    EXPECT_EQ(FormatYcValue(-0.2f, 10), "-0.2");
    EXPECT_EQ(FormatYcValue(65535.0f * 65536.0f, 1), "4294901760");
    EXPECT_EQ(FormatYcValue(3.0e38f, 10000).size(), 44u);
}

TEST(ValueFormat, VersionUsesHundredsUpToOneThousandAndThousandsAbove) {
    EXPECT_EQ(FormatDeviceVersion(163), "V1.63");
    EXPECT_EQ(FormatDeviceVersion(110), "V1.10");
    EXPECT_EQ(FormatDeviceVersion(1000), "V10.0");
    EXPECT_EQ(FormatDeviceVersion(1001), "V1.1");
    EXPECT_EQ(FormatDeviceVersion(1005), "V1.5");
    EXPECT_EQ(FormatDeviceVersion(2001), "V2.1");
    EXPECT_EQ(FormatDeviceVersion(5), "V0.5");
    EXPECT_EQ(FormatDeviceVersion(65535), "V65.535");
}

TEST(ValueFormat, ClockWordsAreUnsignedWithAtLeastTwoDigits) {
    EXPECT_EQ(FormatDeviceClock({26, 4, 10, 9, 5, 7}), "26-04-10 09:05:07");
    EXPECT_EQ(FormatDeviceClock({0, 0, 0, 0, 0, 0}), "00-00-00 00:00:00");
    EXPECT_EQ(FormatDeviceClock({65535, 100, 1, 23, 59, 59}), "65535-100-01 23:59:59");
}

}  // namespace
}  // namespace engine
