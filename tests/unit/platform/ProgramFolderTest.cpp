#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
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

// An installed program folder: the marker, the shipped configuration and the help document.
struct InstalledFolder {
    test::TempDir dir;
    InstalledFolder() {
        std::filesystem::create_directories(dir.File("配置文件"));
        std::filesystem::create_directories(dir.File("帮助文件"));
        test::WriteBytes(dir.File(kPerUserMarker), "");
        test::WriteBytes(dir.File("配置文件/VARN.ini"), "[YC]\r\nNumber=3\r\n");
        test::WriteBytes(dir.File("配置文件/基本配置.ini"), "[Settings]\r\nPort=2\r\n");
        test::WriteBytes(dir.File("帮助文件/help.pdf"), "%PDF");
    }
};

class ScopedDataHome {
  public:
    explicit ScopedDataHome(const std::string& path) {
        if (const char* old = std::getenv("XDG_DATA_HOME")) old_ = old;
        ::setenv("XDG_DATA_HOME", path.c_str(), 1);
    }
    ~ScopedDataHome() {
        if (old_.empty()) {
            ::unsetenv("XDG_DATA_HOME");
        } else {
            ::setenv("XDG_DATA_HOME", old_.c_str(), 1);
        }
    }

  private:
    std::string old_;
};

TEST(ProgramFolderFor, AFolderWithoutTheMarkerIsItsOwnProgramFolder) {
    test::TempDir folder, data;
    ScopedDataHome home(data.Path());
    EXPECT_EQ(ProgramFolderFor(folder.Path()), folder.Path());
    EXPECT_FALSE(std::filesystem::exists(data.File("varn")));
}

TEST(ProgramFolderFor, AnInstalledProgramGivesEachUserAFolderPreparedOnEveryStart) {
    InstalledFolder installed;
    test::TempDir data;
    ScopedDataHome home(data.Path() + "/");
    const std::string user = data.File("varn");
    ASSERT_EQ(ProgramFolderFor(installed.dir.Path()), user);
    for (const char* folder : {"配置文件", "运行记录", "报文存档", "项目存档", "信息导出", "帮助文件"}) {
        EXPECT_TRUE(std::filesystem::is_directory(user + "/" + folder)) << folder;
    }
    EXPECT_EQ(test::ReadBytes(user + "/配置文件/VARN.ini"), "[YC]\r\nNumber=3\r\n");
    EXPECT_EQ(test::ReadBytes(user + "/配置文件/基本配置.ini"), "[Settings]\r\nPort=2\r\n");
    EXPECT_EQ(std::filesystem::read_symlink(user + "/帮助文件/help.pdf").string(),
              installed.dir.File("帮助文件/help.pdf"));

    // The user's own changes survive the next start (and a newer shipped file); what they deleted returns.
    test::WriteBytes(user + "/配置文件/基本配置.ini", "[Settings]\r\nPort=5\r\n");
    test::WriteBytes(installed.dir.File("配置文件/基本配置.ini"), "[Settings]\r\nPort=1\r\n");
    std::filesystem::remove(user + "/配置文件/VARN.ini");
    test::WriteBytes(user + "/运行记录/2026-01-02.log", "x");
    ASSERT_EQ(ProgramFolderFor(installed.dir.Path()), user);
    EXPECT_EQ(test::ReadBytes(user + "/配置文件/基本配置.ini"), "[Settings]\r\nPort=5\r\n");
    EXPECT_EQ(test::ReadBytes(user + "/配置文件/VARN.ini"), "[YC]\r\nNumber=3\r\n");
    EXPECT_EQ(test::ReadBytes(user + "/运行记录/2026-01-02.log"), "x");
    EXPECT_FALSE(std::filesystem::exists(user + "/配置文件/VARN.ini.part"));

    // Another user (another data folder) gets a folder of their own.
    test::TempDir otherData;
    ScopedDataHome other(otherData.Path());
    EXPECT_EQ(ProgramFolderFor(installed.dir.Path()), otherData.File("varn"));
    EXPECT_EQ(test::ReadBytes(user + "/配置文件/基本配置.ini"), "[Settings]\r\nPort=5\r\n");
}

TEST(ProgramFolderFor, CopiesAreMadeNewWithTheUmasksModeAndNeverThroughAPlantedLink) {
    InstalledFolder installed;
    test::TempDir data, outside;
    ScopedDataHome home(data.Path());
    const std::string config = data.File("varn/配置文件");
    std::filesystem::create_directories(config);
    const std::string victim = outside.File("victim");
    test::WriteBytes(victim, "kept");
    ASSERT_EQ(::symlink(victim.c_str(), (config + "/VARN.ini.part").c_str()), 0);
    const mode_t oldMask = ::umask(0027);
    const std::string folder = ProgramFolderFor(installed.dir.Path());
    ::umask(oldMask);
    ASSERT_EQ(folder, data.File("varn"));
    EXPECT_EQ(test::ReadBytes(victim), "kept");
    EXPECT_EQ(test::ReadBytes(config + "/VARN.ini"), "[YC]\r\nNumber=3\r\n");
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(config + "/VARN.ini.part")));
    struct stat info {};
    ASSERT_EQ(::stat((config + "/基本配置.ini").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(ProgramFolderFor, AnUnusableUsersFolderFallsBackToTheExecutablesFolderAndSaysWhy) {
    struct Case {
        const char* reason;
        std::function<bool(const std::string&)> plant;  // false: the case cannot be made here
    };
    const Case cases[] = {
        {"它不是文件夹", [](const std::string& path) { return test::WriteBytes(path, "in the way"), true; }},
        {"它属于另一个用户",
         [](const std::string& path) {
             return ::geteuid() == 0 && ::mkdir(path.c_str(), 0700) == 0 &&
                    ::chown(path.c_str(), 65534, 65534) == 0;
         }},
    };
    for (const Case& c : cases) {
        InstalledFolder installed;
        test::TempDir data;
        ScopedDataHome home(data.Path());
        if (!c.plant(data.File("varn"))) continue;
        const ProgramFolderChoice choice = ChooseProgramFolder(installed.dir.Path());
        EXPECT_EQ(choice.folder, installed.dir.Path()) << c.reason;
        EXPECT_EQ(choice.problem, "个人程序文件夹 " + data.File("varn") + " 无法使用（" + c.reason +
                                      "），程序改用 " + installed.dir.Path() +
                                      "：运行记录、导出和保存的文件可能无法写入。");
        EXPECT_EQ(ProgramFolderFor(installed.dir.Path()), installed.dir.Path()) << c.reason;
    }
}

}  // namespace
}  // namespace platform
