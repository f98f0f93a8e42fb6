// Paths the operator reads and the shell receives use Windows' separator, for a program folder in the
// Windows form under a Chinese name: the export's question and the document it opens, the help document.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "platform/ProgramFolder.h"
#include "platform/win32/FileAccess.h"
#include "ui/settings/InformationExport.h"

namespace {

namespace fs = std::filesystem;

class Recorder : public ui::ExportView {
  public:
    void ShowWaitCursor() override {}
    void RestoreCursor() override {}
    void ShowInformation(const std::string& text) override { shown += text; }
    void ShowError(const std::string& text) override { shown += text; }
    bool AskOkCancel(const std::string& text) override {
        shown += text;
        return true;
    }
    void OpenDocument(const std::string& path) override { opened = path; }
    std::string shown;
    std::string opened;
};

TEST(Win32NativePaths, TheExportQuestionTheOpenedFileAndTheHelpDocumentUseBackslashes) {
    const fs::path root = fs::temp_directory_path() / (L"变电站-" + std::to_wstring(GetCurrentProcessId()));
    fs::create_directories(root / L"VARN" / L"信息导出");
    const std::string folder = platform::win32::Narrow((root / L"VARN").wstring());
    ASSERT_EQ(folder.find('/'), std::string::npos) << folder;
    platform::SetProgramFolder(folder);

    Recorder view;
    auto settings = std::make_unique<config::SettingTable>();
    auto params = std::make_unique<config::ParamTable>();
    platform::LocalTime now;
    now.year = 2026;
    now.month = 12;
    now.day = 11;
    now.hour = 9;
    now.minute = 5;
    ui::ExportInformation(view, platform::ProgramFolder(), now, *settings, *params, nullptr);
    const std::string file = folder + "\\信息导出\\26-12-11 09.05.xls";
    EXPECT_EQ(view.shown, "已导出文件：" + file + "，是否打开文件？  ");
    EXPECT_EQ(view.opened, file);
    EXPECT_TRUE(fs::exists(fs::path(platform::win32::Widen(file))));

    EXPECT_EQ(platform::InProgramFolder("帮助文件/help.pdf"), folder + "\\帮助文件\\help.pdf");
    EXPECT_EQ(platform::NativeSeparators("C:/Users/操作员/报文存档/a b.txt"),
              "C:\\Users\\操作员\\报文存档\\a b.txt");
    platform::SetProgramFolder(fs::temp_directory_path().string());
    fs::remove_all(root);
}

}  // namespace
