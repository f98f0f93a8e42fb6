#include "trend/TrendStore.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace trend {
namespace {

constexpr std::uint16_t kStepGap = 65535;      // only gaps in the second
constexpr std::uint16_t kStepNoValue = 65534;  // nothing recorded in the second
constexpr float kStepsInSpread = 65533.0f;     // steps 0 .. 65533 carry values
constexpr int kSeconds = TrendStore::kSecondsPerBlock;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

std::size_t StagingIndex(int second, int point) {
    return static_cast<std::size_t>(second) * kTrendPoints + static_cast<std::size_t>(point);
}

// A second with a value has min <= max; a second with only gaps has min = +inf; an empty one is NaN.
constexpr MinMax kNothing{kGap, kGap};
constexpr MinMax kOnlyGaps{std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()};

bool HasValue(const MinMax& m) {
    return !IsGap(m.min) && m.min <= m.max;
}

}  // namespace

TrendStore::TrendStore()
    : full_(kFullRateCapacity),
      staging_(static_cast<std::size_t>(kSeconds) * kTrendPoints, kNothing),
      blockMinute_(kBlocks, std::numeric_limits<std::int64_t>::min()),
      scales_(kBlocks * kTrendPoints),
      steps_(kBlocks * kTrendPoints * kSeconds * 2, kStepNoValue) {}

