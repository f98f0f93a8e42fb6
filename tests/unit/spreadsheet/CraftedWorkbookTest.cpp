// Crafted workbooks at the information export's file name are refused quickly, without the memory a careless
// reader would take for them.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "spreadsheet/BiffReader.h"
#include "ui/settings/InformationExport.h"
#include "unit/spreadsheet/CraftedWorkbooks.h"
#include "unit/spreadsheet/ExportFixture.h"
#include "unit/spreadsheet/TempFolder.h"

namespace spreadsheet {
namespace {

namespace crafted = testing::crafted;

// A UTF-8 name as a path: a narrow one would be taken in the ANSI code page on Windows.
std::filesystem::path Utf8Path(const std::string& name) {
    return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

std::string ReadFile(const std::string& name) {
    std::ifstream in(Utf8Path(name), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The export over `file` left at its name: the failure the operator is shown, taking less than a second. A
// file refused as a whole is left as it was.
void ExpectExportRefused(const Bytes& file, bool keptWhole = true) {
    testing::TempFolder dir;
    const std::string folder = dir.File("信息导出");
    std::filesystem::create_directory(Utf8Path(folder));
    platform::LocalTime now;
    now.year = 2026, now.month = 12, now.day = 7, now.hour = 9, now.minute = 5;
    const std::string path = ui::ExportFilePath(dir.Path(), now);
    std::ofstream(Utf8Path(path), std::ios::binary) << file;
    testing::ExportTables t;
    testing::RecordingView view;
    const auto start = std::chrono::steady_clock::now();
    ui::ExportInformation(view, dir.Path(), now, t.settings, t.params, testing::ExportTables::IsChoice);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    ASSERT_EQ(view.calls.size(), 3u);
    EXPECT_EQ(view.calls[2].rfind("error:导出文件失败：" + path + "\n", 0), 0u) << view.calls[2];
    if (keptWhole) {
        EXPECT_EQ(ReadFile(path), file);
    }
}

std::string ContainerError(const Bytes& file) {
    std::string error;
    EXPECT_FALSE(ReadWorkbookStream(file, &error));
    return error;
}

TEST(CraftedWorkbookTest, FatSectorMappedOntoItself) {
    const Bytes file = crafted::SelfMappedFat();
    ExpectExportRefused(file);
    EXPECT_EQ(ContainerError(file), "FAT larger than the file");
    // Within the file's size: the one FAT sector listed 109 times, then listed once with the directory's
    // chain looping on itself.
    Bytes repeated = file;
    SetU32At(repeated, 44, 109);
    EXPECT_EQ(ContainerError(repeated), "FAT sector listed twice");
    Bytes once = file;
    SetU32At(once, 44, 1);
    EXPECT_EQ(ContainerError(once), "damaged directory");
}

TEST(CraftedWorkbookTest, LoopingDifatChain) {
    const Bytes file = crafted::LoopingDifat();
    ExpectExportRefused(file);
    EXPECT_EQ(ContainerError(file), "FAT larger than the file");
}

TEST(CraftedWorkbookTest, SheetsSharingTheirRecords) {
    ExpectExportRefused(crafted::SharedSheetFile());
    std::string error;
    EXPECT_FALSE(ReadBiffWorkbook(crafted::SharedSheetStream(), &error));
    EXPECT_EQ(error, "sheet listed twice");
    // Distinct offsets whose records overlap: the rows they make are bounded by the stream's size.
    EXPECT_FALSE(ReadBiffWorkbook(crafted::OverlappingSheetsStream(), &error));
    EXPECT_EQ(error, "more cells than the workbook holds");
    // A few such sheets fit: each reads as a sheet of its own.
    const auto few = ReadBiffWorkbook(crafted::OverlappingSheetsStream(3), &error);
    ASSERT_TRUE(few) << error;
    ASSERT_EQ(few->sheets.size(), 3u);
    EXPECT_EQ(few->sheets[2].At(65535, 0), Cell::Num(1.0));
}

// Two cells of an exported sheet that span it whole: the query over it would return 16 million empty fields.
// That sheet is refused; the other sheet is still written.
TEST(CraftedWorkbookTest, FarApartCellsOfAnExportedSheet) {
    ExpectExportRefused(WriteCompoundFile(crafted::FarCornersStream("定值")), false);
}

}  // namespace
}  // namespace spreadsheet
