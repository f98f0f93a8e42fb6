// One log entry end to end (prefix, GBK conversion, locked append to the day's file), and the log box's
// cut-and-append at capacity.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "log/LogBoxText.h"
#include "log/OperationLog.h"

namespace {

class TempProgramFolder {
  public:
    TempProgramFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "varn-bench-log-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            root = pattern;
            std::filesystem::create_directory(std::filesystem::path(root) / "运行记录");
        }
    }
    ~TempProgramFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    std::string root;
};

void BM_LogOperationToFile(benchmark::State& state) {
    TempProgramFolder folder;
    oplog::OperationLog::Options options;
    options.programFolder = folder.root;
    oplog::OperationLog log(options);
    std::string box;
    log.SetLogBoxSink([&](const std::string& entry) { box = entry; });
    for (auto _ : state) {
        log.LogOperation("遥信变位: 高压侧断路器 合");
    }
    benchmark::DoNotOptimize(box);
}
BENCHMARK(BM_LogOperationToFile);

void BM_LogBoxAppendAtCapacity(benchmark::State& state) {
    std::u16string text(oplog::kLogBoxLimit, u'x');
    const std::u16string entry = u"08:05:09 -> 遥信变位: 高压侧断路器 合\r\n";
    for (auto _ : state) {
        // Every iteration starts at the limit, so each one pays for the cut.
        text.resize(oplog::kLogBoxLimit, u'x');
        oplog::AppendToLogBox(text, entry);
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(BM_LogBoxAppendAtCapacity);

}  // namespace

BENCHMARK_MAIN();