void TrendStore::Append(const PollSnapshot& snapshot) {
    std::lock_guard lock(mutex_);
    const std::int64_t ms = snapshot.msSinceEpoch;
    if (firstMs_ && ms < newestMs_) ClearLocked();
    if (!firstMs_) firstMs_ = ms;
    newestMs_ = ms;

    if (fullCount_ < full_.size()) {
        full_[(fullHead_ + fullCount_) % full_.size()] = snapshot;
        ++fullCount_;
        return;
    }
    // The oldest poll goes; the first of its minute takes the whole minute into the blocks first.
    const std::int64_t minute = FloorDiv(full_[fullHead_].msSinceEpoch, 60'000);
    if (!lastBlockMinute_ || minute > *lastBlockMinute_) CommitMinute(minute);
    full_[fullHead_] = snapshot;
    fullHead_ = (fullHead_ + 1) % full_.size();
}

void TrendStore::CommitMinute(std::int64_t minute) {
    std::fill(staging_.begin(), staging_.end(), kNothing);
    for (std::size_t i = 0; i < fullCount_; ++i) {
        const PollSnapshot& snapshot = FullAt(i);
        if (FloorDiv(snapshot.msSinceEpoch, 60'000) != minute) break;
        const int second = static_cast<int>(FloorDiv(snapshot.msSinceEpoch, 1000) - minute * kSeconds);
        MinMax* row = &staging_[StagingIndex(second, 0)];
        for (int p = 0; p < kTrendPoints; ++p) {
            const float v = snapshot.values[static_cast<std::size_t>(p)];
            MinMax& m = row[p];
            if (IsGap(m.min)) m = kOnlyGaps;
            if (IsGap(v)) continue;
            m.min = std::min(m.min, v);
            m.max = std::max(m.max, v);
        }
    }
    lastBlockMinute_ = minute;
    const std::size_t slot = static_cast<std::size_t>(minute % static_cast<std::int64_t>(kBlocks));
    blockMinute_[slot] = minute;
    for (int p = 0; p < kTrendPoints; ++p) {
        float lo = std::numeric_limits<float>::infinity();
        float hi = -std::numeric_limits<float>::infinity();
        for (int s = 0; s < kSeconds; ++s) {
            const MinMax& m = staging_[StagingIndex(s, p)];
            if (!HasValue(m)) continue;
            lo = std::min(lo, m.min);
            hi = std::max(hi, m.max);
        }
        Scale& scale = scales_[slot * kTrendPoints + static_cast<std::size_t>(p)];
        scale.base = lo <= hi ? lo : 0.0f;
        scale.step = lo < hi ? (hi - lo) / kStepsInSpread : 0.0f;
        std::uint16_t* out = &steps_[(slot * kTrendPoints + static_cast<std::size_t>(p)) * kSeconds * 2];
        const auto quantise = [&scale](float v) {
            if (scale.step == 0.0f) return std::uint16_t{0};
            const float q = std::round((v - scale.base) / scale.step);
            return static_cast<std::uint16_t>(std::clamp(q, 0.0f, kStepsInSpread));
        };
        for (int s = 0; s < kSeconds; ++s) {
            const MinMax& m = staging_[StagingIndex(s, p)];
            if (HasValue(m)) {
                out[2 * s] = quantise(m.min);
                out[2 * s + 1] = quantise(m.max);
            } else {
                const std::uint16_t code = IsGap(m.min) ? kStepNoValue : kStepGap;
                out[2 * s] = code;
                out[2 * s + 1] = code;
            }
        }
    }
}

// nullopt: nothing recorded; a MinMax of gaps: only gaps.
std::optional<MinMax> TrendStore::SecondAt(std::int64_t second, int point) const {
    const std::int64_t minute = FloorDiv(second, kSeconds);
    const int s = static_cast<int>(second - minute * kSeconds);
    if (minute < 0) return std::nullopt;
    const std::size_t slot = static_cast<std::size_t>(minute % static_cast<std::int64_t>(kBlocks));
    if (blockMinute_[slot] != minute) return std::nullopt;
    const std::size_t cell = slot * kTrendPoints + static_cast<std::size_t>(point);
    const std::uint16_t* steps = &steps_[cell * kSeconds * 2 + static_cast<std::size_t>(2 * s)];
    if (steps[0] == kStepNoValue) return std::nullopt;
    if (steps[0] == kStepGap) return MinMax{kGap, kGap};
    const Scale& scale = scales_[cell];
    return MinMax{scale.base + static_cast<float>(steps[0]) * scale.step,
                  scale.base + static_cast<float>(steps[1]) * scale.step};
}

std::size_t TrendStore::FirstFullAtOrAfter(std::int64_t ms) const {
    std::size_t lo = 0;
    std::size_t hi = fullCount_;
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (FullAt(mid).msSinceEpoch < ms) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo;
}

template <typename Sink>
void TrendStore::Visit(TimeRange range, int point, Sink&& sink) const {
    if (point < 0 || point >= kTrendPoints || !firstMs_ || range.Length() <= 0) return;
    const std::int64_t fullStart =
        fullCount_ ? FullAt(0).msSinceEpoch : std::numeric_limits<std::int64_t>::max();
    bool inGap = false;
    // Whole seconds before the first full-rate poll, within the minutes held.
    std::int64_t second = 0;
    std::int64_t secondsEnd = 0;
    if (lastBlockMinute_) {
        second = std::max(FloorDiv(range.fromMs, 1000),
                          (*lastBlockMinute_ - static_cast<std::int64_t>(kBlocks) + 1) * kSeconds);
        secondsEnd = std::min(FloorDiv(range.toMs + 999, 1000),
                              std::min(FloorDiv(fullStart, 1000), (*lastBlockMinute_ + 1) * kSeconds));
    }
    for (; second < secondsEnd; ++second) {
        const std::optional<MinMax> m = SecondAt(second, point);
        if (!m) continue;
        if (IsGap(m->min)) {
            if (!inGap) sink(second * 1000, kGap);
            inGap = true;
            continue;
        }
        inGap = false;
        sink(second * 1000, m->min);
        if (m->max != m->min) sink(second * 1000 + 500, m->max);
    }
    for (std::size_t i = FirstFullAtOrAfter(std::max(range.fromMs, fullStart)); i < fullCount_; ++i) {
        const PollSnapshot& snapshot = FullAt(i);
        if (snapshot.msSinceEpoch >= range.toMs) break;
        const float v = snapshot.values[static_cast<std::size_t>(point)];
        if (IsGap(v)) {
            if (!inGap) sink(snapshot.msSinceEpoch, kGap);
            inGap = true;
        } else {
            inGap = false;
            sink(snapshot.msSinceEpoch, v);
        }
    }
}

std::vector<Sample> TrendStore::Copy(TimeRange range, int point) const {
    std::vector<Sample> samples;
    std::lock_guard lock(mutex_);
    Visit(range, point, [&samples](std::int64_t ms, float v) { samples.push_back(Sample{ms, v}); });
    return samples;
}

std::vector<Column> TrendStore::CopyColumns(TimeRange range, int point, int columns,
                                            std::vector<bool>* gapColumns) const {
    ColumnAccumulator accumulator(range, columns);
    {
        std::lock_guard lock(mutex_);
        Visit(range, point, [&accumulator](std::int64_t ms, float v) { accumulator.Add(ms, v); });
    }
    if (gapColumns) *gapColumns = accumulator.GapColumns();
    return accumulator.Take();
}

std::vector<PollSnapshot> TrendStore::Snapshots(TimeRange range) const {
    std::vector<PollSnapshot> out;
    std::lock_guard lock(mutex_);
    for (std::size_t i = FirstFullAtOrAfter(range.fromMs); i < fullCount_; ++i) {
        const PollSnapshot& snapshot = FullAt(i);
        if (snapshot.msSinceEpoch >= range.toMs) break;
        out.push_back(snapshot);
    }
    return out;
}

void TrendStore::AddMark(std::int64_t ms, std::string text) {
    std::lock_guard lock(mutex_);
    if (marks_.size() == kMarkCapacity) {
        markTextBytes_ -= marks_.front().text.capacity();
        marks_.pop_front();
    }
    markTextBytes_ += text.capacity();
    marks_.push_back(Mark{ms, std::move(text)});
}

std::vector<Mark> TrendStore::Marks(TimeRange range) const {
    std::vector<Mark> out;
    std::lock_guard lock(mutex_);
    for (const Mark& mark : marks_) {
        if (range.Contains(mark.msSinceEpoch)) out.push_back(mark);
    }
    return out;
}

std::optional<TimeRange> TrendStore::Held() const {
    std::lock_guard lock(mutex_);
    if (!firstMs_) return std::nullopt;
    std::int64_t oldest = fullCount_ ? FullAt(0).msSinceEpoch : newestMs_;
    if (lastBlockMinute_)
        oldest = std::max(*firstMs_, (*lastBlockMinute_ - static_cast<std::int64_t>(kBlocks) + 1) * 60'000);
    return TimeRange{oldest, newestMs_ + 1};
}

void TrendStore::Clear() {
    std::lock_guard lock(mutex_);
    ClearLocked();
    marks_.clear();
    markTextBytes_ = 0;
}

void TrendStore::ClearLocked() {
    fullHead_ = 0;
    fullCount_ = 0;
    lastBlockMinute_.reset();
    std::fill(blockMinute_.begin(), blockMinute_.end(), std::numeric_limits<std::int64_t>::min());
    firstMs_.reset();
    newestMs_ = 0;
}

std::size_t TrendStore::BytesUsed() const {
    std::lock_guard lock(mutex_);
    return sizeof(*this) + full_.capacity() * sizeof(PollSnapshot) + staging_.capacity() * sizeof(MinMax) +
           blockMinute_.capacity() * sizeof(std::int64_t) + scales_.capacity() * sizeof(Scale) +
           steps_.capacity() * sizeof(std::uint16_t) + kMarkCapacity * sizeof(Mark) + markTextBytes_;
}

}  // namespace trend
