// The trend's recording: one answer's 63 values appended to a store that is already full (the oldest poll
// leaves, and once a minute a minute goes into the per-second blocks), the memory of 24 hours, and the copy
// a redraw makes: 8 curves of the last hour decimated to 1000 pixel columns.
#include <benchmark/benchmark.h>

#include <memory>

#include "trend/TrendStore.h"

namespace {

constexpr std::int64_t kStart = 1'780'000'000'000;
constexpr std::int64_t kPollMs = 400;  // 2.5 polls a second

trend::PollSnapshot Poll(std::int64_t ms, int n) {
    trend::PollSnapshot s;
    s.msSinceEpoch = ms;
    for (int p = 0; p < trend::kTrendPoints; ++p)
        s.values[static_cast<std::size_t>(p)] = float(p * 10 + n % 7);
    return s;
}

// Fills `store` with `seconds` of polls and returns the time of the next one.
std::int64_t Fill(trend::TrendStore& store, std::int64_t seconds) {
    std::int64_t ms = kStart;
    for (int n = 0; ms < kStart + seconds * 1000; ++n, ms += kPollMs) store.Append(Poll(ms, n));
    return ms;
}

void BM_TrendAppendToAFullStore(benchmark::State& state) {
    auto store = std::make_unique<trend::TrendStore>();
    std::int64_t ms = Fill(*store, 2 * 3600);
    int n = 0;
    for (auto _ : state) {
        store->Append(Poll(ms, n++));
        ms += kPollMs;
    }
}
BENCHMARK(BM_TrendAppendToAFullStore)->Repetitions(10)->ReportAggregatesOnly(true);

void BM_TrendMemoryOf24Hours(benchmark::State& state) {
    for (auto _ : state) {
        auto store = std::make_unique<trend::TrendStore>();
        Fill(*store, 24 * 3600);
        for (int m = 0; m < 5000; ++m)
            store->AddMark(kStart + m * 1000, "SOE发生：高压侧断路器，26-12-11 10:00:00_000");
        state.counters["bytes"] = static_cast<double>(store->BytesUsed());
        state.counters["heldHours"] = static_cast<double>(store->Held()->Length()) / 3.6e6;
    }
}
BENCHMARK(BM_TrendMemoryOf24Hours)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_TrendColumnsOf8CurvesOfAnHour(benchmark::State& state) {
    auto store = std::make_unique<trend::TrendStore>();
    const std::int64_t end = Fill(*store, 2 * 3600);
    const trend::TimeRange hour{end - 3'600'000, end};
    for (auto _ : state) {
        for (int p = 0; p < 8; ++p) benchmark::DoNotOptimize(store->CopyColumns(hour, p, 1000));
    }
}
BENCHMARK(BM_TrendColumnsOf8CurvesOfAnHour)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

void BM_TrendColumnsOf8CurvesOf24Hours(benchmark::State& state) {
    auto store = std::make_unique<trend::TrendStore>();
    const std::int64_t end = Fill(*store, 24 * 3600);
    const trend::TimeRange day{end - 24 * 3'600'000LL, end};
    for (auto _ : state) {
        for (int p = 0; p < 8; ++p) benchmark::DoNotOptimize(store->CopyColumns(day, p, 1000));
    }
}
BENCHMARK(BM_TrendColumnsOf8CurvesOf24Hours)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
