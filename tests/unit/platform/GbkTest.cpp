#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "platform/Gbk.h"

namespace platform {
namespace {

const std::string kUtf8 = "\xE9\x81\xA5\xE6\xB5\x8B\xE5\x90\x8D\xE7\xA7\xB0";  // 遥测名称
const std::string kGbk = "\xD2\xA3\xB2\xE2\xC3\xFB\xB3\xC6";
const std::string kReplacement = "\xEF\xBF\xBD";

TEST(Gbk, ChineseAndAsciiRoundTrip) {
    EXPECT_EQ(Utf8ToGbk(kUtf8), kGbk);
    EXPECT_EQ(GbkToUtf8(kGbk), kUtf8);
    const std::string mixed = "COM2 " + kUtf8 + " 12.5kV\r\n";
    EXPECT_EQ(GbkToUtf8(Utf8ToGbk(mixed)), mixed);
    EXPECT_EQ(GbkToUtf8(""), "");
    EXPECT_EQ(Utf8ToGbk(""), "");
    // Bytes that are not text still pass through one for one.
    EXPECT_EQ(GbkToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Gbk, UndecodableBytesBecomeOneReplacementEach) {
    // A text cut after 31 bytes ends in half a character.
    EXPECT_EQ(GbkToUtf8(kGbk.substr(0, 7)), kUtf8.substr(0, 9) + kReplacement);
    // A lead byte followed by a byte that cannot trail it: only the lead byte is lost.
    EXPECT_EQ(GbkToUtf8("\xD6 ok"), kReplacement + " ok");
    EXPECT_EQ(GbkToUtf8("\xFF\xFF" + kGbk.substr(0, 2)), kReplacement + kReplacement + kUtf8.substr(0, 3));
}

TEST(Gbk, CharactersOutsideGbkBecomeQuestionMarks) {
    EXPECT_EQ(Utf8ToGbk("a\xF0\x9F\x98\x80"
                        "b"),
              "a?b");  // an emoji
    EXPECT_EQ(Utf8ToGbk("\xF0\x9F\x98\x80\xF0\x9F\x98\x80"), "??");
    // Malformed UTF-8: a stray continuation byte and a sequence cut at the end.
    EXPECT_EQ(Utf8ToGbk("x\x80y"), "x?y");
    EXPECT_EQ(Utf8ToGbk(kUtf8 + "\xE9\x81"), kGbk + "??");
}

TEST(Gbk, LongTextsConvertCompletely) {
    std::string utf8;
    for (int i = 0; i < 2000; ++i) {
        utf8 += kUtf8;
    }
    std::string gbk = Utf8ToGbk(utf8);
    EXPECT_EQ(gbk.size(), 2000 * kGbk.size());
    EXPECT_EQ(GbkToUtf8(gbk), utf8);
}

}  // namespace
}  // namespace platform
