#pragma once
// Decimation for drawing: the smallest and largest value of each pixel column, so a curve of any length is
// drawn with at most two points per column and no peak is lost.
#include <span>
#include <vector>

#include "trend/TrendSample.h"

namespace trend {

// Collects samples into `columns` equal columns of `range`; samples outside the range and gaps are left out.
class ColumnAccumulator {
  public:
    ColumnAccumulator(TimeRange range, int columns);
    void Add(std::int64_t msSinceEpoch, float value);
    int ColumnOf(std::int64_t msSinceEpoch) const;  // -1 outside the range
    std::vector<Column> Take() { return std::move(columns_); }
    // Columns in which a gap was recorded: a curve is not drawn across them.
    const std::vector<bool>& GapColumns() const { return gaps_; }

  private:
    TimeRange range_;
    std::vector<Column> columns_;
    std::vector<bool> gaps_;
};

std::vector<Column> DecimateMinMax(std::span<const Sample> samples, TimeRange range, int columns);

}  // namespace trend
