// The comparison of the window's tables with a project file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>

#include "FakePrompts.h"
#include "SmallTables.h"
#include "ui/settings/ProjectCommands.h"
#include "ui/settings/ProjectComparison.h"
#include "ui/settings/ProjectFile.h"

namespace ui {
namespace {

using settings_test::ChoiceRow2;
using settings_test::Tables;

TEST(ProjectComparison, OnlyRowsWhoseRawValueDiffersWithBothTexts) {
    Tables window;
    const auto differences = [&](const std::function<void(Tables&)>& edit) {
        Tables file;
        edit(file);
        return CompareWithProject(*window.setting, *window.param, *file.setting, *file.param, ChoiceRow2);
    };
    struct Case {
        const char* name;
        std::function<void(Tables&)> edit;
        std::vector<ValueDifference> expected;
    };
    const Case cases[] = {
        {"the same values", [](Tables&) {}, {}},
        {"a value whose Value alone differs is the same", [](Tables& f) { f.setting->Value[0] = 9.0f; }, {}},
        {"a numeric setting and a choice",
         [](Tables& f) {
             f.SetSetting(0, 450, 100);
             f.setting->RawValue[2] = 0;
         },
         {{"定值", 1, "电流定值", "5.00", "4.50"}, {"定值", 3, "Switch", "投入", "退出"}}},
        {"raw values that read the same carry their numbers",
         [](Tables& f) { f.SetSetting(1, 1235, 1000); },
         {{"定值", 2, "Time", "1.234", "1.235"}}},
        {"a value not read in the file, a hidden parameter name",
         [](Tables& f) {
             f.setting->RawValue[1] = config::kRawNone;
             f.param->RawValue[1] = 21;
         },
         {{"定值", 2, "Time", "1.234", "未读取"}, {"参数", 2, "--------------------", "20", "21"}}},
        {"a file with another name and more parameters",
         [](Tables& f) {
             config::SetText(f.param->Name[0], "Q1");
             f.param->RawValue[0] = 11;
             f.param->Number = 4;
             f.param->RawValue[3] = 7;
             config::SetText(f.param->Name[3], "P4");
             f.param->ShowName[3] = 1;
         },
         {{"参数", 1, "P1（文件中：Q1）", "10", "11"}, {"参数", 4, "P4", "无此项", "7"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(differences(c.edit), c.expected);
    }
    // With CC2 999 both raw values show as 1.24: the raw numbers tell them apart.
    Tables other;
    window.SetSetting(1, 1234, 999);
    other.SetSetting(1, 1235, 999);
    EXPECT_EQ(
        CompareWithProject(*window.setting, *window.param, *other.setting, *other.param, ChoiceRow2),
        (std::vector<ValueDifference>{{"定值", 2, "Time", "1.24（原始值 1234）", "1.24（原始值 1235）"}}));
}

struct CompareCommandTest : ::testing::Test {
    Tables t;
    std::mutex mutex;
    settings_test::FakePrompts prompts;
    std::string folder = [] {
        char pattern[] = "/tmp/varn-compare-XXXXXX";
        return std::string(mkdtemp(pattern));
    }();
    ProjectContext Context() { return {t.setting.get(), t.param.get(), &mutex, folder, &prompts, {}}; }
    void TearDown() override { std::filesystem::remove_all(folder); }
};

TEST_F(CompareCommandTest, ReadsTheChosenFileAndChangesNothing) {
    auto ctx = Context();
    EXPECT_FALSE(CompareProjectFile(ctx, ChoiceRow2));  // cancelled
    ASSERT_EQ(prompts.dialogs.size(), 1u);
    EXPECT_EQ(prompts.dialogs[0].title, "选择比较的项目文件");
    EXPECT_EQ(prompts.dialogs[0].filter, "Tessel项目项目管理文件 (*.prj*)");
    EXPECT_EQ(prompts.dialogs[0].proposedFile, folder + "/项目存档/xxxxxx.prj");

    Tables file;
    file.param->RawValue[0] = 99;
    const std::string path = folder + "/a.prj";
    ASSERT_EQ(WriteProjectFile(path, EncodeProject(*file.setting, *file.param)), ProjectFileResult::Ok);
    const auto before = EncodeProject(*t.setting, *t.param);
    prompts.filePath = path;
    const auto result = CompareProjectFile(ctx, ChoiceRow2);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->path, path);
    EXPECT_EQ(result->differences, (std::vector<ValueDifference>{{"参数", 1, "P1", "10", "99"}}));
    EXPECT_EQ(EncodeProject(*t.setting, *t.param), before);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(CompareCommandTest, RefusesFilesAsOpeningRefusesThem) {
    auto ctx = Context();
    const std::string shortFile = folder + "/short.prj";
    std::ofstream(shortFile, std::ios::binary) << std::string(kProjectFileSize - 1, '\0');
    prompts.filePath = shortFile;
    EXPECT_FALSE(CompareProjectFile(ctx, ChoiceRow2));
    prompts.filePath = folder + "/missing.prj";
    EXPECT_FALSE(CompareProjectFile(ctx, ChoiceRow2));
    EXPECT_EQ(prompts.shown, (std::vector<std::string>{"inform: 项目文件无效：大小不是144524字节，未载入。",
                                                       "inform: 无法打开项目文件！"}));
}

}  // namespace
}  // namespace ui
