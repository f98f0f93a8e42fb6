#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "TempDir.h"
#include "platform/Profile.h"

namespace platform {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

class ProfileWrite : public ::testing::Test {
  protected:
    std::string Write(const std::string& bytes) {
        WriteBytes(path_, bytes);
        return path_;
    }
    TempDir dir_;
#ifdef _WIN32
    // File names are UTF-8 above the Win32 layer; tests/windows writes under Chinese names.
    std::string path_ = dir_.File("settings.ini");
#else
    std::string path_ = dir_.File("\xBB\xF9\xB1\xBE\xC5\xE4\xD6\xC3.ini");  // a GBK file name
#endif
};

TEST_F(ProfileWrite, ReplacesOnlyTheValueOfTheFirstMatchingKey) {
    const std::string before =
        "; settings written by hand\n"
        "[Other]\r\n"
        "Port=8\r\n"
        "[ settings ]\r\n"
        "  port = 2  \t\r\n"
        "Port=9\r\n"
        "\xD6\xD0=\xD6\xD0\n"
        "[Settings]\r\n"
        "Port=7";
    Write(before);
    ASSERT_TRUE(ProfileWriteString(path_, "Settings", "Port", "5"));
    std::string expected = before;
    expected.replace(expected.find("2  \t"), 1, "5");
    EXPECT_EQ(ReadBytes(path_), expected);
    EXPECT_EQ(ProfileGetInt(path_, "Settings", "Port", 0), 5);
}

TEST_F(ProfileWrite, AddsAMissingKeyAfterTheLastLineOfItsSection) {
    Write("[Settings]\r\nBaud=9600\r\n\r\n[Next]\r\nA=1\r\n");
    ASSERT_TRUE(ProfileWriteString(path_, "SETTINGS", "Port", "3"));
    EXPECT_EQ(ReadBytes(path_), "[Settings]\r\nBaud=9600\r\nPort=3\r\n\r\n[Next]\r\nA=1\r\n");

    // A section that is the last line of the file without a line end.
    Write("[A]\r\nx=1\r\n[Settings]");
    ASSERT_TRUE(ProfileWriteString(path_, "Settings", "Port", "4"));
    EXPECT_EQ(ReadBytes(path_), "[A]\r\nx=1\r\n[Settings]\r\nPort=4\r\n");
}

TEST_F(ProfileWrite, AppendsAMissingSectionAndCreatesAMissingFile) {
    Write("[A]\nx=1\n");
    ASSERT_TRUE(ProfileWriteString(path_, "Settings", "Port", "2"));
    EXPECT_EQ(ReadBytes(path_), "[A]\nx=1\n\r\n[Settings]\r\nPort=2\r\n");

    std::string fresh = dir_.File("new.ini");
    ASSERT_TRUE(ProfileWriteString(fresh, "Settings", "Port", "2"));
    EXPECT_EQ(ReadBytes(fresh), "[Settings]\r\nPort=2\r\n");
    ASSERT_TRUE(ProfileWriteString(fresh, "Settings", "Port", "12"));
    EXPECT_EQ(ReadBytes(fresh), "[Settings]\r\nPort=12\r\n");
}

TEST_F(ProfileWrite, FailuresLeaveTheFileAsItWas) {
    const std::string before = "[Settings]\r\nPort=2\r\n";
    Write(before);
    // Line breaks or separators in names and values would corrupt the file's structure.
    EXPECT_FALSE(ProfileWriteString(path_, "Settings", "Port", "3\r\n[Evil]"));
    EXPECT_FALSE(ProfileWriteString(path_, "Settings", "Po=rt", "3"));
    EXPECT_FALSE(ProfileWriteString(path_, "Sett]ings", "Port", "3"));
    EXPECT_FALSE(ProfileWriteString(path_, "Settings", "", "3"));
    EXPECT_EQ(ReadBytes(path_), before);

    // A folder that does not exist cannot take the file.
    EXPECT_FALSE(ProfileWriteString(dir_.File("missing/x.ini"), "Settings", "Port", "3"));
    // No temporary file is left behind.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.Path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

#ifndef _WIN32
TEST_F(ProfileWrite, KeepsTheFileModeAndWritesThroughALink) {
    Write("[Settings]\r\nPort=2\r\n");
    ASSERT_EQ(::chmod(path_.c_str(), 0640), 0);
    std::string link = dir_.File("link.ini");
    std::filesystem::create_symlink(path_, link);
    ASSERT_TRUE(ProfileWriteString(link, "Settings", "Port", "6"));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(ReadBytes(path_), "[Settings]\r\nPort=6\r\n");
    struct stat info {};
    ASSERT_EQ(::stat(path_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}
#endif

}  // namespace
}  // namespace platform
