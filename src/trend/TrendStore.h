#pragma once
// The recording behind the trend: every decoded poll at full rate for the last hour (at up to 2.5 polls a
// second; a faster link keeps less at full rate), and the minimum and maximum of each second for the 23 hours
// before. A minute leaves the full-rate ring as its seconds' minima and maxima. All memory is taken when the
// store is made; appending never allocates, and every member takes one short mutex, so the management thread
// that appends waits at most for a copy of a visible span.
//
// Older seconds are kept per minute and point as 16-bit steps between the minute's smallest and largest
// value (a step is 1/65533 of that spread), which keeps 24 hours of 63 points under 25 MB.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "trend/MinMaxColumns.h"
#include "trend/TrendSample.h"

namespace trend {

class TrendStore {
  public:
    static constexpr std::size_t kFullRateCapacity = 9000;  // polls: an hour at 2.5 polls a second
    static constexpr int kSecondsPerBlock = 60;
    static constexpr std::size_t kBlocks = 23 * 60;  // minutes of per-second minimum and maximum
    static constexpr std::size_t kMarkCapacity = 2000;

    TrendStore();

    // A poll's values. A time before the newest one (the PC's clock was set back) starts the store afresh:
    // the files keep what was recorded.
    void Append(const PollSnapshot& snapshot);
    void AddMark(std::int64_t msSinceEpoch, std::string text);
    void Clear();

    // The samples of one point in `range`, oldest first: full-rate polls where held, before them each second
    // as its minimum and then, half a second later, its maximum. A run of gaps is one gap sample.
    std::vector<Sample> Copy(TimeRange range, int point) const;
    // The same, decimated into `columns` pixel columns; `gapColumns` (optional) receives the columns that
    // hold a gap.
    std::vector<Column> CopyColumns(TimeRange range, int point, int columns,
                                    std::vector<bool>* gapColumns = nullptr) const;
    // Full-rate polls with their time in `range`.
    std::vector<PollSnapshot> Snapshots(TimeRange range) const;
    std::vector<Mark> Marks(TimeRange range) const;
    // From the oldest value held to just after the newest; empty before the first poll.
    std::optional<TimeRange> Held() const;
    std::size_t BytesUsed() const;

  private:
    struct Scale {
        float base = 0;
        float step = 0;
    };
    template <typename Sink>
    void Visit(TimeRange range, int point, Sink&& sink) const;
    std::optional<MinMax> SecondAt(std::int64_t second, int point) const;
    void CommitMinute(std::int64_t minute);
    void ClearLocked();
    const PollSnapshot& FullAt(std::size_t i) const { return full_[(fullHead_ + i) % full_.size()]; }
    std::size_t FirstFullAtOrAfter(std::int64_t ms) const;

    mutable std::mutex mutex_;
    std::vector<PollSnapshot> full_;
    std::size_t fullHead_ = 0;
    std::size_t fullCount_ = 0;
    // The seconds of the minute being handed from the ring to the blocks, per second and point.
    std::vector<MinMax> staging_;
    // Minutes out of the ring: slot m % kBlocks holds minute m when blockMinute_ says so.
    std::optional<std::int64_t> lastBlockMinute_;
    std::vector<std::int64_t> blockMinute_;
    std::vector<Scale> scales_;         // [slot][point]
    std::vector<std::uint16_t> steps_;  // [slot][point][second][min, max]
    std::deque<Mark> marks_;
    std::size_t markTextBytes_ = 0;
    std::optional<std::int64_t> firstMs_;
    std::int64_t newestMs_ = 0;
};

}  // namespace trend
