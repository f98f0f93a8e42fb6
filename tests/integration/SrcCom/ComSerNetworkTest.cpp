#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "ComSerTestSupport.h"
#include "PtyPair.h"
#include "SrcCom/ComSer.h"
#include "platform/WindowLink.h"

extern char** environ;

namespace com {
namespace {

using testing_pty::ProgramDir;
using testing_pty::PtyPair;
using testing_pty::SleepMs;
using testing_pty::WaitFrame;

struct Received {
    platform::WindowHandle sender;
    std::uint64_t dwData;
    std::vector<std::uint8_t> bytes;
};

// A private link folder and a title of our own, so that no other test or running server is found.
class ComSerNetwork : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(links.Path().empty());
        platform::SetLinkFolderOverride(links.Path());
        title = "Tessel test server " + std::to_string(getpid());
        com.SetCommServerTitle(title);
        com.SetProgramFolder(dir.Path());
        ASSERT_TRUE(host.Start("", [this](const platform::CopyDataMessage& m) {
            com.DeliverRelayReply(m.bytes.data(), m.bytes.size());
        }));
        com.SetLinkHandle(host.Handle());
    }
    void TearDown() override {
        host.Stop();
        platform::SetLinkFolderOverride("");
    }

    ProgramDir links;  // only its folder is used
    ProgramDir dir;
    std::string title;
    platform::LinkReceiver host;
    ComSer com;
};

TEST_F(ComSerNetwork, WithoutServerNothingIsSentButNetworkModeStays) {
    EXPECT_FALSE(com.RegisterWithCommServer(4));
    EXPECT_TRUE(com.NetworkMode());
    EXPECT_EQ(com.CurrentPort(), 4);
    EXPECT_FALSE(com.TransportReady());
    const std::vector<std::uint8_t> frame{1, 3, 0, 0, 0, 0x0A, 0xC5, 0xCD};
    EXPECT_FALSE(com.SendFrame(frame.data(), static_cast<int>(frame.size())));

    // The server appears: frames go out without a new registration.
    std::mutex mutex;
    std::vector<Received> got;
    platform::LinkReceiver server;
    ASSERT_TRUE(server.Start(title, [&](const platform::CopyDataMessage& m) {
        std::lock_guard lock(mutex);
        got.push_back({m.sender, m.dwData, {m.bytes.begin(), m.bytes.end()}});
    }));
    EXPECT_TRUE(com.TransportReady());
    EXPECT_TRUE(com.SendFrame(frame.data(), static_cast<int>(frame.size())));
    EXPECT_TRUE(com.RegisterWithCommServer(kClosingPort));
    server.Stop();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].sender, host.Handle());
    EXPECT_EQ(got[0].dwData, 4u);
    EXPECT_EQ(got[0].bytes, frame);
    EXPECT_EQ(got[1].dwData, 200u);
    EXPECT_TRUE(got[1].bytes.empty());
    EXPECT_FALSE(com.TransportReady());
}

TEST_F(ComSerNetwork, RelayRepliesReachTheMailboxOnlyInNetworkModeAndAreCut) {
    std::atomic<int> heard{0};
    com.SetFrameListener([&] { heard.fetch_add(1); });
    testing_pty::ListenerGuard guard{com};
    com.RegisterWithCommServer(3);
    std::vector<std::uint8_t> reply(3000);
    for (std::size_t i = 0; i < reply.size(); ++i) {
        reply[i] = static_cast<std::uint8_t>(i);
    }
    com.DeliverRelayReply(reply.data(), reply.size());
    ASSERT_TRUE(com.FrameReady());
    EXPECT_EQ(heard.load(), 1);  // the response wait learns of it at once
    std::vector<std::uint8_t> buffer(4096, 0xA5);
    ASSERT_EQ(com.TakeFrame(buffer.data(), buffer.size()), kRelayBufferSize);
    EXPECT_EQ(buffer[2047], static_cast<std::uint8_t>(2047));
    EXPECT_EQ(buffer[2048], 0xA5);

    // Back to serial mode (the open fails here, the mode is left all the same): replies are ignored.
    EXPECT_FALSE(com.OpenPort(250, kBaudRate, kDataBits, 0, 0));
    EXPECT_FALSE(com.NetworkMode());
    com.DeliverRelayReply(reply.data(), 8);
    EXPECT_FALSE(com.FrameReady());
    EXPECT_EQ(heard.load(), 1);
}

// The communication server tool relays our frames to the relay and its replies back as one message each.
TEST_F(ComSerNetwork, EndToEndThroughTheCommServer) {
    const char* tools = std::getenv("VARN_TOOLS_DIR");
    std::string exe = std::string(tools ? tools : "") + "/comm_server";
    if (!tools || !std::filesystem::exists(exe)) {
        GTEST_SKIP() << "comm_server not built";
    }
    PtyPair relay;
    ASSERT_TRUE(relay.Ok());
    ASSERT_TRUE(dir.Map(7, relay.SlavePath()));

    std::vector<std::string> args{exe,          "--title",          title,     "--link-dir",
                                  links.Path(), "--program-folder", dir.Path()};
    std::vector<char*> argv;
    for (auto& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv.data(), environ), 0);
    for (int i = 0; i < 300 && !com.TransportReady(); ++i) {
        com.RegisterWithCommServer(7);
        SleepMs(10);
    }
    EXPECT_TRUE(com.RegisterWithCommServer(7));
    EXPECT_TRUE(com.TransportReady());

    const std::vector<std::uint8_t> request{1, 3, 0, 0, 0, 1, 0x84, 0x0A};
    EXPECT_TRUE(com.SendFrame(request.data(), static_cast<int>(request.size())));
    EXPECT_EQ(relay.Read(request.size(), 2000), request);
    const std::vector<std::uint8_t> answer{1, 3, 2, 0x11, 0x13, 0x0D, 0x0A};
    ASSERT_TRUE(relay.Write(answer));
    auto got = WaitFrame(com, 3000);
    ASSERT_TRUE(got);
    EXPECT_EQ(*got, answer);

    EXPECT_TRUE(com.RegisterWithCommServer(kClosingPort));
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_FALSE(com.TransportReady());
    EXPECT_FALSE(com.SendFrame(request.data(), static_cast<int>(request.size())));
}

}  // namespace
}  // namespace com
