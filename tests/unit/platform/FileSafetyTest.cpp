// Files opened by path: only regular files of a sane size are read, a whole-file write never leaves a cut
// file behind, and a file in a folder that refuses new files is still written.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <string>

#include "TempDir.h"
#include "platform/FileAppend.h"
#include "platform/Profile.h"
#include "platform/RegularFile.h"
#include "support/Waiting.h"

namespace platform {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

// A hang on a file that is not a regular file is the fault these tests guard against.
template <typename Work>
auto Within(Work work) {
    return ::test::RunWithin(std::chrono::seconds(10), "on a file that is not a regular file",
                             std::move(work));
}

// Runs `work` as a user without the right to bypass file permissions; true when it returned true.
bool AsUnprivileged(const std::function<bool()>& work) {
    if (::geteuid() != 0) return work();
    const pid_t child = ::fork();
    if (child == 0) {
        const bool ok = ::setgid(65534) == 0 && ::setuid(65534) == 0 && work();
        std::_Exit(ok ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

TEST(RegularFile, FifosDevicesAndHugeFilesAreRefusedWithoutWaiting) {
    TempDir dir;
    const std::string fifo = dir.File("fifo.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string zero = dir.File("zero.ini");
    ASSERT_EQ(::symlink("/dev/zero", zero.c_str()), 0);
    for (const std::string& path : {fifo, zero}) {
        EXPECT_EQ(Within([&] { return ProfileGetInt(path, "Settings", "Port", 2); }), 2) << path;
        EXPECT_FALSE(Within([&] { return ProfileWriteString(path, "Settings", "Port", "3"); })) << path;
        std::string bytes;
        EXPECT_EQ(ReadRegularFile(path, 100, bytes), FileRead::NotRegular) << path;
        EXPECT_FALSE(Within([&] { return WriteWholeFile(path, "text"); })) << path;
    }
    const std::string big = dir.File("big.ini");
    WriteBytes(big, std::string(101, 'x'));
    std::string bytes = "stale";
    EXPECT_EQ(ReadRegularFile(big, 100, bytes), FileRead::TooLarge);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(ReadRegularFile(big, 101, bytes), FileRead::Ok);
    EXPECT_EQ(bytes.size(), 101u);
    EXPECT_EQ(ReadRegularFile(dir.File("missing"), 100, bytes), FileRead::Missing);
}

TEST(AppendFileLocked, AFifoOrALinkWhereALogGoesIsRefusedWithoutWaiting) {
    TempDir dir;
    const std::string fifo = dir.File("fifo.log");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string target = dir.File("elsewhere.txt");
    WriteBytes(target, "kept");
    const std::string link = dir.File("link.log");
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    EXPECT_FALSE(Within([&] { return AppendFileLocked(fifo, "line\r\n"); }));
    EXPECT_FALSE(Within([&] { return AppendFileLocked(link, "line\r\n"); }));
    EXPECT_EQ(ReadBytes(target), "kept");
}

TEST(WholeFileWrite, AFailedWriteLeavesTheOldContent) {
    TempDir dir;
    const std::string path = dir.File("saved.txt");
    WriteBytes(path, "old content that must survive");
    // A file size limit stands in for a full disk: the write stops part-way with an error.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction before {};
    ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &before), 0);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 10;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = WriteWholeFile(path, std::string(100, 'n'));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::sigaction(SIGXFSZ, &before, nullptr);
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadBytes(path), "old content that must survive");
    // No temporary file is left beside it.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) ++entries;
    EXPECT_EQ(entries, 1);

    ASSERT_TRUE(WriteWholeFile(path, "new"));
    EXPECT_EQ(ReadBytes(path), "new");
}

TEST(WholeFileWrite, AFileInAFolderThatRefusesNewFilesIsWrittenInPlace) {
    TempDir dir;
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    const std::string folder = dir.File("config");
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
    const std::string ini = folder + "/basic.ini";
    const std::string text = folder + "/saved.txt";
    WriteBytes(ini, "[Settings]\r\nPort=2\r\n; a long comment that the new content is shorter than\r\n");
    WriteBytes(text, "an older and longer text");
    ASSERT_EQ(::chmod(ini.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(text.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    EXPECT_TRUE(AsUnprivileged(
        [&] { return ProfileWriteString(ini, "Settings", "Port", "7") && WriteWholeFile(text, "short"); }));
    ::chmod(folder.c_str(), 0755);
    EXPECT_EQ(ReadBytes(ini),
              "[Settings]\r\nPort=7\r\n; a long comment that the new content is shorter than\r\n");
    EXPECT_EQ(ReadBytes(text), "short");
    // A file that does not exist yet cannot be made there: that stays a failure.
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    EXPECT_FALSE(AsUnprivileged([&] { return WriteWholeFile(folder + "/new.txt", "x"); }));
    ::chmod(folder.c_str(), 0755);
}

}  // namespace
}  // namespace platform
