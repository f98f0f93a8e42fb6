#include "ui/main_window/FieldChecks.h"

#include <gtest/gtest.h>

namespace {

using ui::CheckAddressText;
using ui::CheckReferenceText;

TEST(FieldChecksTest, AddressBoxTakesOneTo247) {
    const std::string byteMessage = "“请填入一个在0和255之间的整数。”";
    const std::string rangeMessage = "“请填入一个在1和247之间的整数。”";
    struct Case {
        const char* text;
        int address;  // -1 refused
        const std::string* message;
    } cases[] = {
        {"1", 1, nullptr},          {"247", 247, nullptr},
        {"012", 12, nullptr},       {" 34", 34, nullptr},
        {"", -1, &byteMessage},     {"abc", -1, &byteMessage},
        {"256", -1, &byteMessage},  {"99999999999999", -1, &byteMessage},
        {"0", -1, &rangeMessage},   {"248", -1, &rangeMessage},
        {"255", -1, &rangeMessage},
    };
    for (const Case& c : cases) {
        const auto check = CheckAddressText(c.text);
        if (c.address < 0) {
            EXPECT_FALSE(check.value) << c.text;
            EXPECT_EQ(check.message, *c.message) << c.text;
        } else {
            ASSERT_TRUE(check.value) << c.text;
            EXPECT_EQ(*check.value, c.address) << c.text;
        }
    }
}

TEST(FieldChecksTest, ReferenceMustBeAFiniteNumberInRange) {
    const std::string range = "“请填入一个在0和100000000之间的数字。”";
    EXPECT_FLOAT_EQ(*CheckReferenceText("5.2").value, 5.2f);
    EXPECT_FLOAT_EQ(*CheckReferenceText(" 3 ").value, 3.0f);
    EXPECT_FLOAT_EQ(*CheckReferenceText("0").value, 0.0f);
    EXPECT_FLOAT_EQ(*CheckReferenceText("1e8").value, 1e8f);
    for (const char* text : {"", "abc", "5,2", "5.2x", "nan", "inf", "-inf"}) {
        const auto check = CheckReferenceText(text);
        EXPECT_FALSE(check.value) << text;
        EXPECT_EQ(check.message, "请键入一个数。") << text;
    }
    for (const char* text : {"-0.5", "100000001000", "2e8"}) {
        const auto check = CheckReferenceText(text);
        EXPECT_FALSE(check.value) << text;
        EXPECT_EQ(check.message, range) << text;
    }
}

TEST(FieldChecksTest, ReferenceShowsSixSignificantDigits) {
    EXPECT_EQ(ui::FormatReference(5.2f), "5.2");
    EXPECT_EQ(ui::FormatReference(12345.67f), "12345.7");
    EXPECT_EQ(ui::FormatReference(65535.0f), "65535");
    EXPECT_EQ(ui::FormatReference(0.0f), "0");
    EXPECT_EQ(ui::FormatReference(-0.25f), "-0.25");
}

}  // namespace
