// The communication server as a separate process, with pseudo-terminals standing in for the relays.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/WindowLink.h"

extern char** environ;

namespace {

using platform::CopyDataMessage;
using platform::LinkReceiver;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

const std::string kTitle = "Tessel - 通讯正常 - 通讯服务器以正常模式运行";

// A relay on the master side of a pseudo-terminal: collects each request (cut at 30 ms of quiet) and answers
// it with the chunks the test chose, pausing between them.
class FakeRelay {
  public:
    struct Chunk {
        Bytes bytes;
        std::chrono::milliseconds pauseBefore{0};
    };
    using Answer = std::function<std::vector<Chunk>(const Bytes& request)>;

    explicit FakeRelay(Answer answer) : answer_(std::move(answer)) {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0) {
            if (const char* name = ::ptsname(master_)) slave_ = name;
        }
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
        thread_ = std::thread([this] { Run(); });
    }
    ~FakeRelay() {
        stop_ = true;
        thread_.join();
        if (master_ >= 0) ::close(master_);
    }
    const std::string& SlavePath() const { return slave_; }

    std::vector<Bytes> Requests() {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }
    // True once the server had the port open and then closed it.
    bool ClosedAfterUse() const { return closedAfterUse_; }

  private:
    void Run() {
        Bytes pending;
        auto last = Clock::now();
        bool used = false;
        while (!stop_) {
            pollfd entry{master_, POLLIN, 0};
            int ready = ::poll(&entry, 1, 10);
            if (ready > 0 && (entry.revents & POLLIN)) {
                std::uint8_t buffer[4096];
                ssize_t n = ::read(master_, buffer, sizeof buffer);
                if (n > 0) {
                    pending.insert(pending.end(), buffer, buffer + n);
                    last = Clock::now();
                    used = true;
                    closedAfterUse_ = false;
                    continue;
                }
            }
            if (ready > 0 && (entry.revents & POLLHUP)) {
                // No slave open: before the server opens the port or after it closed it.
                if (used) closedAfterUse_ = true;
                std::this_thread::sleep_for(10ms);
            }
            if (!pending.empty() && Clock::now() - last >= 30ms) {
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    requests_.push_back(pending);
                }
                for (const Chunk& chunk : answer_(pending)) {
                    std::this_thread::sleep_for(chunk.pauseBefore);
                    WriteAll(chunk.bytes);
                }
                pending.clear();
            }
        }
    }
    void WriteAll(const Bytes& bytes) {
        std::size_t done = 0;
        while (done < bytes.size() && !stop_) {
            ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
            if (n > 0)
                done += static_cast<std::size_t>(n);
            else
                std::this_thread::sleep_for(1ms);
        }
    }

    Answer answer_;
    int master_ = -1;
    std::string slave_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> closedAfterUse_{false};
    std::mutex mutex_;
    std::vector<Bytes> requests_;
};

// Echoes the request with a marker byte, as one chunk.
FakeRelay::Answer EchoWith(std::uint8_t marker) {
    return [marker](const Bytes& request) {
        Bytes reply = request;
        reply.push_back(marker);
        return std::vector<FakeRelay::Chunk>{{reply, 0ms}};
    };
}

// A host window stand-in: receives the server's replies by handle.
class Client {
  public:
    Client() {
        receiver_.Start("", [this](const CopyDataMessage& m) {
            std::lock_guard<std::mutex> lock(mutex_);
            replies_.emplace_back(m.bytes.begin(), m.bytes.end());
            cv_.notify_all();
        });
    }
    bool Send(std::uint64_t port, const Bytes& bytes) {
        return platform::SendCopyData(kTitle, receiver_.Handle(), port, bytes);
    }
    // Waits until `count` replies arrived (or the time is up) and returns all of them.
    std::vector<Bytes> WaitReplies(std::size_t count, std::chrono::milliseconds limit = 3000ms) {
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait_for(lock, limit, [&] { return replies_.size() >= count; });
        return replies_;
    }

