#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TempDir.h"
#include "platform/ProgramFolder.h"

namespace platform {
namespace {

std::string CurrentDirectory() {
    return std::filesystem::current_path().string();
}

TEST(ProgramFolder, IsTheExecutablesFolderAndBecomesCurrent) {
    std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
    std::string folder = ProgramFolder();
    EXPECT_EQ(folder, exe.substr(0, exe.rfind('/')));
    EXPECT_NE(folder.back(), '/');
    EXPECT_EQ(CurrentDirectory(), std::filesystem::canonical(folder).string());
    EXPECT_EQ(&ProgramFolder(), &ProgramFolder());
}

TEST(ProgramFolder, CanBeSetAndJoinsRelativePaths) {
    std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
    test::TempDir dir;
    SetProgramFolder(dir.Path() + "/");
    EXPECT_EQ(ProgramFolder(), dir.Path());
    EXPECT_EQ(CurrentDirectory(), std::filesystem::canonical(dir.Path()).string());
    EXPECT_EQ(InProgramFolder("\xE9\x85\x8D\xE7\xBD\xAE\xE6\x96\x87\xE4\xBB\xB6/VARN.ini"),
              dir.Path() + "/\xE9\x85\x8D\xE7\xBD\xAE\xE6\x96\x87\xE4\xBB\xB6/VARN.ini");
    EXPECT_EQ(InProgramFolder("/x.log"), dir.Path() + "/x.log");
    SetProgramFolder(exe.substr(0, exe.rfind('/')));
}

}  // namespace
}  // namespace platform
