#include <gtest/gtest.h>

#include <memory>

#include "ui/settings/ListTexts.h"

namespace ui {
namespace {

TEST(ListTexts, SettingValuesWithTheDecimalsTheirDivisorSelects) {
    auto table = std::make_unique<config::SettingTable>();
    table->Number = 3;
    table->CC2[0] = 1000;
    table->RawValue[0] = 1234;
    table->Value[0] = 1234.0f / 1000.0f;
    table->CC2[1] = 999;
    table->RawValue[1] = 1234;
    table->Value[1] = 1234.0f / 999.0f;
    table->RawValue[2] = config::kRawNone;
    EXPECT_EQ(SettingValueText(*table, 0, false), "1.234");
    EXPECT_EQ(SettingValueText(*table, 1, false), "1.24");
    EXPECT_EQ(SettingValueText(*table, 2, false), "");
    EXPECT_EQ(SettingValueText(*table, 2, true), "");
}

TEST(ListTexts, ChoiceCellsShowTheDescriptionOrTheNumberBeyondThem) {
    auto table = std::make_unique<config::SettingTable>();
    table->Number = 1;
    table->ValueNmuber[0] = 2;
    config::SetText(table->ValueDescribe[0][0], "\xCD\xCB\xB3\xF6");  // 退出 in GBK
    config::SetText(table->ValueDescribe[0][1], "\xCD\xB6\xC8\xEB");  // 投入
    table->RawValue[0] = 1;
    EXPECT_EQ(SettingValueText(*table, 0, true), "投入");
    EXPECT_EQ(SettingChoices(*table, 0), (std::vector<std::string>{"退出", "投入"}));
    table->RawValue[0] = 7;
    EXPECT_EQ(SettingValueText(*table, 0, true), "7");
    table->ValueNmuber[0] = 200;  // more than the table holds: only the 32 stored texts count
    EXPECT_EQ(SettingChoices(*table, 0).size(), 32u);
}

TEST(ListTexts, ParametersShowRawValuesAndHyphensForHiddenNames) {
    auto table = std::make_unique<config::ParamTable>();
    table->Number = 2;
    config::SetText(table->Name[0], "Addr");
    table->ShowName[0] = 1;
    table->RawValue[0] = 65534;
    config::SetText(table->Name[1], "Secret");
    table->ShowName[1] = 0;
    table->RawValue[1] = config::kRawNone;
    EXPECT_EQ(ParamNameText(*table, 0), "Addr");
    EXPECT_EQ(ParamValueText(*table, 0), "65534");
    EXPECT_EQ(ParamNameText(*table, 1), "--------------------");
    EXPECT_EQ(ParamValueText(*table, 1), "");
    table->Number = 500;
    EXPECT_EQ(ParamRowCount(*table), 128);
}

TEST(ListTexts, FixedFormatIgnoresTheLocale) {
    EXPECT_EQ(FormatFixed(5.0, 6), "5.000000");
    EXPECT_EQ(FormatFixed(0.125, 2), "0.12");  // exact binary tie: rounds to even, as printf does
    EXPECT_EQ(FormatFixed(-1.5, 0), "-2");
}

}  // namespace
}  // namespace ui
