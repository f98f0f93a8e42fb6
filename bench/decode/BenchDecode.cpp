// Decoding of a 64-register poll answer with the shipped sample configuration: a steady relay (nothing but
// the clock, model and version boxes changes) and a relay whose every value and signal changes each time,
// with and without a view, and with the trend recording each answer (the difference is what recording adds
// to a pass).
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "config/TableLoader.h"
#include "engine/PollDecoder.h"
#include "modbus/Crc16.h"
#include "trend/TrendStore.h"

namespace {

class NoOpView : public engine::MainView {
  public:
    void ShowPcTime(const std::string&) override {}
    void ShowDeviceTime(const std::string&) override {}
    void ShowDeviceModel(const std::string&) override {}
    void ShowDeviceVersion(const std::string&) override {}
    void ShowYcValue(int, const std::string&) override {}
    void ShowYxState(int, const std::string&) override {}
    void ShowAddress(const std::string&) override {}
    void SetTitle(const std::string&) override {}
};

std::vector<std::uint8_t> PollFrame(std::uint16_t seed, std::uint16_t signals) {
    constexpr int kRegisters = 64;
    std::vector<std::uint8_t> frame{1, 3, 2 * kRegisters};
    for (int r = 0; r < kRegisters; ++r) {
        std::uint16_t value = static_cast<std::uint16_t>(seed + 37 * r);
        if (r < 6) value = static_cast<std::uint16_t>(10 + r);  // clock
        if (r == 6) value = 0x0303;                             // event ring indices equal
        if (r == 7) value = 163;                                // version
        if (r == 8 || r == 9) value = signals;
        frame.push_back(static_cast<std::uint8_t>(value >> 8));
        frame.push_back(static_cast<std::uint8_t>(value & 0xFF));
    }
    const std::uint16_t crc = modbus::Crc16(frame.data(), frame.size());
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
    return frame;
}

struct Setup {
    Setup() : context(deviceVersion) {
        const std::string ini = std::string(VARN_BENCH_SOURCE_DIR) + "/program_folder/配置文件/VARN.ini";
        config::LoadYcTable(ini, *yc);
        config::LoadYxTable(ini, *yx);
        context.tables = engine::LiveTables{yc.get(), yx.get(), &mutex};
        context.log = [](const std::string&) {};
        context.playSound = [](const std::string&) {};
        context.soeCheck = [](const std::uint8_t*, std::size_t) {};
    }
    std::unique_ptr<config::YcTable> yc = std::make_unique<config::YcTable>();
    std::unique_ptr<config::YxTable> yx = std::make_unique<config::YxTable>();
    std::mutex mutex;
    std::atomic<std::uint16_t> deviceVersion{0};
    NoOpView view;
    engine::DecodeContext context;
};

void Run(benchmark::State& state, bool withView, bool changing, trend::TrendStore* store = nullptr) {
    Setup setup;
    if (withView) setup.context.view = &setup.view;
    setup.context.trend = store;
    const std::vector<std::uint8_t> frames[2] = {PollFrame(1000, 0x5555), PollFrame(2000, 0xAAAA)};
    int n = 0;
    for (auto _ : state) {
        const auto& frame = frames[changing ? (n++ & 1) : 0];
        engine::DecodePollResponse(frame.data(), frame.size(), setup.context);
    }
    state.counters["YC"] = setup.yc->Number;
    state.counters["YX"] = setup.yx->Number;
}

void BM_DecodeSteadyNoView(benchmark::State& state) {
    Run(state, false, false);
}
void BM_DecodeSteadyNoOpView(benchmark::State& state) {
    Run(state, true, false);
}
void BM_DecodeAllChangingNoView(benchmark::State& state) {
    Run(state, false, true);
}
void BM_DecodeAllChangingNoOpView(benchmark::State& state) {
    Run(state, true, true);
}
void BM_DecodeAllChangingNoOpViewRecorded(benchmark::State& state) {
    auto store = std::make_unique<trend::TrendStore>();
    Run(state, true, true, store.get());
}

BENCHMARK(BM_DecodeSteadyNoView)->Repetitions(10)->ReportAggregatesOnly(true);
BENCHMARK(BM_DecodeSteadyNoOpView)->Repetitions(10)->ReportAggregatesOnly(true);
BENCHMARK(BM_DecodeAllChangingNoView)->Repetitions(10)->ReportAggregatesOnly(true);
BENCHMARK(BM_DecodeAllChangingNoOpView)->Repetitions(10)->ReportAggregatesOnly(true);
BENCHMARK(BM_DecodeAllChangingNoOpViewRecorded)->Repetitions(10)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
