#include "ui/trend/TrendViewState.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace ui {

trend::TimeRange TrendViewState::Visible(std::int64_t nowMs) const {
    const std::int64_t end = live_ ? nowMs : pausedEndMs_;
    return trend::TimeRange{end - spanMs_, end};
}

void TrendViewState::Pause(std::int64_t nowMs) {
    if (!live_) return;
    pausedEndMs_ = nowMs;
    live_ = false;
}

void TrendViewState::Zoom(double factor, std::int64_t anchorMs, std::int64_t nowMs) {
    const trend::TimeRange before = Visible(nowMs);
    const std::int64_t span =
        std::clamp(static_cast<std::int64_t>(std::llround(static_cast<double>(spanMs_) * factor)), kMinSpanMs,
                   kMaxSpanMs);
    if (live_) {
        spanMs_ = span;
        return;
    }
    anchorMs = std::clamp(anchorMs, before.fromMs, before.toMs);
    const double share = static_cast<double>(before.toMs - anchorMs) / static_cast<double>(before.Length());
    pausedEndMs_ = anchorMs + static_cast<std::int64_t>(std::llround(share * static_cast<double>(span)));
    spanMs_ = span;
    if (pausedEndMs_ >= nowMs) live_ = true;
}

void TrendViewState::Pan(std::int64_t deltaMs, std::int64_t nowMs) {
    const std::int64_t end = Visible(nowMs).toMs + deltaMs;
    if (end >= nowMs) {
        live_ = true;
        return;
    }
    live_ = false;
    pausedEndMs_ = end;
}

std::vector<std::int64_t> TimeTicks(trend::TimeRange range, int maxTicks) {
    static constexpr std::int64_t kSteps[] = {
        1'000,   2'000,   5'000,     10'000,    15'000,    30'000,     60'000,     120'000,    300'000,
        600'000, 900'000, 1'800'000, 3'600'000, 7'200'000, 10'800'000, 21'600'000, 43'200'000, 86'400'000};
    std::vector<std::int64_t> ticks;
    if (range.Length() <= 0 || maxTicks <= 0) return ticks;
    std::int64_t step = kSteps[std::size(kSteps) - 1];
    for (std::int64_t s : kSteps) {
        if (range.Length() / s <= maxTicks) {
            step = s;
            break;
        }
    }
    std::int64_t t = range.fromMs / step * step;
    if (t < range.fromMs) t += step;
    for (; t < range.toMs; t += step) ticks.push_back(t);
    return ticks;
}

std::string TimeTickText(std::int64_t ms, std::int64_t spanMs) {
    const platform::LocalTime t = trend::FromMs(ms);
    char text[32];
    if (spanMs > 6 * 3600 * 1000LL) {
        std::snprintf(text, sizeof text, "%02d-%02d %02d:%02d", t.month, t.day, t.hour, t.minute);
    } else {
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    }
    return text;
}

std::string ReadoutTimeText(std::int64_t ms) {
    const platform::LocalTime t = trend::FromMs(ms);
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second, t.millisecond);
    return text;
}

ValueAxis NiceValueAxis(std::optional<double> lowest, std::optional<double> highest, int maxTicks) {
    if (!lowest || !highest) return ValueAxis{};
    double lo = *lowest;
    double hi = *highest;
    if (hi - lo < 1e-9 * std::max(1.0, std::fabs(hi))) {
        // A flat curve sits in the middle of a range one unit (or a tenth of its value) wide.
        const double half = std::max(0.5, std::fabs(hi) * 0.05);
        lo -= half;
        hi += half;
    }
    maxTicks = std::max(maxTicks, 2);
    const double raw = (hi - lo) / maxTicks;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    double step = magnitude * 10;
    for (double m : {1.0, 2.0, 2.5, 5.0, 10.0}) {
        if (raw <= m * magnitude) {
            step = m * magnitude;
            break;
        }
    }
    return ValueAxis{std::floor(lo / step) * step, std::ceil(hi / step) * step, step};
}

std::optional<float> ValueAt(std::span<const trend::Sample> samples, std::int64_t ms, std::int64_t maxAgeMs) {
    const auto after =
        std::upper_bound(samples.begin(), samples.end(), ms,
                         [](std::int64_t t, const trend::Sample& s) { return t < s.msSinceEpoch; });
    if (after == samples.begin()) return std::nullopt;
    const trend::Sample& s = *(after - 1);
    if (ms - s.msSinceEpoch > maxAgeMs || trend::IsGap(s.value)) return std::nullopt;
    return s.value;
}

CurveRgb CurveColour(CurveRgb text, CurveRgb back) {
    const auto light = [](const CurveRgb& c) { return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b > 200; };
    if (!light(text)) return text;
    if (!light(back)) return back;
    return CurveRgb{0, 0, 0};
}

}  // namespace ui
