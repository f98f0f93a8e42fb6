#include "log/LogBoxText.h"

#include <gtest/gtest.h>

#include <string>

namespace oplog {
namespace {

// Text whose unit i is the digit (i % 10), so a cut shows where it fell.
std::u16string Numbered(std::size_t length) {
    std::u16string text(length, u'0');
    for (std::size_t i = 0; i < length; ++i) {
        text[i] = static_cast<char16_t>(u'0' + i % 10);
    }
    return text;
}

TEST(LogBoxText, CutsFirst15000UnitsOnlyFromLimitOn) {
    std::u16string below = Numbered(kLogBoxLimit - 1);
    AppendToLogBox(below, u"entry\r\n");
    EXPECT_EQ(below.size(), kLogBoxLimit - 1 + 7) << "below the limit nothing is cut";
    EXPECT_EQ(below.substr(0, 3), u"012");

    std::u16string at = Numbered(kLogBoxLimit);
    AppendToLogBox(at, u"校时成功!\r\n");
    EXPECT_EQ(at.size(), kLogBoxLimit - 15000 + 7);
    EXPECT_EQ(at.front(), u'0' + 15000 % 10);
    EXPECT_EQ(at.substr(at.size() - 7), u"校时成功!\r\n");

    EXPECT_EQ(LogBoxCutCount(kLogBoxLimit - 1), 0u);
    EXPECT_EQ(LogBoxCutCount(kLogBoxLimit), 15000u);
    EXPECT_EQ(LogBoxCutCount(kLogBoxLimit + 123456), 15000u);
}

TEST(LogBoxText, CutNeverLeavesHalfASurrogatePair) {
    std::u16string text = Numbered(kLogBoxLimit);
    text[14999] = 0xD83D;  // a pair straddling the cut
    text[15000] = 0xDE00;
    EXPECT_EQ(LogBoxCutCount(std::u16string_view(text)), 15001u);
    text[14999] = u'9';
    text[15000] = u'0';
    EXPECT_EQ(LogBoxCutCount(std::u16string_view(text)), 15000u);
}

}  // namespace
}  // namespace oplog
