// One redraw of the trend window's chart on the offscreen platform: 8 curves of the last hour at 2.5 polls a
// second, 1000 pixels wide, painted into an image as the window would. At 10 redraws a second the share of a
// core is ten times the CPU time of one.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <memory>

#include "trend/TrendStore.h"
#include "ui/trend/DlgTrend.h"

namespace {

constexpr std::int64_t kNow = 1'780'000'000'000;

void BM_TrendChartRedraw8CurvesOfAnHour(benchmark::State& state) {
    auto store = std::make_unique<trend::TrendStore>();
    int n = 0;
    for (std::int64_t ms = kNow - 3'600'000; ms < kNow; ms += 400, ++n) {
        trend::PollSnapshot s = trend::PollSnapshot::Gaps(ms);
        for (int p = 0; p < 8; ++p)
            s.values[static_cast<std::size_t>(p)] = float(p * 10 + (n * (p + 1)) % 17);
        store->Append(s);
    }
    std::vector<ui::TrendPoint> points;
    for (int p = 0; p < 8; ++p)
        points.push_back({"Point " + std::to_string(p), "P" + std::to_string(p), {0, 0, 255}, 100});
    ui::DlgTrend window(*store, points, "/nonexistent", [] { return kNow; });
    for (int p = 0; p < 8; ++p) window.ShowPoint(p);
    window.Chart().State().Zoom(6.0, 0, kNow);  // the span of an hour
    window.Chart().resize(1076, 480);
    QImage image(window.Chart().size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        window.Chart().render(&image);
        benchmark::DoNotOptimize(image.bits());
    }
    state.counters["spanMin"] = static_cast<double>(window.Chart().State().SpanMs()) / 60000.0;
    state.counters["plotWidth"] = window.Chart().PlotRect().width();
}
BENCHMARK(BM_TrendChartRedraw8CurvesOfAnHour)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
