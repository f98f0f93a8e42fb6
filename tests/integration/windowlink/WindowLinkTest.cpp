#include "platform/WindowLink.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <dirent.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/LinkInbox.h"
#include "support/Waiting.h"

namespace {

using platform::CopyDataMessage;
using platform::LinkReceiver;
using platform::WindowHandle;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

using Inbox = test::LinkInbox;

class WindowLinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/varn-link-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = pattern;
        folder_ = root_ + "/link";
        platform::SetLinkFolderOverride(folder_);
    }
    void TearDown() override {
        platform::SetLinkFolderOverride("");
        std::string command = "rm -rf '" + root_ + "'";
        [[maybe_unused]] int rc = std::system(command.c_str());
    }

    std::vector<std::string> FilesWithPrefix(const std::string& prefix) {
        std::vector<std::string> names;
        if (DIR* dir = ::opendir(folder_.c_str())) {
            while (dirent* entry = ::readdir(dir)) {
                std::string name = entry->d_name;
                if (name.rfind(prefix, 0) == 0) names.push_back(folder_ + "/" + name);
            }
            ::closedir(dir);
        }
        return names;
    }

    std::string root_;
    std::string folder_;
};

TEST_F(WindowLinkTest, RoundTripCarriesSenderDwDataAndBytes) {
    Inbox inbox;
    LinkReceiver receiver;
    ASSERT_TRUE(receiver.Start("窗口 A", inbox.Handler()));
    EXPECT_TRUE(platform::WindowExists("窗口 A"));
    EXPECT_FALSE(platform::WindowExists("窗口 B"));

    const Bytes frame = {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A, 0xC5, 0xCD, 0x11, 0x13, 0x0D, 0x0A, 0x00};
    ASSERT_TRUE(platform::SendCopyData("窗口 A", 0x1234, 7, frame));
    ASSERT_TRUE(platform::SendCopyData("窗口 A", 0x1234, 200, {}));
    ASSERT_TRUE(platform::SendCopyDataToHandle(receiver.Handle(), 0x5678, 3, frame));
    Bytes largest(platform::kMaxCopyDataBytes, 0xA5);
    ASSERT_TRUE(platform::SendCopyDataToHandle(receiver.Handle(), 1, 4, largest));
    Bytes tooLarge(platform::kMaxCopyDataBytes + 1, 0x5A);
    EXPECT_FALSE(platform::SendCopyDataToHandle(receiver.Handle(), 1, 5, tooLarge));
    EXPECT_FALSE(platform::SendCopyData("窗口 B", 1, 1, frame));

    // Synchronous: everything sent is there as soon as the sends returned.
    auto got = inbox.Messages();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].sender, 0x1234u);
    EXPECT_EQ(got[0].dwData, 7u);
    EXPECT_EQ(got[0].bytes, frame);
    EXPECT_EQ(got[1].dwData, 200u);
    EXPECT_TRUE(got[1].bytes.empty());
    EXPECT_EQ(got[2].sender, 0x5678u);
    EXPECT_EQ(got[2].dwData, 3u);
    EXPECT_EQ(got[2].bytes, frame);
    EXPECT_EQ(got[3].bytes, largest);

    receiver.Stop();
    EXPECT_FALSE(platform::WindowExists("窗口 A"));
    EXPECT_FALSE(platform::SendCopyData("窗口 A", 1, 1, frame));
    EXPECT_TRUE(FilesWithPrefix("").size() <= 3u);  // ".", ".." and the lock file; no socket left behind
    EXPECT_TRUE(FilesWithPrefix("t-").empty());
    EXPECT_TRUE(FilesWithPrefix("h-").empty());
}

TEST_F(WindowLinkTest, HandlesAreDistinctAndTitlesAreExact) {
    Inbox a, b;
    LinkReceiver first, second;
    EXPECT_NE(first.Handle(), second.Handle());
    ASSERT_TRUE(first.Start("Title", a.Handler()));
    // One live receiver per title; a second one is refused rather than silently taking it over.
    EXPECT_FALSE(second.Start("Title", b.Handler()));
    ASSERT_TRUE(second.Start("title", b.Handler()));
    ASSERT_TRUE(platform::SendCopyData("title", 9, 1, {}));
    EXPECT_EQ(a.Messages().size(), 0u);
    EXPECT_EQ(b.Messages().size(), 1u);
    EXPECT_FALSE(first.Start("Other", a.Handler()));  // already started
}

