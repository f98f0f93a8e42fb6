#pragma once
// The trend written as it is recorded, so nothing is lost when the program ends or dies: one file per local
// day in 运行记录, one GBK CSV line per second that held a poll (its time, then per point the last value
// of the second, empty for a gap), and a header line naming the points at the start of every run. The reader
// takes a span of earlier days back from those files.
#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "log/DailyLogFile.h"
#include "platform/Clock.h"
#include "trend/TrendStore.h"

namespace trend {

// "<program folder>/运行记录/趋势-YYYY-MM-DD.csv"
std::string TrendDayFilePath(const std::string& programFolder, const platform::LocalTime& date);

// "时间,<name>,...\r\n" in GBK; `gbkNames` are the points' names as VARN.ini holds them.
std::string FormatTrendHeader(std::span<const std::string> gbkNames);
// "HH:MM:SS,<value>,...\r\n" for the second starting at `secondMs`; gaps are empty fields.
std::string FormatTrendLine(std::int64_t secondMs, std::span<const float> values);

struct TrendLine {
    int secondOfDay = 0;
    std::vector<float> values;  // kGap for an empty field
};
// A data line (without its line end); nullopt for a header or anything else.
std::optional<TrendLine> ParseTrendLine(std::string_view line);
// The fields of a CSV line, quotes removed.
std::vector<std::string> SplitCsvLine(std::string_view line);

// Appends the seconds the store has finished. Called about once a second from a thread that may wait on the
// file (not the management thread).
class TrendDayWriter {
  public:
    TrendDayWriter(std::string programFolder, std::vector<std::string> gbkNames,
                   oplog::FileAppender& appender);
    // Writes every second before the one `nowMs` lies in that has not been written. False when an append
    // failed; those seconds are tried again next time, for up to an hour.
    bool WriteUpTo(const TrendStore& store, std::int64_t nowMs);

  private:
    std::string folder_;
    std::vector<std::string> names_;
    oplog::FileAppender& appender_;
    std::optional<std::int64_t> writtenUpToMs_;
    std::set<std::string> headed_;  // files that got this run's header
};

// The largest day file the reader takes.
inline constexpr std::size_t kMaxTrendDayFileBytes = 256u << 20;

// Per point (indexed like `gbkNames`, columns matched by name), the samples of `range` found in the day
// files, oldest first. A run's start and a pause of more than kFileGapMs between lines break the curves.
inline constexpr std::int64_t kFileGapMs = 10'000;
std::vector<std::vector<Sample>> ReadTrendDays(const std::string& programFolder, TimeRange range,
                                               std::span<const std::string> gbkNames);

}  // namespace trend