  private:
    LinkReceiver receiver_;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<Bytes> replies_;
};

class CommServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/varn-comm-server-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root_ = pattern;
        linkDir_ = root_ + "/link";
        ASSERT_EQ(::mkdir((root_ + "/dosdevices").c_str(), 0700), 0);
        platform::SetLinkFolderOverride(linkDir_);
        pid_ = Spawn();
        ASSERT_GT(pid_, 0);
        auto deadline = Clock::now() + 10s;
        while (!platform::WindowExists(kTitle) && Clock::now() < deadline) std::this_thread::sleep_for(20ms);
        ASSERT_TRUE(platform::WindowExists(kTitle)) << "server did not come up";
    }
    void TearDown() override {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
            EXPECT_FALSE(platform::WindowExists(kTitle));
        }
        platform::SetLinkFolderOverride("");
        std::string command = "rm -rf '" + root_ + "'";
        [[maybe_unused]] int rc = std::system(command.c_str());
    }

    pid_t Spawn() {
        const char* dir = std::getenv("VARN_TOOLS_DIR");
        std::string program = std::string(dir ? dir : ".") + "/comm_server";
        std::vector<std::string> args = {program, "--link-dir", linkDir_, "--program-folder",
                                         root_,   "--title",    kTitle};
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid_t pid = 0;
        if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
        return pid;
    }

    void MapPort(int port, const FakeRelay& relay) {
        std::string link = root_ + "/dosdevices/com" + std::to_string(port);
        ASSERT_EQ(::symlink(relay.SlavePath().c_str(), link.c_str()), 0);
    }

    std::string root_;
    std::string linkDir_;
    pid_t pid_ = -1;
};

TEST_F(CommServerTest, EachReplyComesBackAsOneMessage) {
    std::atomic<int> round{0};
    FakeRelay relay([&](const Bytes& request) {
        Bytes reply = request;
        switch (round++) {
            case 0:  // split by a short pause: still one reply
                return std::vector<FakeRelay::Chunk>{{Bytes(reply.begin(), reply.begin() + 3), 0ms},
                                                     {Bytes(reply.begin() + 3, reply.end()), 60ms}};
            case 1:  // split by a long pause: two replies
                return std::vector<FakeRelay::Chunk>{{Bytes{0x01, 0x02}, 0ms}, {Bytes{0x03}, 400ms}};
            default:  // longer than a reply may be
                return std::vector<FakeRelay::Chunk>{{Bytes(3000, 0x5A), 0ms}};
        }
    });
    MapPort(3, relay);
    Client client;
    ASSERT_TRUE(client.Send(3, {}));

    const Bytes frame = {0x01, 0x03, 0x0A, 0x0D, 0x11, 0x13, 0x00, 0xFF};
    ASSERT_TRUE(client.Send(3, frame));
    auto replies = client.WaitReplies(1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], frame);
    ASSERT_EQ(relay.Requests().size(), 1u);
    EXPECT_EQ(relay.Requests()[0], frame) << "control bytes pass unchanged";

    ASSERT_TRUE(client.Send(3, Bytes{0x07}));
    replies = client.WaitReplies(3);
    ASSERT_EQ(replies.size(), 3u);
    EXPECT_EQ(replies[1], (Bytes{0x01, 0x02}));
    EXPECT_EQ(replies[2], (Bytes{0x03}));

    ASSERT_TRUE(client.Send(3, Bytes{0x08}));
    replies = client.WaitReplies(4);
    ASSERT_EQ(replies.size(), 4u);
    EXPECT_EQ(replies[3], Bytes(2048, 0x5A));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(client.WaitReplies(5, 0ms).size(), 4u) << "the cut tail is not sent as another reply";
}