TEST_F(WindowLinkTest, ReplyHandleSurvivesTitleChange) {
    Inbox inbox;
    LinkReceiver receiver;
    ASSERT_TRUE(receiver.Start("VARN - 通讯中断", inbox.Handler()));
    const WindowHandle handle = receiver.Handle();
    ASSERT_TRUE(receiver.SetTitle("VARN - 通讯正常"));
    EXPECT_EQ(receiver.Title(), "VARN - 通讯正常");
    EXPECT_EQ(receiver.Handle(), handle);
    EXPECT_FALSE(platform::WindowExists("VARN - 通讯中断"));
    EXPECT_TRUE(platform::WindowExists("VARN - 通讯正常"));

    const Bytes reply = {0x01, 0x10, 0x00, 0x64, 0x00, 0x06};
    EXPECT_TRUE(platform::SendCopyDataToHandle(handle, 2, 0, reply));
    EXPECT_TRUE(platform::SendCopyData("VARN - 通讯正常", 2, 0, reply));
    EXPECT_FALSE(platform::SendCopyData("VARN - 通讯中断", 2, 0, reply));

    // Handle only, then a title again.
    ASSERT_TRUE(receiver.SetTitle(""));
    EXPECT_FALSE(platform::WindowExists("VARN - 通讯正常"));
    EXPECT_TRUE(platform::SendCopyDataToHandle(handle, 2, 0, reply));
    ASSERT_TRUE(receiver.SetTitle("again"));
    EXPECT_TRUE(platform::SendCopyData("again", 2, 0, reply));
    EXPECT_EQ(inbox.Messages().size(), 4u);

    // A title held by another live receiver cannot be taken; the old one stays.
    LinkReceiver other;
    ASSERT_TRUE(other.Start("held", Inbox().Handler()));
    EXPECT_FALSE(receiver.SetTitle("held"));
    EXPECT_EQ(receiver.Title(), "again");
    EXPECT_TRUE(platform::WindowExists("again"));
}

TEST_F(WindowLinkTest, StaleSocketFileIsNotAWindowAndIsReplaced) {
    // Leaves the title's socket file behind as a killed receiver would, and returns its path.
    auto makeStale = [this](const std::string& title) {
        LinkReceiver receiver;
        EXPECT_TRUE(receiver.Start(title, Inbox().Handler()));
        auto titleFiles = FilesWithPrefix("t-");
        EXPECT_EQ(titleFiles.size(), 1u);
        const std::string kept = root_ + "/kept.sock";
        EXPECT_EQ(::link(titleFiles[0].c_str(), kept.c_str()), 0);
        receiver.Stop();
        EXPECT_EQ(::rename(kept.c_str(), titleFiles[0].c_str()), 0);
        return titleFiles[0];
    };

    const std::string path = makeStale("server");
    EXPECT_EQ(::access(path.c_str(), F_OK), 0);
    EXPECT_FALSE(platform::SendCopyData("server", 1, 1, {}));
    EXPECT_FALSE(platform::WindowExists("server"));
    EXPECT_NE(::access(path.c_str(), F_OK), 0) << "the stale file is removed";

    // A new receiver takes over a title whose file is stale.
    makeStale("server");
    Inbox inbox;
    LinkReceiver receiver;
    ASSERT_TRUE(receiver.Start("server", inbox.Handler()));
    EXPECT_TRUE(platform::WindowExists("server"));
    EXPECT_TRUE(platform::SendCopyData("server", 1, 1, {}));
    EXPECT_EQ(inbox.Messages().size(), 1u);
}

TEST_F(WindowLinkTest, BlockedReceiverMakesTheSendFailInTime) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> handled{0};
    LinkReceiver receiver;
    ASSERT_TRUE(receiver.Start("busy", [&](const CopyDataMessage&) {
        released.wait();
        ++handled;
    }));

    auto start = Clock::now();
    EXPECT_FALSE(platform::SendCopyData("busy", 1, 1, Bytes{1, 2, 3}, 300));
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_GE(elapsed, 250);
    EXPECT_LT(elapsed, 1500);

    // A second sender queued behind the blocked handler also gives up instead of hanging.
    start = Clock::now();
    EXPECT_FALSE(platform::SendCopyDataToHandle(receiver.Handle(), 1, 1, {}, 300));
    elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_LT(elapsed, 1500);
    // The window still exists while busy.
    EXPECT_TRUE(platform::WindowExists("busy"));

    release.set_value();
    // After the handler returns the receiver serves again (the given-up messages may still be handled).
    EXPECT_TRUE(platform::SendCopyData("busy", 1, 1, {}, 2000));
    EXPECT_GE(handled.load(), 2);
}

