#include <gtest/gtest.h>

#include <memory>

#include "ui/settings/EditRules.h"

namespace ui {
namespace {

std::unique_ptr<config::SettingTable> Settings() {
    auto table = std::make_unique<config::SettingTable>();
    table->Number = 3;
    for (int i = 0; i < 3; ++i) {
        table->RawValue[i] = config::kRawNone;
        table->CC2[i] = 100;
        table->Min[i] = 0;
        table->Max[i] = 500;
    }
    table->ValueNmuber[2] = 3;
    config::SetText(table->ValueDescribe[2][0], "off");
    config::SetText(table->ValueDescribe[2][1], "on");
    config::SetText(table->ValueDescribe[2][2], "on");
    return table;
}

TEST(EditRules, NumericSettingStoresTheRoundedProductAndShowsTheStoredValue) {
    auto t = Settings();
    EditOutcome out = EditSetting(*t, 0, false, "", "5");
    EXPECT_TRUE(out.stored);
    EXPECT_EQ(t->RawValue[0], 500);
    EXPECT_FLOAT_EQ(t->Value[0], 5.0f);
    EXPECT_EQ(out.cellText, "5.00");
    EXPECT_TRUE(out.message.empty());

    // 0.29 x 100 is 28.999... in binary; the operator means 29.
    out = EditSetting(*t, 0, false, "5.00", "0.29");
    EXPECT_EQ(t->RawValue[0], 29);
    EXPECT_EQ(out.cellText, "0.29");
    EditSetting(*t, 0, false, "0.29", "  0.295 ");
    EXPECT_EQ(t->RawValue[0], 29);                // truncated, not rounded
    EditSetting(*t, 0, false, "0.29", "+2.5e2");  // 25000 is above Max: refused
    EXPECT_EQ(t->RawValue[0], 29);
    EditSetting(*t, 0, false, "0.29", "2.5E0");
    EXPECT_EQ(t->RawValue[0], 250);
}

TEST(EditRules, NumericSettingRefusalsChangeNothing) {
    auto t = Settings();
    t->RawValue[0] = 100;
    t->Value[0] = 1.0f;
    const std::string range = "定值越限，范围：0.000000 ~ 5.000000";
    for (const char* text : {"5.01", "-1", "-0.001", "1e300", "99999999999999999999"}) {
        const EditOutcome out = EditSetting(*t, 0, false, "1.00", text);
        EXPECT_FALSE(out.stored) << text;
        EXPECT_EQ(out.message, range) << text;
        EXPECT_EQ(out.cellText, "1.00") << text;
    }
    for (const char* text :
         {"abc", "", "   ", "12abc", "1.2.3", ".", "e5", "inf", "nan", "0x10", "1,5", "--1"}) {
        const EditOutcome out = EditSetting(*t, 0, false, "1.00", text);
        EXPECT_FALSE(out.stored) << text;
        EXPECT_EQ(out.message, kInvalidNumberMessage) << text;
    }
    EXPECT_EQ(t->RawValue[0], 100);
    EXPECT_FLOAT_EQ(t->Value[0], 1.0f);
}

TEST(EditRules, TheRangeAppliesToTheProductBeforeTruncation) {
    auto t = Settings();
    t->CC2[1] = 1;
    t->Max[1] = 65535;
    t->RawValue[1] = 7;
    // 5.005 x 100 = 500.5 is above the maximum 500, although it would be stored as 500.
    EXPECT_FALSE(EditSetting(*t, 0, false, "", "5.005").stored);
    EXPECT_EQ(t->RawValue[0], config::kRawNone);
    EXPECT_FALSE(EditSetting(*t, 1, false, "7", "65535.5").stored);
    EXPECT_EQ(t->RawValue[1], 7);
    EXPECT_TRUE(EditSetting(*t, 1, false, "7", "65535").stored);
    EXPECT_EQ(t->RawValue[1], 65535);
    // Too small for a double is zero, not out of range; too large stays out of range.
    EXPECT_EQ(ParseDecimal("1e-400"), 0.0);
    EXPECT_EQ(ParseDecimal("-1e-400"), 0.0);
    EXPECT_EQ(ParseDecimal("1e-99999"), 0.0);
    EXPECT_GT(*ParseDecimal("1e400"), 1e308);
    EXPECT_GT(*ParseDecimal("1e99999"), 1e308);
    const EditOutcome zero = EditSetting(*t, 1, false, "65535", "1e-400");
    EXPECT_TRUE(zero.stored);
    EXPECT_EQ(t->RawValue[1], 0);
}

TEST(EditRules, UnchangedTextStoresNothingSoUnreadValuesStayUnread) {
    auto t = Settings();
    const EditOutcome out = EditSetting(*t, 1, false, "", "");
    EXPECT_FALSE(out.stored);
    EXPECT_TRUE(out.message.empty());
    EXPECT_EQ(t->RawValue[1], config::kRawNone);
    EXPECT_FALSE(EditSetting(*t, 2, true, "", "").stored);
    EXPECT_EQ(t->RawValue[2], config::kRawNone);
}

TEST(EditRules, ZeroDivisorCountsAsOne) {
    auto t = Settings();
    t->CC2[0] = 0;
    t->Max[0] = 20;
    EXPECT_TRUE(EditSetting(*t, 0, false, "", "12").stored);
    EXPECT_EQ(t->RawValue[0], 12);
    EXPECT_FLOAT_EQ(t->Value[0], 12.0f);
    EXPECT_EQ(EditSetting(*t, 0, false, "12.00", "21").message, "定值越限，范围：0.000000 ~ 20.000000");
}

TEST(EditRules, ChoiceSettingTakesTheLastMatchingDescription) {
    auto t = Settings();
    EditOutcome out = EditSetting(*t, 2, true, "", "on");
    EXPECT_TRUE(out.stored);
    EXPECT_EQ(t->RawValue[2], 2);  // descriptions 1 and 2 are equal: the last wins
    EXPECT_FLOAT_EQ(t->Value[2], 2.0f);
    EXPECT_EQ(out.cellText, "on");
    out = EditSetting(*t, 2, true, "on", "off");
    EXPECT_EQ(t->RawValue[2], 0);
    out = EditSetting(*t, 2, true, "off", "ON");  // byte for byte: no match, nothing changes
    EXPECT_FALSE(out.stored);
    EXPECT_EQ(out.cellText, "off");
    EXPECT_EQ(t->RawValue[2], 0);
}

TEST(EditRules, ParametersTakeWholeNumbersFrom0To65535) {
    auto t = std::make_unique<config::ParamTable>();
    t->Number = 2;
    t->RawValue[0] = config::kRawNone;
    EditOutcome out = EditParameter(*t, 0, "", " +0012 ");
    EXPECT_TRUE(out.stored);
    EXPECT_EQ(t->RawValue[0], 12);
    EXPECT_EQ(out.cellText, "12");
    EXPECT_TRUE(EditParameter(*t, 0, "12", "65535").stored);
    EXPECT_EQ(t->RawValue[0], 65535);
    EXPECT_TRUE(EditParameter(*t, 0, "", "0").stored);
    for (const char* text : {"70000", "-1", "123456789012345678901234567890"}) {
        out = EditParameter(*t, 0, "0", text);
        EXPECT_EQ(out.message, kParamRangeMessage) << text;
        EXPECT_EQ(out.cellText, "0");
    }
    for (const char* text : {"12abc", "", "1.5", "abc", "+", " - 3"}) {
        EXPECT_EQ(EditParameter(*t, 0, "0", text).message, kInvalidNumberMessage) << text;
    }
    EXPECT_EQ(t->RawValue[0], 0);
    EXPECT_FALSE(EditParameter(*t, 1, "", "").stored);   // clicked and left: still not read
    EXPECT_EQ(t->RawValue[1], 0);                        // (the fresh table's zero, untouched)
    EXPECT_FALSE(EditParameter(*t, 5, "", "1").stored);  // beyond Number
}

}  // namespace
}  // namespace ui
