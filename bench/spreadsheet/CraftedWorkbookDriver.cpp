// Runs the information export over a crafted workbook left at the export's file name and prints what the
// operator would be shown and how long it took; run it under /usr/bin/time -v for the peak memory.
// Usage: crafted_workbook_driver
// self-mapped-fat|looping-difat|shared-sheet|overlapping-sheets|far-corners|none
//        crafted_workbook_driver seeds FOLDER    (the shapes as seeds of fuzz_workbook: a first byte 0
//                                                 before a whole file, 1 before a workbook stream)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "unit/spreadsheet/CraftedWorkbooks.h"
#include "unit/spreadsheet/ExportFixture.h"

namespace {

namespace crafted = spreadsheet::testing::crafted;

const std::map<std::string, spreadsheet::Bytes (*)()> kShapes = {
    {"self-mapped-fat", &crafted::SelfMappedFat},
    {"looping-difat", &crafted::LoopingDifat},
    {"shared-sheet", &crafted::SharedSheetFile},
    {"far-corners", [] { return spreadsheet::WriteCompoundFile(crafted::FarCornersStream("定值")); }},
    {"overlapping-sheets", [] { return spreadsheet::WriteCompoundFile(crafted::OverlappingSheetsStream()); }},
};

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<long>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "seeds") {
        const std::string folder = argv[2];
        Write(folder + "/crafted_self_mapped_fat", std::string(1, '\0') + crafted::SelfMappedFat());
        Write(folder + "/crafted_looping_difat", std::string(1, '\0') + crafted::LoopingDifat());
        Write(folder + "/crafted_shared_sheet", std::string(1, '\1') + crafted::SharedSheetStream());
        return 0;
    }
    const std::string shape = argc == 2 ? argv[1] : "";
    if (shape != "none" && !kShapes.count(shape)) {
        std::fprintf(
            stderr,
            "usage: %s self-mapped-fat|looping-difat|shared-sheet|overlapping-sheets|far-corners|none\n",
            argv[0]);
        return 2;
    }
    std::string folder = (std::filesystem::temp_directory_path() / "varn-crafted-XXXXXX").string();
    if (!::mkdtemp(folder.data())) return 1;
    const std::string exports = folder + "/信息导出";
    std::filesystem::create_directory(std::filesystem::path(std::u8string(exports.begin(), exports.end())));
    platform::LocalTime now;
    now.year = 2026, now.month = 12, now.day = 7, now.hour = 9, now.minute = 5;
    const std::string path = ui::ExportFilePath(folder, now);
    if (shape != "none") Write(path, kShapes.at(shape)());

    spreadsheet::testing::ExportTables tables;
    spreadsheet::testing::RecordingView view;
    view.answerOk = false;
    const auto start = std::chrono::steady_clock::now();
    ui::ExportInformation(view, folder, now, tables.settings, tables.params,
                          spreadsheet::testing::ExportTables::IsChoice);
    const auto ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::filesystem::remove_all(folder);
    std::printf("%s: %.1f ms\n", shape.c_str(), ms);
    for (const auto& call : view.calls) std::printf("  %s\n", call.c_str());
    return 0;
}