TEST_F(WindowLinkTest, ConcurrentSendersAreServedOneAtATime) {
    std::atomic<int> inside{0};
    std::atomic<int> overlap{0};
    std::atomic<long> sum{0};
    LinkReceiver receiver;
    ASSERT_TRUE(receiver.Start("shared", [&](const CopyDataMessage& m) {
        if (++inside > 1) ++overlap;
        sum += static_cast<long>(m.dwData) + static_cast<long>(m.bytes.size());
        --inside;
    }));
    constexpr int kThreads = 4;
    constexpr int kEach = 50;
    std::atomic<int> failures{0};
    std::vector<std::thread> senders;
    for (int t = 0; t < kThreads; ++t) {
        senders.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                Bytes data(static_cast<std::size_t>(t + 1), 0x11);
                if (!platform::SendCopyData("shared", static_cast<WindowHandle>(t), 1, data, 5000))
                    ++failures;
            }
        });
    }
    for (auto& s : senders) s.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(overlap.load(), 0);
    EXPECT_EQ(sum.load(), kEach * (kThreads + (1 + 2 + 3 + 4)));
}

// A client connection to `path` that sends nothing.
int IdleConnection(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return fd;
    if (fd >= 0) ::close(fd);
    return -1;
}

// The scheduler statistics of every other thread of this process, opened in advance.
std::vector<int> OtherThreadsSchedStats() {
    std::vector<int> files;
    const std::string self = std::to_string(::gettid());
    if (DIR* dir = ::opendir("/proc/self/task")) {
        while (dirent* entry = ::readdir(dir)) {
            const std::string tid = entry->d_name;
            if (tid == "." || tid == ".." || tid == self) continue;
            const int fd = ::open(("/proc/self/task/" + tid + "/schedstat").c_str(), O_RDONLY | O_CLOEXEC);
            if (fd >= 0) files.push_back(fd);
        }
        ::closedir(dir);
    }
    return files;
}

// Nanoseconds those threads were running or ready to run: a thread that spins is one of them the whole
// time, however busy the machine is; one that sleeps in its wait is not.
long long BusyNs(const std::vector<int>& files) {
    long long total = 0;
    for (int fd : files) {
        char text[128] = {};
        if (::pread(fd, text, sizeof text - 1, 0) <= 0) continue;
        long long running = 0;
        long long waiting = 0;
        if (std::sscanf(text, "%lld %lld", &running, &waiting) == 2) total += running + waiting;
    }
    return total;
}

TEST_F(WindowLinkTest, IdleConnectionsDoNotDelayAMessage) {
    Inbox inbox;
    LinkReceiver receiver;
    ASSERT_TRUE(receiver.Start("server", inbox.Handler()));
    const auto titleFiles = FilesWithPrefix("t-");
    ASSERT_EQ(titleFiles.size(), 1u);
    std::vector<int> idle;
    for (int i = 0; i < 3; ++i) idle.push_back(IdleConnection(titleFiles[0]));
    for (int fd : idle) ASSERT_GE(fd, 0);
    const auto start = Clock::now();
    EXPECT_TRUE(platform::SendCopyData("server", 1, 7, Bytes{1}));
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_LT(elapsed, 500);
    EXPECT_EQ(inbox.Messages().size(), 1u);
    for (int fd : idle) ::close(fd);
}

