#include "config/TableLoader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "IniFile.h"
#include "config/ColourByName.h"
#include "platform/Gbk.h"

namespace config {
namespace {

using config_test::TempFolder;

std::string Gbk(const char* utf8) {
    return platform::Utf8ToGbk(utf8);
}

TEST(LoadYcTable, NumberOnlyGivesDefaultPoints) {
    TempFolder dir;
    const std::string path = dir.WriteIni("VARN.ini", "[YC]\nNumber=3\n");
    const auto t = std::make_unique<YcTable>(LoadYcTable(path));

    EXPECT_EQ(t->Number, 3);
    EXPECT_EQ(t->AskNumber, 0);
    EXPECT_EQ(t->TimePost, 0);
    EXPECT_EQ(t->VersionPost, 0);
    EXPECT_EQ(t->YXPost, 0);
    for (int i : {0, 1, 2, 127}) {
        SCOPED_TRACE(i);
        EXPECT_EQ(TextView(t->Name[i]), Gbk("遥测名称"));
        EXPECT_EQ(t->Post[i], 0);
        EXPECT_EQ(t->PostH[i], 0);
        EXPECT_EQ(t->CC2[i], 1);
        EXPECT_EQ(t->Type[i], 1);
        EXPECT_EQ(t->ColorBack[i], (Rgb{200, 100, 150}));
        EXPECT_EQ(t->ColorText[i], (Rgb{200, 100, 150}));
        EXPECT_EQ(t->bCanBeClick[i], 0);
        EXPECT_EQ(t->bCheckMemery[i], 65535);
        EXPECT_EQ(t->Max[i], 65535.0f);
        EXPECT_EQ(t->Min[i], 0.0f);
        EXPECT_EQ(t->RawValue[i], 65535);
        EXPECT_EQ(t->Value[i], 0.0f);
        // Unequal to every reading, so the first value received is always drawn.
        EXPECT_FALSE(t->ShownValue[i] == 0.0f || t->ShownValue[i] == 65535.0f);
        EXPECT_TRUE(std::isnan(t->ShownValue[i]));
    }
}

TEST(LoadYcTable, ReadsEveryKeyOfAPoint) {
    TempFolder dir;
    const std::string path =
        dir.WriteIni("VARN.ini",
                     "[YC]\nAskNumber=60\nNumber=1\nTimePost=2\nVersionPost=7\nYXPost=8\n"
                     "1.Name=高压侧A相电流(A)\n1.Post=14\n1.PostH=15\n1.CC2=100\n1.Type=5\n"
                     "1.ColorBack=白\n1.ColorText=蓝\n1.bCanBeClick=-2\n1.bCheckMemery=130\n"
                     "1.Max=100000\n1.Min=3\n");
    const auto t = std::make_unique<YcTable>(LoadYcTable(path));
    EXPECT_EQ(t->AskNumber, 60);
    EXPECT_EQ(t->TimePost, 2);
    EXPECT_EQ(t->VersionPost, 7);
    EXPECT_EQ(t->YXPost, 8);
    EXPECT_EQ(TextView(t->Name[0]), Gbk("高压侧A相电流(A)"));
    EXPECT_EQ(t->Post[0], 14);
    EXPECT_EQ(t->PostH[0], 15);
    EXPECT_EQ(t->CC2[0], 100);
    EXPECT_EQ(t->Type[0], 5);
    EXPECT_EQ(t->ColorBack[0], (Rgb{255, 255, 255}));
    EXPECT_EQ(t->ColorText[0], (Rgb{0, 0, 255}));
    EXPECT_EQ(t->bCanBeClick[0], -2);
    EXPECT_EQ(t->bCheckMemery[0], 130);
    // The limits are not 16-bit fields: 100000 stays 100000.
    EXPECT_EQ(t->Max[0], 100000.0f);
    EXPECT_EQ(t->Min[0], 3.0f);
}

TEST(LoadYcTable, PointKeysAreReadBeyondNumber) {
    TempFolder dir;
    const std::string path = dir.WriteIni("VARN.ini",
                                          "[YC]\nNumber=3\n5.Name=频率(Hz)\n5.Post=35\n128.Post=9\n"
                                          "129.Post=10\n0.Post=11\n");
    const auto t = std::make_unique<YcTable>(LoadYcTable(path));
    EXPECT_EQ(t->Number, 3);
    EXPECT_EQ(TextView(t->Name[4]), Gbk("频率(Hz)"));
    EXPECT_EQ(t->Post[4], 35);
    EXPECT_EQ(TextView(t->Name[3]), Gbk("遥测名称"));
    EXPECT_EQ(t->Post[127], 9);
    EXPECT_EQ(t->Post[0], 0);  // "0.Post" is no point
}

TEST(LoadYcTable, TextsAreCutTo31Bytes) {
    TempFolder dir;
    // 20 double-byte characters = 40 bytes; the cut splits the 16th character.
    const std::string longName = "一二三四五六七八九十甲乙丙丁戊己庚辛壬癸";
    const std::string path =
        dir.WriteIni("VARN.ini", "[YC]\n1.Name=" + longName + "\n2.Name=" + std::string(31, 'x') + "\n");
    const auto t = std::make_unique<YcTable>(LoadYcTable(path));
    const std::string gbk = Gbk(longName.c_str());
    ASSERT_EQ(gbk.size(), 40u);
    EXPECT_EQ(TextView(t->Name[0]), gbk.substr(0, 31));
    EXPECT_EQ(t->Name[0][31], '\0');
    EXPECT_EQ(TextView(t->Name[1]), std::string(31, 'x'));
}

TEST(LoadYcTable, ColourKeysMatchExactly) {
    TempFolder dir;
    const std::string path =
        dir.WriteIni("VARN.ini", "[YC]\n1.ColorBack=红\n1.ColorText=红色\n2.ColorBack=\n2.ColorText=淡\n");
    const auto t = std::make_unique<YcTable>(LoadYcTable(path));
    EXPECT_EQ(t->ColorBack[0], (Rgb{255, 100, 100}));
    EXPECT_EQ(t->ColorText[0], kDefaultColour);
    EXPECT_EQ(t->ColorBack[1], kDefaultColour);
    EXPECT_EQ(t->ColorText[1], (Rgb{210, 222, 252}));
}

TEST(LoadTables, IntegersKeepTheLowBitsOfTheirFieldThenCountsAreClamped) {
    TempFolder dir;
    const std::string path = dir.WriteIni("VARN.ini",
                                          "[YC]\nNumber=300\nAskNumber=65597\n1.Post=257\n1.Type=261\n"
                                          "[YX]\nNumber=65541\n"
                                          "[CS]\nNumber=128\nYKWayPost=307\n"
                                          "[DZ]\nNumber=129\n1.ValueNmuber=300\n2.ValueNmuber=260\n"
                                          "2.1.ValueDescribe=a\n2.4.ValueDescribe=d\n2.5.ValueDescribe=e\n");
    const auto yc = std::make_unique<YcTable>(LoadYcTable(path));
    EXPECT_EQ(yc->Number, 128);              // 300 fits 16 bits, then clamped
    EXPECT_EQ(yc->AskNumber, 61);            // 65597 & 0xFFFF
    EXPECT_EQ(yc->Post[0], 1);               // 257 & 0xFF
    EXPECT_EQ(yc->Type[0], 5);               // 261 & 0xFF
    EXPECT_EQ(LoadYxTable(path).Number, 5);  // 65541 & 0xFFFF
    const auto cs = std::make_unique<ParamTable>(LoadParamTable(path));
    EXPECT_EQ(cs->Number, 128);
    EXPECT_EQ(cs->YKWayPost, 51);
    const auto dz = std::make_unique<SettingTable>(LoadSettingTable(path));
    EXPECT_EQ(dz->Number, 128);
    EXPECT_EQ(dz->ValueNmuber[0], 32);  // 300 & 0xFF = 44, then clamped
    EXPECT_EQ(dz->ValueNmuber[1], 4);   // 260 & 0xFF
    EXPECT_EQ(TextView(dz->ValueDescribe[1][0]), "a");
    EXPECT_EQ(TextView(dz->ValueDescribe[1][3]), "d");
    EXPECT_EQ(TextView(dz->ValueDescribe[1][4]), "");
}

TEST(LoadSettingTable, DescriptionsUpToValueNmuberOnly) {
    TempFolder dir;
    const std::string path =
        dir.WriteIni("VARN.ini",
                     "[DZ]\nStart=200\nNumber=2\n2.Name=差动保护\n2.ValueNmuber=3\n"
                     "2.1.ValueDescribe=退出\n2.2.ValueDescribe=投入\n2.3.ValueDescribe=告警\n"
                     "2.4.ValueDescribe=跳闸\n1.1.ValueDescribe=x\n");
    const auto t = std::make_unique<SettingTable>(LoadSettingTable(path));
    EXPECT_EQ(t->Start, 200);
    EXPECT_EQ(t->ValueNmuber[1], 3);
    EXPECT_EQ(TextView(t->ValueDescribe[1][0]), Gbk("退出"));
    EXPECT_EQ(TextView(t->ValueDescribe[1][1]), Gbk("投入"));
    EXPECT_EQ(TextView(t->ValueDescribe[1][2]), Gbk("告警"));
    EXPECT_EQ(TextView(t->ValueDescribe[1][3]), "");
    // A numeric setting reads no descriptions.
    EXPECT_EQ(t->ValueNmuber[0], 0);
    EXPECT_EQ(TextView(t->ValueDescribe[0][0]), "");
}

TEST(LoadSettingTable, RawValueStartsUnreadAndValueIsScaled) {
    TempFolder dir;
    const std::string path = dir.WriteIni("VARN.ini",
                                          "[DZ]\nNumber=3\n1.wValue=100\n1.CC2=100\n2.CC2=0\n3.Max=70000\n"
                                          "3.Min=5\n3.Post=3\n");
    const auto t = std::make_unique<SettingTable>(LoadSettingTable(path));
    EXPECT_EQ(t->RawValue[0], 65535);
    EXPECT_FLOAT_EQ(t->Value[0], 655.35f);
    // A divisor of 0 is kept as read but scales by 1.
    EXPECT_EQ(t->CC2[1], 0);
    EXPECT_EQ(t->Value[1], 65535.0f);
    EXPECT_EQ(t->Value[2], 65535.0f);
    EXPECT_EQ(t->Max[2], 70000 & 0xFFFF);
    EXPECT_EQ(t->Min[2], 5);
    EXPECT_EQ(t->Post[2], 3);
    EXPECT_EQ(t->Max[1], 65535);
    EXPECT_EQ(TextView(t->Name[0]), Gbk("定值名称"));
}

TEST(LoadTables, MissingFileGivesDefaults) {
    TempFolder dir;
    const std::string path = dir.Path() + "/absent.ini";
    const auto yc = std::make_unique<YcTable>(LoadYcTable(path));
    EXPECT_EQ(yc->Number, 0);
    EXPECT_EQ(TextView(yc->Name[0]), Gbk("遥测名称"));

    const auto yx = std::make_unique<YxTable>(LoadYxTable(path));
    EXPECT_EQ(yx->Number, 0);
    EXPECT_EQ(TextView(yx->Name[5]), Gbk("遥信名称"));
    EXPECT_EQ(yx->State[5], 0);
    EXPECT_EQ(yx->PrevState[5], 65535);
    EXPECT_EQ(yx->Post[5], 0);
    EXPECT_EQ(yx->ColorText[5], kDefaultColour);

    const auto cs = std::make_unique<ParamTable>(LoadParamTable(path));
    EXPECT_EQ(cs->Start, 0);
    EXPECT_EQ(cs->Number, 0);
    EXPECT_EQ(TextView(cs->Name[9]), Gbk("参数名称"));
    EXPECT_EQ(cs->ShowName[9], 1);
    EXPECT_EQ(cs->RawValue[9], 65535);
    EXPECT_EQ(cs->CC2[9], 1);
    EXPECT_EQ(cs->Reserved[9], 0u);

    const auto dz = std::make_unique<SettingTable>(LoadSettingTable(path));
    EXPECT_EQ(dz->Number, 0);
    EXPECT_EQ(dz->Value[0], 65535.0f);
}

TEST(LoadTables, SectionsDoNotLeakIntoEachOther) {
    TempFolder dir;
    const std::string path = dir.WriteIni("VARN.ini",
                                          "[YX]\nNumber=2\n1.Name=保护动作\n1.Post=8\n2.ShowName=0\n"
                                          "[CS]\nStart=100\nNumber=4\n1.Name=装置地址\n2.ShowName=0\n");
    const auto yx = std::make_unique<YxTable>(LoadYxTable(path));
    EXPECT_EQ(yx->Number, 2);
    EXPECT_EQ(TextView(yx->Name[0]), Gbk("保护动作"));
    EXPECT_EQ(yx->Post[0], 8);
    const auto cs = std::make_unique<ParamTable>(LoadParamTable(path));
    EXPECT_EQ(cs->Start, 100);
    EXPECT_EQ(cs->Number, 4);
    EXPECT_EQ(TextView(cs->Name[0]), Gbk("装置地址"));
    EXPECT_EQ(cs->ShowName[0], 1);
    EXPECT_EQ(cs->ShowName[1], 0);
    EXPECT_EQ(LoadYcTable(path).Number, 0);
}

}  // namespace
}  // namespace config
