// Export of full tables (128 settings, 128 parameters) to a new workbook, as the information export does it.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/Gbk.h"
#include "ui/settings/InformationExport.h"

namespace {

void BM_ExportFullTablesToNewWorkbook(benchmark::State& state) {
    static config::SettingTable settings{};
    static config::ParamTable params{};
    settings.Number = config::kPointCount;
    params.Number = config::kPointCount;
    for (int i = 0; i < config::kPointCount; ++i) {
        config::SetText(settings.Name[i], platform::Utf8ToGbk("定值名称" + std::to_string(i + 1)));
        settings.RawValue[i] = static_cast<std::uint16_t>(i * 37);
        settings.Value[i] = static_cast<float>(i) * 0.37f;
        settings.ValueNmuber[i] = i % 4 == 0 ? 2 : 0;
        config::SetText(settings.ValueDescribe[i][0], platform::Utf8ToGbk("退出"));
        config::SetText(settings.ValueDescribe[i][1], platform::Utf8ToGbk("投入"));
        config::SetText(params.Name[i], platform::Utf8ToGbk("参数名称" + std::to_string(i + 1)));
        params.RawValue[i] = static_cast<std::uint16_t>(i * 11);
    }
    std::string folder = (std::filesystem::temp_directory_path() / "varn-bench-XXXXXX").string();
    if (!::mkdtemp(folder.data())) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string path = folder + "/export.xls";
    for (auto _ : state) {
        std::filesystem::remove(path);
        std::string error;
        const bool ok =
            ui::WriteInformationWorkbook(path, ui::SettingRows(settings, [](int i) { return i % 4 == 0; }),
                                         ui::ParameterRows(params), error);
        if (!ok) state.SkipWithError(error.c_str());
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ExportFullTablesToNewWorkbook)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