TEST_F(WindowLinkTest, AFolderLockHeldElsewhereDoesNotHang) {
    ASSERT_TRUE(platform::LinkFolder().has_value());
    // Another process stopped while it held the lock.
    const int lockFd = ::open((folder_ + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(lockFd, 0);
    ASSERT_EQ(::flock(lockFd, LOCK_EX), 0);
    const bool worked =
        ::test::RunWithin(std::chrono::seconds(5), "waited for the folder lock without limit", [] {
            Inbox inbox;
            LinkReceiver receiver;
            const bool started = receiver.Start("server", inbox.Handler());
            const bool exists = platform::WindowExists("server");
            const bool sent = platform::SendCopyData("server", 1, 1, {});
            receiver.Stop();
            return started && exists && sent && !platform::WindowExists("server");
        });
    ::close(lockFd);
    EXPECT_TRUE(worked);
}

TEST_F(WindowLinkTest, RunningOutOfDescriptorsDoesNotSpin) {
    Inbox inbox;
    LinkReceiver receiver;
    ASSERT_TRUE(receiver.Start("server", inbox.Handler()));
    const auto titleFiles = FilesWithPrefix("t-");
    ASSERT_EQ(titleFiles.size(), 1u);
    const int client = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    ASSERT_GE(client, 0);
    const std::vector<int> stats = OtherThreadsSchedStats();
    ASSERT_FALSE(stats.empty());
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    // No descriptor left for the receiver's accept: the limit at the highest open one, every hole filled.
    int highest = client;
    for (int fd = 0; fd < 4096; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1) highest = std::max(highest, fd);
    }
    rlimit tight = saved;
    tight.rlim_cur = static_cast<rlim_t>(highest) + 1;
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    std::vector<int> fillers;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) fillers.push_back(fd);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", titleFiles[0].c_str());
    ASSERT_EQ(::connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const long long before = BusyNs(stats);
    std::this_thread::sleep_for(std::chrono::milliseconds(600));
    const long long busyMs = (BusyNs(stats) - before) / 1'000'000;
    for (int fd : stats) ::close(fd);
    for (int fd : fillers) ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_LT(busyMs, 300) << "the receiver spun on a failing accept";
    ::close(client);
    // Once descriptors are free again the receiver serves as before.
    EXPECT_TRUE(platform::SendCopyData("server", 1, 1, {}));
    EXPECT_TRUE(receiver.Running());
}

TEST_F(WindowLinkTest, AReceiverWhoseWaitFailsReportsItselfDead) {
    Inbox inbox;
    LinkReceiver receiver;
    std::atomic<int> gaveUp{0};
    ASSERT_TRUE(receiver.Start("server", inbox.Handler(), [&] { ++gaveUp; }));
    EXPECT_TRUE(receiver.Running());
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit tight = saved;
    tight.rlim_cur = 1;  // poll refuses more descriptors than the limit
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
    receiver.SetTitle("");  // wakes the receiver into its next wait
    for (int i = 0; i < 200 && gaveUp.load() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_FALSE(receiver.Running());
    // Its name is gone: a sender learns at once instead of after its time-out.
    EXPECT_TRUE(FilesWithPrefix("h-").empty());
    const auto start = Clock::now();
    EXPECT_FALSE(platform::SendCopyDataToHandle(receiver.Handle(), 1, 1, {}));
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count(), 500);
    receiver.Stop();
    EXPECT_EQ(gaveUp.load(), 1);
    // A receiver ended by Stop did not give up.
    LinkReceiver stopped;
    ASSERT_TRUE(stopped.Start("", inbox.Handler(), [&] { ++gaveUp; }));
    stopped.Stop();
    EXPECT_EQ(gaveUp.load(), 1);
}

TEST_F(WindowLinkTest, UnsafeFoldersAreRefused) {
    // A missing folder is created private.
    ASSERT_TRUE(platform::LinkFolder().has_value());
    struct stat info;
    ASSERT_EQ(::lstat(folder_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);

    const std::string open = root_ + "/open";
    ASSERT_EQ(::mkdir(open.c_str(), 0700), 0);
    ASSERT_EQ(::chmod(open.c_str(), 0755), 0);
    platform::SetLinkFolderOverride(open);
    EXPECT_FALSE(platform::LinkFolder().has_value());
    LinkReceiver receiver;
    EXPECT_FALSE(receiver.Start("x", Inbox().Handler()));
    EXPECT_FALSE(platform::SendCopyData("x", 1, 1, {}));
    EXPECT_FALSE(platform::WindowExists("x"));

    // A symbolic link is refused even when it points at an acceptable folder.
    const std::string link = root_ + "/alias";
    ASSERT_EQ(::symlink(folder_.c_str(), link.c_str()), 0);
    platform::SetLinkFolderOverride(link);
    EXPECT_FALSE(platform::LinkFolder().has_value());
    EXPECT_FALSE(receiver.Start("x", Inbox().Handler()));

    // The environment variable points the folder elsewhere when no override is set.
    platform::SetLinkFolderOverride("");
    const std::string viaEnv = root_ + "/env";
    ::setenv("VARN_LINK_DIR", viaEnv.c_str(), 1);
    auto resolved = platform::LinkFolder();
    ::unsetenv("VARN_LINK_DIR");
    ASSERT_TRUE(resolved.has_value());
    EXPECT_EQ(*resolved, viaEnv);
}

TEST_F(WindowLinkTest, WithoutARuntimeFolderTheFolderIsPrivateUnderTheUsersHome) {
    platform::SetLinkFolderOverride("");
    const std::string home = root_ + "/home";
    ASSERT_EQ(::mkdir(home.c_str(), 0755), 0);
    std::map<std::string, std::optional<std::string>> saved;
    for (const char* name : {"XDG_RUNTIME_DIR", "XDG_CACHE_HOME", "HOME", "VARN_LINK_DIR"}) {
        const char* value = std::getenv(name);
        saved[name] = value ? std::optional<std::string>(value) : std::nullopt;
        ::unsetenv(name);
    }
    ::setenv("HOME", home.c_str(), 1);
    const auto resolved = platform::LinkFolder();
    for (const auto& [name, value] : saved) {
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
    ASSERT_TRUE(resolved.has_value());
    EXPECT_EQ(*resolved, home + "/.cache/varn-link");
    struct stat info;
    ASSERT_EQ(::lstat(resolved->c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
}

}  // namespace
