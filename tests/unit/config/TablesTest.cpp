#include "config/Tables.h"

#include <gtest/gtest.h>

#include "IniFile.h"
#include "platform/Gbk.h"
#include "platform/ProgramFolder.h"

namespace config {
namespace {

using config_test::TempFolder;

TEST(LoadAllTables, ReadsTheConfigurationFolderOfTheProgramFolder) {
    TempFolder dir;
    dir.WriteIni("配置文件/VARN.ini",
                 "[YC]\nNumber=2\n[YX]\nNumber=3\n[CS]\nStart=100\nNumber=4\n[DZ]\nStart=200\nNumber=5\n"
                 "5.Name=过负荷时间(s)\n");
    platform::SetProgramFolder(dir.Path());
    LoadAllTables();
    EXPECT_EQ(Yc().Number, 2);
    EXPECT_EQ(Yx().Number, 3);
    EXPECT_EQ(Param().Start, 100);
    EXPECT_EQ(Param().Number, 4);
    EXPECT_EQ(Setting().Start, 200);
    EXPECT_EQ(Setting().Number, 5);
    EXPECT_EQ(TextView(Setting().Name[4]), platform::Utf8ToGbk("过负荷时间(s)"));

    // Without the file every table falls back to its defaults, replacing what was loaded before.
    TempFolder empty;
    platform::SetProgramFolder(empty.Path());
    LoadAllTables();
    EXPECT_EQ(Yc().Number, 0);
    EXPECT_EQ(Yx().Number, 0);
    EXPECT_EQ(Param().Number, 0);
    EXPECT_EQ(Setting().Number, 0);
    EXPECT_EQ(TextView(Setting().Name[4]), platform::Utf8ToGbk("定值名称"));
}

}  // namespace
}  // namespace config
