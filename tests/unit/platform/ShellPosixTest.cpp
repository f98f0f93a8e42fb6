// The desktop's opener and the text editor are started as separate programs: stand-ins on PATH record how.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/Shell.h"
#include "unit/platform/TempDir.h"

namespace platform {
namespace {

class ShellPosixTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* path = std::getenv("PATH");
        oldPath_ = path ? path : "";
        ASSERT_EQ(::mkdir(dir_.File("bin").c_str(), 0755), 0);
        ::setenv("PATH", (dir_.File("bin") + ":" + oldPath_).c_str(), 1);
    }
    void TearDown() override { ::setenv("PATH", oldPath_.c_str(), 1); }

    // A stand-in `name` that writes its arguments, one a line, to the returned file.
    std::string StandIn(const std::string& name) {
        const std::string record = dir_.File(name + ".args");
        const std::string script = dir_.File("bin/" + name);
        test::WriteBytes(script, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" + record +
                                     ".part\"\nmv \"" + record + ".part\" \"" + record + "\"\n");
        ::chmod(script.c_str(), 0755);
        return record;
    }

    static std::string WaitFor(const std::string& record) {
        for (int i = 0; i < 500 && ::access(record.c_str(), F_OK) != 0; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return test::ReadBytes(record);
    }

    test::TempDir dir_;
    std::string oldPath_;
};

TEST_F(ShellPosixTest, DocumentsGoToTheOpenerAsOneFileUrl) {
    const std::string record = StandIn("xdg-open");
    OpenDocument("/srv/VARN 1/帮助文件/help.pdf");
    EXPECT_EQ(WaitFor(record), "file:///srv/VARN%201/%E5%B8%AE%E5%8A%A9%E6%96%87%E4%BB%B6/help.pdf\n");
}

TEST_F(ShellPosixTest, TextFilesGoToAnEditorAsOneArgument) {
    const std::string opener = StandIn("xdg-open");
    // A folder of an editor's name is no editor; the one after it on the list is taken.
    ASSERT_EQ(::mkdir(dir_.File("bin/gnome-text-editor").c_str(), 0755), 0);
    const std::string record = StandIn("gedit");
    OpenInTextEditor("/tmp/报文 存档/a b.txt");
    EXPECT_EQ(WaitFor(record), "/tmp/报文 存档/a b.txt\n");
    ::unlink(record.c_str());
    OpenInTextEditor("");
    EXPECT_EQ(WaitFor(record), "");  // the editor alone
    EXPECT_NE(::access(opener.c_str(), F_OK), 0);
}

}  // namespace
}  // namespace platform
