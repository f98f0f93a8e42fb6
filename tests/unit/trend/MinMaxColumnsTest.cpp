#include "trend/MinMaxColumns.h"

#include <gtest/gtest.h>

#include <vector>

namespace trend {
namespace {

std::vector<Sample> OnePerSecond(const std::vector<float>& values) {
    std::vector<Sample> samples;
    for (std::size_t i = 0; i < values.size(); ++i)
        samples.push_back(Sample{static_cast<std::int64_t>(i) * 1000, values[i]});
    return samples;
}

TimeRange RangeOf(const std::vector<Sample>& samples) {
    return TimeRange{0, static_cast<std::int64_t>(samples.size()) * 1000};
}

struct Case {
    const char* name;
    std::vector<float> samples;
    int columns;
    std::vector<Column> expected;
};

TEST(MinMaxColumns, Cases) {
    const Case kCases[] = {
        {"one column keeps min and max", {3, 1, 2}, 1, {MinMax{1, 3}}},
        {"a gap is not a zero", {5, kGap, 7}, 1, {MinMax{5, 7}}},
        {"a column of gaps stays a gap", {kGap, kGap}, 2, {std::nullopt, std::nullopt}},
        {"columns split the range evenly", {1, 2, 3, 4}, 2, {MinMax{1, 2}, MinMax{3, 4}}},
        {"more columns than samples leave empty ones",
         {1, 2},
         4,
         {MinMax{1, 1}, std::nullopt, MinMax{2, 2}, std::nullopt}},
        {"a single peak survives", {0, 0, 9, 0, 0, 0}, 2, {MinMax{0, 9}, MinMax{0, 0}}},
        {"negative values", {-2, -5}, 1, {MinMax{-5, -2}}},
        {"no columns", {1}, 0, {}},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const auto samples = OnePerSecond(c.samples);
        EXPECT_EQ(DecimateMinMax(samples, RangeOf(samples), c.columns), c.expected);
    }
}

TEST(MinMaxColumns, SamplesOutsideTheRangeAreLeftOutAndGapsAreFlagged) {
    const std::vector<Sample> samples{{-1, 100}, {0, 1}, {1500, kGap}, {2999, 3}, {3000, 100}};
    ColumnAccumulator accumulator(TimeRange{0, 3000}, 3);
    for (const Sample& s : samples) accumulator.Add(s.msSinceEpoch, s.value);
    EXPECT_EQ(accumulator.GapColumns(), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(accumulator.Take(), (std::vector<Column>{MinMax{1, 1}, std::nullopt, MinMax{3, 3}}));
}

}  // namespace
}  // namespace trend
