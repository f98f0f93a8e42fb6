#include "trend/MinMaxColumns.h"

#include <algorithm>

namespace trend {

ColumnAccumulator::ColumnAccumulator(TimeRange range, int columns)
    : range_(range),
      columns_(static_cast<std::size_t>(std::max(columns, 0))),
      gaps_(static_cast<std::size_t>(std::max(columns, 0)), false) {}

int ColumnAccumulator::ColumnOf(std::int64_t ms) const {
    if (columns_.empty() || range_.Length() <= 0 || !range_.Contains(ms)) return -1;
    const std::int64_t column =
        (ms - range_.fromMs) * static_cast<std::int64_t>(columns_.size()) / range_.Length();
    return static_cast<int>(column);
}

void ColumnAccumulator::Add(std::int64_t ms, float value) {
    const int c = ColumnOf(ms);
    if (c < 0) return;
    if (IsGap(value)) {
        gaps_[static_cast<std::size_t>(c)] = true;
        return;
    }
    Column& column = columns_[static_cast<std::size_t>(c)];
    if (!column) {
        column = MinMax{value, value};
    } else {
        column->min = std::min(column->min, value);
        column->max = std::max(column->max, value);
    }
}

std::vector<Column> DecimateMinMax(std::span<const Sample> samples, TimeRange range, int columns) {
    ColumnAccumulator accumulator(range, columns);
    for (const Sample& s : samples) accumulator.Add(s.msSinceEpoch, s.value);
    return accumulator.Take();
}

}  // namespace trend