TEST_F(CommServerTest, FrameWithoutRegistrationStillGoesOut) {
    FakeRelay relay(EchoWith(0xEE));
    MapPort(4, relay);
    Client client;
    ASSERT_TRUE(client.Send(4, Bytes{0x01, 0x05}));
    auto replies = client.WaitReplies(1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], (Bytes{0x01, 0x05, 0xEE}));

    // A port that cannot be opened loses the frame but not the server.
    ASSERT_EQ(::symlink((root_ + "/missing").c_str(), (root_ + "/dosdevices/com9").c_str()), 0);
    ASSERT_TRUE(client.Send(9, Bytes{0x01}));
    ASSERT_TRUE(client.Send(4, Bytes{0x02}));
    replies = client.WaitReplies(2);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[1], (Bytes{0x02, 0xEE}));
}

TEST_F(CommServerTest, Port200EndsTheClientAndFreesTheUnusedPort) {
    FakeRelay relay(EchoWith(0x55));
    MapPort(5, relay);
    Client first, second;
    ASSERT_TRUE(first.Send(5, {}));
    ASSERT_TRUE(second.Send(5, {}));
    ASSERT_TRUE(first.Send(5, Bytes{0x01}));
    ASSERT_EQ(first.WaitReplies(1).size(), 1u);

    // The first client leaves; the port stays open for the second one.
    ASSERT_TRUE(first.Send(200, {}));
    ASSERT_TRUE(second.Send(5, Bytes{0x02}));
    auto replies = second.WaitReplies(1);
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0], (Bytes{0x02, 0x55}));
    EXPECT_EQ(first.WaitReplies(2, 0ms).size(), 1u);
    EXPECT_FALSE(relay.ClosedAfterUse());

    // The last client leaves: the port closes.
    ASSERT_TRUE(second.Send(200, {}));
    auto deadline = Clock::now() + 3s;
    while (!relay.ClosedAfterUse() && Clock::now() < deadline) std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(relay.ClosedAfterUse());

    // Sending again opens it anew.
    ASSERT_TRUE(second.Send(5, Bytes{0x03}));
    replies = second.WaitReplies(2);
    ASSERT_EQ(replies.size(), 2u);
    EXPECT_EQ(replies[1], (Bytes{0x03, 0x55}));
}

TEST_F(CommServerTest, TwoClientsOnTwoPorts) {
    FakeRelay relay6(EchoWith(6));
    FakeRelay relay7(EchoWith(7));
    MapPort(6, relay6);
    MapPort(7, relay7);
    Client a, b;
    ASSERT_TRUE(a.Send(6, {}));
    ASSERT_TRUE(b.Send(7, {}));
    constexpr int kRounds = 3;
    auto run = [](Client& client, int port, std::uint8_t tag) {
        for (int i = 0; i < kRounds; ++i) {
            EXPECT_TRUE(
                client.Send(static_cast<std::uint64_t>(port), Bytes{tag, static_cast<std::uint8_t>(i)}));
            client.WaitReplies(static_cast<std::size_t>(i + 1));
        }
    };
    std::thread ta(run, std::ref(a), 6, 0xA0);
    std::thread tb(run, std::ref(b), 7, 0xB0);
    ta.join();
    tb.join();
    auto ra = a.WaitReplies(kRounds);
    auto rb = b.WaitReplies(kRounds);
    ASSERT_EQ(ra.size(), static_cast<std::size_t>(kRounds));
    ASSERT_EQ(rb.size(), static_cast<std::size_t>(kRounds));
    for (int i = 0; i < kRounds; ++i) {
        EXPECT_EQ(ra[i], (Bytes{0xA0, static_cast<std::uint8_t>(i), 6}));
        EXPECT_EQ(rb[i], (Bytes{0xB0, static_cast<std::uint8_t>(i), 7}));
    }
    for (const Bytes& r : relay6.Requests()) EXPECT_EQ(r[0], 0xA0);
    for (const Bytes& r : relay7.Requests()) EXPECT_EQ(r[0], 0xB0);

    // A second server under the same title refuses to start.
    pid_t other = Spawn();
    ASSERT_GT(other, 0);
    int status = 0;
    ::waitpid(other, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
}

}  // namespace
