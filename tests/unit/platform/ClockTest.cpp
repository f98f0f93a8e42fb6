#include <gtest/gtest.h>

#include "platform/Clock.h"
#include "support/FakeClock.h"

namespace platform {
namespace {

TEST(Clock, CurrentClockCanBeReplacedAndRestored) {
    FakeClock fake;
    fake.Set(2026, 12, 7, 8, 5, 9, 250);
    {
        ScopedClock scoped(fake);
        EXPECT_EQ(&CurrentClock(), &fake);
        LocalTime t = CurrentClock().Now();
        EXPECT_EQ(t.hour, 8);
        EXPECT_EQ(t.millisecond, 250);
        EXPECT_EQ(t.dayOfWeek, 1);  // a Monday
    }
    EXPECT_EQ(&CurrentClock(), &SystemClock());
}

TEST(Clock, SystemClockGivesAPlausibleLocalTime) {
    LocalTime t = SystemClock().Now();
    EXPECT_GE(t.year, 2020);
    EXPECT_TRUE(t.month >= 1 && t.month <= 12);
    EXPECT_TRUE(t.day >= 1 && t.day <= 31);
    EXPECT_TRUE(t.hour >= 0 && t.hour <= 23);
    EXPECT_TRUE(t.second >= 0 && t.second <= 59);
    EXPECT_TRUE(t.millisecond >= 0 && t.millisecond <= 999);
    EXPECT_TRUE(t.dayOfWeek >= 0 && t.dayOfWeek <= 6);
    std::uint32_t a = SystemClock().TickCount();
    std::uint32_t b = SystemClock().TickCount();
    EXPECT_LT(static_cast<std::uint32_t>(b - a), 1000u);  // monotonic: never goes back
}

TEST(FakeClock, AdvanceCrossesMidnightAndWrapsTicks) {
    FakeClock fake;
    fake.Set(2024, 2, 28, 23, 59, 59, 900);
    fake.SetTicks(0xFFFFFFF0u);
    fake.AdvanceMs(24ull * 3600 * 1000 + 200);
    LocalTime t = fake.Now();
    EXPECT_EQ(t.year, 2024);
    EXPECT_EQ(t.month, 3);
    EXPECT_EQ(t.day, 1);  // 2024 is a leap year: Feb 29, then Mar 1
    EXPECT_EQ(t.hour, 0);
    EXPECT_EQ(t.minute, 0);
    EXPECT_EQ(t.second, 0);
    EXPECT_EQ(t.millisecond, 100);
    EXPECT_EQ(t.dayOfWeek, 5);  // a Friday
    EXPECT_EQ(fake.TickCount(), static_cast<std::uint32_t>(0xFFFFFFF0u + 24u * 3600 * 1000 + 200));

    fake.Set(2025, 12, 31, 23, 59, 59, 999);
    fake.AdvanceMs(1);
    t = fake.Now();
    EXPECT_EQ(t.year, 2026);
    EXPECT_EQ(t.month, 1);
    EXPECT_EQ(t.day, 1);
    EXPECT_EQ(t.millisecond, 0);
    EXPECT_EQ(t.dayOfWeek, 4);  // a Thursday
}

}  // namespace
}  // namespace platform
