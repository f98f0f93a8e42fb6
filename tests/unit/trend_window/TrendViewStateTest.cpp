#include "ui/trend/TrendViewState.h"

#include <gtest/gtest.h>

#include <vector>

namespace ui {
namespace {

constexpr std::int64_t kNow = 1'780'000'000'000;

TEST(TrendViewState, LiveFollowsNowPausedStaysAndPanningBackToNowIsLiveAgain) {
    TrendViewState state;
    EXPECT_TRUE(state.Live());
    EXPECT_EQ(state.Visible(kNow), (trend::TimeRange{kNow - TrendViewState::kDefaultSpanMs, kNow}));
    state.Pause(kNow);
    EXPECT_EQ(state.Visible(kNow + 5000).toMs, kNow);

    state.Pan(-60'000, kNow + 5000);
    EXPECT_FALSE(state.Live());
    EXPECT_EQ(state.Visible(kNow + 5000).toMs, kNow - 60'000);
    state.Pan(+30'000, kNow + 5000);
    EXPECT_EQ(state.Visible(kNow + 5000).toMs, kNow - 30'000);
    state.Pan(+40'000, kNow + 5000);  // past now
    EXPECT_TRUE(state.Live());
    EXPECT_EQ(state.Visible(kNow + 5000).toMs, kNow + 5000);

    // A pan from live into the past pauses.
    state.Pan(-1000, kNow + 6000);
    EXPECT_FALSE(state.Live());
    state.BackToLive();
    EXPECT_TRUE(state.Live());
}

TEST(TrendViewState, ZoomKeepsTheAnchorInPlaceWithinItsLimits) {
    TrendViewState state;
    state.Pause(kNow);
    const trend::TimeRange before = state.Visible(kNow);
    const std::int64_t anchor = before.fromMs + before.Length() / 4;
    state.Zoom(0.5, anchor, kNow + 1000);
    const trend::TimeRange after = state.Visible(kNow + 1000);
    EXPECT_EQ(after.Length(), before.Length() / 2);
    EXPECT_EQ(after.fromMs + after.Length() / 4, anchor);

    for (int i = 0; i < 50; ++i) state.Zoom(0.5, anchor, kNow);
    EXPECT_EQ(state.SpanMs(), TrendViewState::kMinSpanMs);
    for (int i = 0; i < 50; ++i) state.Zoom(2, anchor, kNow);
    EXPECT_EQ(state.SpanMs(), TrendViewState::kMaxSpanMs);
    // Zoomed out over now, the span is live again.
    EXPECT_TRUE(state.Live());

    // Live stays live and keeps now at its right edge.
    state.Zoom(0.25, kNow - 1000, kNow);
    EXPECT_TRUE(state.Live());
    EXPECT_EQ(state.Visible(kNow).toMs, kNow);
}

TEST(TrendAxes, TimeTicksAreRoundAndFewEnough) {
    const std::int64_t minute = trend::ToMs(platform::LocalTime{2026, 12, 11, 10, 20, 0, 0, 0});
    EXPECT_EQ(TimeTicks(trend::TimeRange{minute - 500, minute + 2500}, 10),
              (std::vector<std::int64_t>{minute, minute + 1000, minute + 2000}));
    const auto ticks = TimeTicks(trend::TimeRange{minute + 1, minute + 3'600'000}, 6);
    ASSERT_EQ(ticks.size(), 5u);  // 10-minute steps
    EXPECT_EQ(ticks[1] - ticks[0], 600'000);
    EXPECT_EQ(ticks[0], minute + 600'000);
    EXPECT_EQ(TimeTickText(minute + 5000, 60'000), "10:20:05");
    EXPECT_EQ(TimeTickText(minute, 24 * 3'600'000LL), "12-11 10:20");
    EXPECT_EQ(ReadoutTimeText(minute + 7'250), "2026-12-11 10:20:07.250");
}

TEST(TrendAxes, ValueAxisHasRoundEndsAroundTheValues) {
    const ValueAxis currents = NiceValueAxis(4.64, 4.96, 8);
    EXPECT_NEAR(currents.min, 4.6, 1e-9);
    EXPECT_NEAR(currents.max, 5.0, 1e-9);
    EXPECT_NEAR(currents.step, 0.05, 1e-12);
    EXPECT_EQ(NiceValueAxis(std::nullopt, std::nullopt, 8), ValueAxis{});
    const ValueAxis flat = NiceValueAxis(50.0, 50.0, 4);  // a flat curve is not drawn on the frame
    EXPECT_LT(flat.min, 50.0);
    EXPECT_GT(flat.max, 50.0);
    const ValueAxis negative = NiceValueAxis(-209885.0, -61518.0, 5);
    EXPECT_LE(negative.min, -209885.0);
    EXPECT_GE(negative.max, -61518.0);
}

TEST(TrendReadout, TheValueIsTheLastSampleNotTooOldAndAGapIsNone) {
    const std::vector<trend::Sample> samples{{1000, 1.5f}, {2000, trend::kGap}, {3000, 2.5f}};
    EXPECT_EQ(ValueAt(samples, 500, 5000), std::nullopt);
    EXPECT_EQ(ValueAt(samples, 1000, 5000), 1.5f);
    EXPECT_EQ(ValueAt(samples, 1999, 5000), 1.5f);
    EXPECT_EQ(ValueAt(samples, 2500, 5000), std::nullopt);
    EXPECT_EQ(ValueAt(samples, 7000, 5000), 2.5f);
    EXPECT_EQ(ValueAt(samples, 8001, 5000), std::nullopt);
}

TEST(TrendColours, APointsTextColourUnlessTooLightToSee) {
    EXPECT_EQ(CurveColour({0, 0, 255}, {255, 255, 255}), (CurveRgb{0, 0, 255}));
    EXPECT_EQ(CurveColour({255, 255, 255}, {255, 0, 0}), (CurveRgb{255, 0, 0}));
    EXPECT_EQ(CurveColour({255, 255, 0}, {255, 255, 255}), (CurveRgb{0, 0, 0}));
}

}  // namespace
}  // namespace ui
