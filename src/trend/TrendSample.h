#pragma once
// What the trend records: one value per telemetry point per decoded poll, stamped with the PC's local time.
// Times are milliseconds of the local wall clock counted from 1970-01-01 00:00 as if it were UTC, so a day
// of the trend is a local day and no time zone is looked up.
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "platform/Clock.h"

namespace trend {

inline constexpr int kTrendPoints = 63;  // the telemetry fields of the main window
inline constexpr std::int64_t kMsPerSecond = 1000;
inline constexpr std::int64_t kMsPerDay = 86'400'000;

// A stored value that is no reading (absent, 65535, blanked by a link fault). Never a zero.
inline constexpr float kGap = std::numeric_limits<float>::quiet_NaN();
inline bool IsGap(float value) {
    return std::isnan(value);
}

struct PollSnapshot {
    std::int64_t msSinceEpoch = 0;
    std::array<float, kTrendPoints> values;
    // A snapshot of gaps only.
    static PollSnapshot Gaps(std::int64_t msSinceEpoch) {
        PollSnapshot snapshot;
        snapshot.msSinceEpoch = msSinceEpoch;
        snapshot.values.fill(kGap);
        return snapshot;
    }
};

// One value of one curve; `value` may be kGap (the curve is broken there).
struct Sample {
    std::int64_t msSinceEpoch = 0;
    float value = kGap;
    bool operator==(const Sample&) const = default;
};

// [fromMs, toMs)
struct TimeRange {
    std::int64_t fromMs = 0;
    std::int64_t toMs = 0;
    std::int64_t Length() const { return toMs - fromMs; }
    bool Contains(std::int64_t ms) const { return ms >= fromMs && ms < toMs; }
    bool operator==(const TimeRange&) const = default;
};

struct MinMax {
    float min = 0;
    float max = 0;
    bool operator==(const MinMax&) const = default;
};
using Column = std::optional<MinMax>;  // empty: nothing but gaps in the column

// A mark on the time axis: a telesignal change or an SOE record, with the text the log shows for it.
struct Mark {
    std::int64_t msSinceEpoch = 0;
    std::string text;  // UTF-8
    bool operator==(const Mark&) const = default;
};

std::int64_t ToMs(const platform::LocalTime& t);
platform::LocalTime FromMs(std::int64_t msSinceEpoch);

}  // namespace trend
