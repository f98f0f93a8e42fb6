#pragma once
// What the trend window shows, without Qt: following live or paused, the visible time span, zoom and pan,
// the time axis' ticks, the value axis' range and the cursor's read-out.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "trend/TrendSample.h"

namespace ui {

inline constexpr int kRedrawIntervalMs = 100;  // at most 10 redraws a second

class TrendViewState {
  public:
    static constexpr std::int64_t kDefaultSpanMs = 10 * 60 * 1000;
    static constexpr std::int64_t kMinSpanMs = 10 * 1000;
    static constexpr std::int64_t kMaxSpanMs = 25 * 3600 * 1000LL;

    bool Live() const { return live_; }
    std::int64_t SpanMs() const { return spanMs_; }
    // Live: the span ending now; paused: the span where it was left.
    trend::TimeRange Visible(std::int64_t nowMs) const;

    void Pause(std::int64_t nowMs);
    void BackToLive() { live_ = true; }
    // Zooms by `factor` (< 1 in, > 1 out) keeping `anchorMs` where it is; live stays live (its right edge is
    // now).
    void Zoom(double factor, std::int64_t anchorMs, std::int64_t nowMs);
    // Moves the span by `deltaMs` (negative: into the past); this pauses. A span moved up to now is live
    // again.
    void Pan(std::int64_t deltaMs, std::int64_t nowMs);

  private:
    bool live_ = true;
    std::int64_t spanMs_ = kDefaultSpanMs;
    std::int64_t pausedEndMs_ = 0;
};

// Ticks of the time axis: a round step (1 s .. 12 h) giving at most `maxTicks` ticks in `range`.
std::vector<std::int64_t> TimeTicks(trend::TimeRange range, int maxTicks);
// "hh:mm:ss", or "mm-dd hh:mm" when the span covers more than a day's part worth a date.
std::string TimeTickText(std::int64_t msSinceEpoch, std::int64_t spanMs);
// "yyyy-mm-dd hh:mm:ss.zzz"
std::string ReadoutTimeText(std::int64_t msSinceEpoch);

// A value range with round ends holding every value of `columns`; [0, 1] when there is none.
struct ValueAxis {
    double min = 0;
    double max = 1;
    double step = 0.2;
    bool operator==(const ValueAxis&) const = default;
};
ValueAxis NiceValueAxis(std::optional<double> lowest, std::optional<double> highest, int maxTicks);

// The last sample at or before `ms` and at most `maxAgeMs` older; nullopt for none or a gap.
std::optional<float> ValueAt(std::span<const trend::Sample> samples, std::int64_t ms, std::int64_t maxAgeMs);

// A curve's colour: the point's text colour, its back colour where the text colour is too light to see on
// the chart's white, black where both are.
struct CurveRgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const CurveRgb&) const = default;
};
CurveRgb CurveColour(CurveRgb text, CurveRgb back);

}  // namespace ui
