// Window messages between real windows: in one process, and between this host side and the Windows build of
// the communication server, which relays a frame to the relay simulator when the test script mapped a port.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "SrcCom/ComSer.h"
#include "WinTestSupport.h"
#include "modbus/Crc16.h"
#include "modbus/Requests.h"
#include "platform/WindowLink.h"
#include "support/LinkInbox.h"
#include "support/Waiting.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

using Inbox = test::LinkInbox;

std::string UniqueTitle(const char* what) {
    return std::string("Tessel - 通讯正常 - ") + what + " " + std::to_string(GetCurrentProcessId());
}

TEST(Win32WindowLink, ExactTitleSenderHandleDataAndBytesReachTheReceiver) {
    const std::string title = UniqueTitle("测试");
    Inbox inbox;
    platform::LinkReceiver receiver;
    ASSERT_TRUE(receiver.Start(title, [&](const platform::CopyDataMessage& m) { inbox.Add(m); }));
    ASSERT_NE(receiver.Handle(), 0u);
    EXPECT_TRUE(platform::WindowExists(title));
    // The title is matched whole: no prefix, no other characters.
    EXPECT_FALSE(platform::WindowExists(title.substr(0, title.size() - 1)));
    EXPECT_FALSE(platform::WindowExists(""));

    // A second receiver cannot take a title that is in use.
    platform::LinkReceiver second;
    EXPECT_FALSE(second.Start(title, [](const platform::CopyDataMessage&) {}));

    const Bytes frame{1, 3, 0, 0, 0, 40, 0x45, 0xD4};
    ASSERT_TRUE(platform::SendCopyData(title, 0x1234, 7, frame));
    ASSERT_TRUE(platform::SendCopyData(title, 0x1234, 200, {}));  // a registration carries no bytes
    ASSERT_TRUE(platform::SendCopyDataToHandle(receiver.Handle(), 0x99, 3, frame));
    auto messages = inbox.Messages();  // SendMessage returns only after the handler ran
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].sender, 0x1234u);
    EXPECT_EQ(messages[0].dwData, 7u);
    EXPECT_EQ(messages[0].bytes, frame);
    EXPECT_NE(messages[0].thread, std::this_thread::get_id());
    EXPECT_EQ(messages[1].dwData, 200u);
    EXPECT_TRUE(messages[1].bytes.empty());
    EXPECT_EQ(messages[2].sender, 0x99u);

    // Too many bytes are refused before anything is sent.
    EXPECT_FALSE(platform::SendCopyData(title, 1, 1, Bytes(platform::kMaxCopyDataBytes + 1, 0)));

    // A new title moves the registration; the handle stays.
    const std::string moved = UniqueTitle("已移动");
    const platform::WindowHandle handle = receiver.Handle();
    ASSERT_TRUE(receiver.SetTitle(moved));
    EXPECT_FALSE(platform::WindowExists(title));
    EXPECT_TRUE(platform::WindowExists(moved));
    EXPECT_EQ(receiver.Handle(), handle);
    EXPECT_EQ(receiver.Title(), moved);

    receiver.Stop();
    EXPECT_FALSE(receiver.Running());
    EXPECT_FALSE(platform::WindowExists(moved));
    EXPECT_FALSE(platform::SendCopyData(moved, 1, 1, frame));
    EXPECT_FALSE(platform::SendCopyDataToHandle(handle, 1, 1, frame));
    inbox.Messages();
    EXPECT_EQ(inbox.Messages().size(), 3u);
}

// The host's side of network mode: ComSer with the main window's receiver, as the main window wires it.
struct Host {
    com::ComSer comSer;
    platform::LinkReceiver receiver;
    explicit Host(const std::string& serverTitle) {
        comSer.SetCommServerTitle(serverTitle);
        receiver.Start("", [this](const platform::CopyDataMessage& m) {
            comSer.DeliverRelayReply(m.bytes.data(), m.bytes.size());
        });
        comSer.SetLinkHandle(receiver.Handle());
    }
};

TEST(Win32WindowLink, HostAndCommunicationServerInTwoProcesses) {
    const std::string title = UniqueTitle("通讯服务器");
    const std::wstring server = platform::win32::Widen(wintest::ProgramDir() + "\\comm_server.exe");
    Host host(title);
    EXPECT_FALSE(host.comSer.RegisterWithCommServer(2));  // no server yet: network mode all the same
    EXPECT_TRUE(host.comSer.NetworkMode());
    EXPECT_FALSE(host.comSer.TransportReady());

    wintest::Child child(L"\"" + server + L"\" --title \"" + platform::win32::Widen(title) + L"\"");
    ASSERT_TRUE(child.Started());
    ASSERT_TRUE(test::WaitUntil([&] { return platform::WindowExists(title); }, 20s, 5ms))
        << "the server window never came";
    EXPECT_TRUE(host.comSer.TransportReady());

    const std::optional<int> port = wintest::RelayComPort();
    if (!port) {
        EXPECT_TRUE(host.comSer.RegisterWithCommServer(5));
        EXPECT_TRUE(host.comSer.RegisterWithCommServer(com::kClosingPort));
        GTEST_SKIP() << "VARN_WINE_COM_PORT not set: no relay behind the server";
    }
    // The frame goes to the server by window message, out of its COM port to the relay simulator, and the
    // answer comes back as a window message to the host's receiver.
    ASSERT_TRUE(host.comSer.RegisterWithCommServer(*port));
    const modbus::Frame poll = modbus::BuildPollRequest(1, 40);
    std::uint8_t reply[2048];
    std::size_t length = 0;
    for (int attempt = 0; attempt < 3 && length == 0; ++attempt) {
        ASSERT_TRUE(host.comSer.SendFrame(poll.data(), static_cast<int>(poll.size())));
        if (test::WaitUntil([&] { return host.comSer.FrameReady(); }, 3s, 5ms))
            length = host.comSer.TakeFrame(reply, sizeof reply);
    }
    ASSERT_EQ(length, 5u + 2u * 40u);
    EXPECT_EQ(reply[0], 1);
    EXPECT_EQ(reply[1], 3);
    EXPECT_EQ(reply[2], 80);
    EXPECT_TRUE(modbus::CheckCrc16(reply, length));
    EXPECT_TRUE(host.comSer.RegisterWithCommServer(com::kClosingPort));
}

}  // namespace
