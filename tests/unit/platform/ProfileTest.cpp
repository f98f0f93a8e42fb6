#include <gtest/gtest.h>

#include <string>

#include "TempDir.h"
#include "platform/Profile.h"

namespace platform {
namespace {

using test::TempDir;
using test::WriteBytes;

// "遥测名称" in GBK.
const std::string kGbkName = "\xD2\xA3\xB2\xE2\xC3\xFB\xB3\xC6";

class ProfileRead : public ::testing::Test {
  protected:
    std::string Write(const std::string& bytes) {
        std::string path = dir_.File("VARN.ini");
        WriteBytes(path, bytes);
        return path;
    }
    TempDir dir_;
};

TEST_F(ProfileRead, NamesMatchWithoutCaseAndFirstMatchWins) {
    std::string path = Write(
        "[yc]\r\n"
        "NUMBER=3\r\n"
        "number=9\r\n"
        "1.name=first\r\n"
        "[YX]\r\n"
        "Number=7\r\n"
        "[YC]\r\n"
        "Extra=5\r\n");
    EXPECT_EQ(ProfileGetInt(path, "YC", "Number", -1), 3);
    EXPECT_EQ(ProfileGetString(path, "Yc", "1.Name", "", 32), "first");
    EXPECT_EQ(ProfileGetInt(path, "yx", "NUMBER", -1), 7);
    // Only the first section of a name is searched.
    EXPECT_EQ(ProfileGetInt(path, "YC", "Extra", -1), -1);
}

TEST_F(ProfileRead, KeysOfOtherSectionsAreNotFound) {
    std::string path = Write(
        "Number=1\r\n"  // before any section
        "[YC]\r\n"
        "AskNumber=20\r\n"
        "[YX]\r\n"
        "Number=4\r\n");
    EXPECT_EQ(ProfileGetInt(path, "YC", "Number", -1), -1);
    EXPECT_EQ(ProfileGetInt(path, "YX", "AskNumber", -1), -1);
    EXPECT_EQ(ProfileGetInt(path, "YX", "Number", -1), 4);
}

TEST_F(ProfileRead, BlanksCommentsAndLinesWithoutEqualSign) {
    std::string path = Write(
        "; [YC]\n"
        "  [ YC ]  \n"
        ";Number=5\n"
        "  ; AskNumber=6\n"
        "TimePost\n"
        " \t Number \t=\t 3 \t\n"
        "1.Name =  a b  \n"
        "VersionPost=\n");
    EXPECT_EQ(ProfileGetInt(path, "YC", "Number", -1), 3);
    EXPECT_EQ(ProfileGetString(path, "YC", "1.Name", "", 32), "a b");
    EXPECT_EQ(ProfileGetInt(path, "YC", "AskNumber", -1), -1);
    EXPECT_EQ(ProfileGetInt(path, "YC", "TimePost", -1), -1);
    EXPECT_EQ(ProfileGetString(path, "YC", "TimePost", "none", 32), "none");
    // A key with an empty value exists for strings; the integer read gives the default as the original does.
    EXPECT_EQ(ProfileGetString(path, "YC", "VersionPost", "none", 32), "");
    EXPECT_EQ(ProfileGetInt(path, "YC", "VersionPost", 8), 8);
}

TEST_F(ProfileRead, LineEndsCrLfLfAndNoneAtTheEnd) {
    std::string path = Write("[A]\r\nx=1\ny=2\r\nz=3");
    EXPECT_EQ(ProfileGetInt(path, "A", "x", -1), 1);
    EXPECT_EQ(ProfileGetString(path, "A", "y", "", 8), "2");
    EXPECT_EQ(ProfileGetInt(path, "A", "z", -1), 3);
}

TEST_F(ProfileRead, MatchingQuotesAreRemoved) {
    std::string path = Write(
        "[S]\r\n"
        "a=\"quoted\"\r\n"
        "b='single'\r\n"
        "c=\"mixed'\r\n"
        "d=\"\r\n"
        "e=\" inner blanks \"\r\n"
        "f=\"12\"\r\n");
    EXPECT_EQ(ProfileGetString(path, "S", "a", "", 32), "quoted");
    EXPECT_EQ(ProfileGetString(path, "S", "b", "", 32), "single");
    EXPECT_EQ(ProfileGetString(path, "S", "c", "", 32), "\"mixed'");
    EXPECT_EQ(ProfileGetString(path, "S", "d", "", 32), "\"");
    EXPECT_EQ(ProfileGetString(path, "S", "e", "", 32), " inner blanks ");
    EXPECT_EQ(ProfileGetInt(path, "S", "f", -1), 12);
}

TEST_F(ProfileRead, IntegersStopAtTheFirstNonDigit) {
    std::string path = Write(
        "[N]\r\n"
        "neg=-5\r\n"
        "pos=+7\r\n"
        "trail=12abc\r\n"
        "letters=abc\r\n"
        "sign=-\r\n"
        "hex=0x10\r\n"
        "comment=3 ; three\r\n"
        "big=4294967297\r\n");
    EXPECT_EQ(ProfileGetInt(path, "N", "neg", 0), -5);
    EXPECT_EQ(ProfileGetInt(path, "N", "pos", 0), 7);
    EXPECT_EQ(ProfileGetInt(path, "N", "trail", 0), 12);
    EXPECT_EQ(ProfileGetInt(path, "N", "letters", 99), 0);
    EXPECT_EQ(ProfileGetInt(path, "N", "sign", 99), 0);
    EXPECT_EQ(ProfileGetInt(path, "N", "hex", 99), 0);
    EXPECT_EQ(ProfileGetInt(path, "N", "comment", 99), 3);
    EXPECT_EQ(ProfileGetInt(path, "N", "big", 99), 1);  // wraps in 32 bits
}

TEST_F(ProfileRead, MissingFileSectionOrKeyGivesTheDefault) {
    std::string path = Write("[YC]\r\nNumber=3\r\n");
    std::string missing = dir_.File("nothing.ini");
    EXPECT_EQ(ProfileGetInt(missing, "YC", "Number", 42), 42);
    EXPECT_EQ(ProfileGetString(missing, "YC", "Number", kGbkName, 32), kGbkName);
    EXPECT_EQ(ProfileGetInt(path, "YX", "Number", 42), 42);
    EXPECT_EQ(ProfileGetInt(path, "YC", "Post", 42), 42);
    EXPECT_EQ(ProfileGetString(path, "YC", "1.Name", kGbkName, 32), kGbkName);
    // Trailing blanks of a default are dropped.
    EXPECT_EQ(ProfileGetString(path, "YC", "1.Name", "abc  ", 32), "abc");
}

TEST_F(ProfileRead, TextIsCutToTheBufferEvenInsideADoubleByteCharacter) {
    std::string sixteen;  // 16 GBK characters, 32 bytes
    for (int i = 0; i < 4; ++i) {
        sixteen += kGbkName;
    }
    std::string path = Write("[YC]\r\n1.Name=" + sixteen + "\r\n2.Name=" + kGbkName + "\r\n");
    std::string cut = ProfileGetString(path, "YC", "1.Name", "", 32);
    EXPECT_EQ(cut, sixteen.substr(0, 31));
    EXPECT_EQ(static_cast<unsigned char>(cut.back()), 0xB3);  // the lead byte of the last character
    EXPECT_EQ(ProfileGetString(path, "YC", "2.Name", "", 32), kGbkName);
    EXPECT_EQ(ProfileGetString(path, "YC", "9.Name", sixteen, 32), sixteen.substr(0, 31));
    EXPECT_EQ(ProfileGetString(path, "YC", "2.Name", "", 1), "");
    EXPECT_EQ(ProfileGetString(path, "YC", "2.Name", "", 0), "");
}

TEST_F(ProfileRead, DoubleByteNamesAreComparedExactly) {
    // 0x81 0x41 and 0x81 0x61 are two different characters although their trail bytes are 'A' and 'a'.
    std::string path = Write("[\x81\x41]\r\nk=1\r\n[\x81\x61]\r\nk=2\r\n[" + kGbkName + "]\r\nk=3\r\n");
    EXPECT_EQ(ProfileGetInt(path, "\x81\x61", "K", 0), 2);
    EXPECT_EQ(ProfileGetInt(path, "\x81\x41", "K", 0), 1);
    EXPECT_EQ(ProfileGetInt(path, kGbkName, "k", 0), 3);
}

}  // namespace
}  // namespace platform
