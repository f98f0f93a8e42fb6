#include <gtest/gtest.h>

#include <filesystem>

#include "platform/ProgramFolder.h"
#include "spreadsheet/WorkbookFile.h"
#include "ui/settings/InformationExport.h"
#include "unit/spreadsheet/ExportFixture.h"
#include "unit/spreadsheet/TempFolder.h"

namespace spreadsheet {
namespace {

using testing::ExportTables;
using testing::RecordingView;
using testing::TempFolder;
using Rows = std::vector<ui::Row>;

platform::LocalTime December7() {
    platform::LocalTime t{2026, 12, 7, 9, 5, 59};
    return t;
}

TEST(InformationExportTest, CellTexts) {
    ExportTables t;
    EXPECT_EQ(ui::SettingRows(t.settings, ExportTables::IsChoice),
              (Rows{{"1", "过流定值", "1.23"}, {"2", "保护投退", "投入"}, {"3", "延时", ""}}));
    EXPECT_EQ(ui::ParameterRows(t.params), (Rows{{"1", "装置地址", "7"}, {"2", "波特率", "65535"}}));

    // A choice value beyond its descriptions shows its number; a cell not marked as a choice its value.
    t.settings.RawValue[1] = 2;
    t.settings.Value[1] = 2.0f;
    EXPECT_EQ(ui::SettingRows(t.settings, ExportTables::IsChoice)[1][2], "2");
    EXPECT_EQ(ui::SettingRows(t.settings, [](int) { return false; })[1][2], "2.00");

    // A name cut to 31 bytes inside a double-byte character still converts.
    config::SetText(t.params.Name[0], std::string(30, 'a') + platform::Utf8ToGbk("表"));
    EXPECT_EQ(ui::ParameterRows(t.params)[0][1].substr(0, 30), std::string(30, 'a'));

    t.settings.Number = 0;
    t.params.Number = 0;
    EXPECT_TRUE(ui::SettingRows(t.settings, ExportTables::IsChoice).empty());
    EXPECT_TRUE(ui::ParameterRows(t.params).empty());
}

TEST(InformationExportTest, WritesBothSheetsAndOffersToOpenTheFile) {
    TempFolder dir;
    // The program's paths are UTF-8; a narrow std::filesystem path would use the ANSI code page on Windows.
    const std::string folder = dir.File("信息导出");
    std::filesystem::create_directory(std::filesystem::path(std::u8string(folder.begin(), folder.end())));
    ExportTables t;
    RecordingView view;
    ui::ExportInformation(view, dir.Path(), December7(), t.settings, t.params, ExportTables::IsChoice);
    const std::string path = platform::NativeSeparators(dir.Path() + "/信息导出/26-12-07 09.05.xls");
    EXPECT_EQ(view.calls,
              (std::vector<std::string>{"wait", "restore", "ask:已导出文件：" + path + "，是否打开文件？  ",
                                        "open:" + path}));
    Workbook wb;
    std::string error;
    ASSERT_EQ(LoadWorkbookFile(path, wb, error), LoadStatus::Loaded) << error;
    ASSERT_EQ(wb.sheets.size(), 2u);
    EXPECT_EQ(wb.sheets[0].name, "定值");
    EXPECT_EQ(wb.sheets[0].RowCount(), 4u);
    EXPECT_EQ(wb.sheets[1].RowCount(), 3u);

    // Again within the same minute, declining to open: the sheets are rewritten, not doubled.
    view.calls.clear();
    view.answerOk = false;
    t.params.RawValue[0] = 8;
    ui::ExportInformation(view, dir.Path(), December7(), t.settings, t.params, ExportTables::IsChoice);
    EXPECT_EQ(view.calls.size(), 3u);
    ASSERT_EQ(LoadWorkbookFile(path, wb, error), LoadStatus::Loaded);
    ASSERT_EQ(wb.sheets.size(), 2u);
    EXPECT_EQ(wb.sheets[1].RowCount(), 3u);
    EXPECT_EQ(wb.sheets[1].At(1, 2), Cell::Num(8));
}

TEST(InformationExportTest, FailuresAreShownInsteadOfTheQuestion) {
    RecordingView view;
    ExportTables t;
    ui::ExportInformation(view, "", December7(), t.settings, t.params, ExportTables::IsChoice);
    EXPECT_EQ(view.calls, std::vector<std::string>{"info:程序运行方式出错，无可导出的数据！"});

    TempFolder dir;  // without the 信息导出 folder
    view.calls.clear();
    ui::ExportInformation(view, dir.Path(), December7(), t.settings, t.params, ExportTables::IsChoice);
    ASSERT_EQ(view.calls.size(), 3u);
    EXPECT_EQ(view.calls[1], "restore");
    const std::string expected = "error:导出文件失败：" +
                                 platform::NativeSeparators(dir.Path() + "/信息导出/26-12-07 09.05.xls") +
                                 "\n";
    EXPECT_EQ(view.calls[2].substr(0, expected.size()), expected);
    EXPECT_NE(view.calls[2].find("Cannot save the workbook"), std::string::npos);
}

}  // namespace
}  // namespace spreadsheet
