#include "trend/TrendStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace trend {
namespace {

constexpr std::int64_t kStart = 1'780'000'000'000;  // a whole minute

PollSnapshot Poll(std::int64_t ms, float value0, float value1 = kGap) {
    PollSnapshot s = PollSnapshot::Gaps(ms);
    s.values[0] = value0;
    s.values[1] = value1;
    return s;
}

// The store is large; tests share one pattern of making it.
std::unique_ptr<TrendStore> NewStore() {
    return std::make_unique<TrendStore>();
}

TEST(TrendStore, RecentPollsComeBackAtFullRateAndGapsAreNeverZero) {
    auto store = NewStore();
    store->Append(Poll(kStart, 1.5f, 7));
    store->Append(Poll(kStart + 400, kGap, 8));
    store->Append(Poll(kStart + 800, kGap, 9));
    store->Append(Poll(kStart + 1200, 2.5f, 10));
    const TimeRange all{kStart, kStart + 2000};
    const auto samples = store->Copy(all, 0);
    ASSERT_EQ(samples.size(), 3u);  // the run of two gaps is one gap sample
    EXPECT_EQ(samples[0], (Sample{kStart, 1.5f}));
    EXPECT_EQ(samples[1].msSinceEpoch, kStart + 400);
    EXPECT_TRUE(IsGap(samples[1].value));
    EXPECT_EQ(samples[2], (Sample{kStart + 1200, 2.5f}));
    EXPECT_EQ(store->Copy(TimeRange{kStart + 400, kStart + 1200}, 1),
              (std::vector<Sample>{{kStart + 400, 8}, {kStart + 800, 9}}));
    EXPECT_EQ(store->Held(), (TimeRange{kStart, kStart + 1201}));
    const auto untouched = store->Copy(all, 5);
    ASSERT_EQ(untouched.size(), 1u);
    EXPECT_TRUE(IsGap(untouched[0].value));
}

// Polls at 2.5 a second for `seconds`: point 0 is 0, 2, 4 at 0, 400, 800 ms of even seconds and 0, 2 in odd
// ones; point 1 is the second's number modulo 1000.
void FillAtLinkRate(TrendStore& store, std::int64_t from, int seconds) {
    for (int s = 0; s < seconds; ++s) {
        for (int k = 0; k < 5; k += 2) {         // 0, 400, 800 ms
            if (s % 2 == 1 && k == 4) continue;  // 2.5 a second on average
            store.Append(
                Poll(from + s * 1000 + k * 200, static_cast<float>(k), static_cast<float>(s % 1000)));
        }
    }
}

TEST(TrendStore, OlderPollsBecomeEachSecondsMinimumAndMaximum) {
    auto store = NewStore();
    const int seconds = 2 * 3600;
    FillAtLinkRate(*store, kStart, seconds);
    const std::optional<TimeRange> held = store->Held();
    ASSERT_TRUE(held);
    EXPECT_EQ(held->fromMs, kStart);

    // The first seconds are no longer at full rate: per second the minimum, then half a second on the
    // maximum.
    const auto old = store->Copy(TimeRange{kStart + 10'000, kStart + 12'000}, 0);
    ASSERT_EQ(old.size(), 4u);
    EXPECT_EQ(old[0].msSinceEpoch, kStart + 10'000);
    EXPECT_NEAR(old[0].value, 0, 1e-3);
    EXPECT_EQ(old[1].msSinceEpoch, kStart + 10'500);
    EXPECT_NEAR(old[1].value, 4, 1e-3);
    const auto oldSecond = store->Copy(TimeRange{kStart + 10'000, kStart + 12'000}, 1);
    ASSERT_EQ(oldSecond.size(), 2u);
    EXPECT_NEAR(oldSecond[0].value, 10, 1e-3);
    EXPECT_NEAR(oldSecond[1].value, 11, 1e-3);

    // The last hour is every poll.
    const std::int64_t recent = kStart + (seconds - 10) * 1000;
    EXPECT_EQ(store->Copy(TimeRange{recent, recent + 2000}, 0).size(), 5u);
    EXPECT_EQ(
        store->Snapshots(TimeRange{kStart + (seconds - 3600) * 1000LL, kStart + seconds * 1000LL}).size(),
        9000u);
}

TEST(TrendStore, TwentyFourHoursOfSixtyThreePointsStayUnderTwentyFiveMegabytes) {
    auto store = NewStore();
    const std::size_t empty = store->BytesUsed();
    FillAtLinkRate(*store, kStart, 24 * 3600 + 120);
    for (int m = 0; m < 3000; ++m) store->AddMark(kStart + m, "断路器：分 -> 合!");
    EXPECT_LT(store->BytesUsed(), 25'000'000u);
    EXPECT_LT(store->BytesUsed() - empty, 200'000u);  // everything else was taken up front
    const std::optional<TimeRange> held = store->Held();
    ASSERT_TRUE(held);
    EXPECT_GE(held->Length(), 24 * 3600 * 1000LL - 120'000);
    EXPECT_EQ(store->Marks(TimeRange{kStart, kStart + 10'000}).size(), TrendStore::kMarkCapacity);
}

TEST(TrendStore, SecondsWithOnlyGapsStayGapsAfterTheyAge) {
    auto store = NewStore();
    for (int s = 0; s < 4 * 3600; ++s) {
        const bool linkDown = s >= 100 && s < 110;
        for (int k = 0; k < 3; ++k) store->Append(Poll(kStart + s * 1000 + k * 300, linkDown ? kGap : 3.0f));
    }
    const auto samples = store->Copy(TimeRange{kStart + 99'000, kStart + 111'000}, 0);
    ASSERT_EQ(samples.size(), 3u);
    EXPECT_EQ(samples[0], (Sample{kStart + 99'000, 3.0f}));
    EXPECT_EQ(samples[1].msSinceEpoch, kStart + 100'000);
    EXPECT_TRUE(IsGap(samples[1].value));
    EXPECT_EQ(samples[2], (Sample{kStart + 110'000, 3.0f}));
}

TEST(TrendStore, QuantisedSecondsKeepTheirValueToASmallFractionOfTheMinutesSpread) {
    auto store = NewStore();
    for (int s = 0; s < 3 * 3600; ++s) {
        for (int k = 0; k < 3; ++k) store->Append(Poll(kStart + s * 1000 + k * 300, 1000.0f + s * 0.37f + k));
    }
    const auto samples = store->Copy(TimeRange{kStart + 60'000, kStart + 120'000}, 0);
    ASSERT_EQ(samples.size(), 120u);
    for (std::size_t i = 0; i < samples.size(); i += 2) {
        const int s = 60 + static_cast<int>(i / 2);
        EXPECT_NEAR(samples[i].value, 1000.0f + s * 0.37f, 0.01f);
        EXPECT_NEAR(samples[i + 1].value, 1000.0f + s * 0.37f + 2, 0.01f);
    }
}

TEST(TrendStore, ATimeBeforeTheNewestStartsAfresh) {
    auto store = NewStore();
    store->Append(Poll(kStart + 5000, 1));
    store->Append(Poll(kStart, 2));
    EXPECT_EQ(store->Held(), (TimeRange{kStart, kStart + 1}));
    EXPECT_EQ(store->Copy(TimeRange{kStart, kStart + 10'000}, 0), (std::vector<Sample>{{kStart, 2}}));
}

TEST(TrendStore, ColumnsAreTheDecimationOfTheCopy) {
    auto store = NewStore();
    FillAtLinkRate(*store, kStart, 5000);
    const TimeRange range{kStart + 1000, kStart + 4'800'000};
    std::vector<bool> gaps;
    EXPECT_EQ(store->CopyColumns(range, 0, 640, &gaps), DecimateMinMax(store->Copy(range, 0), range, 640));
    EXPECT_EQ(std::count(gaps.begin(), gaps.end(), true), 0);
}

}  // namespace
}  // namespace trend
