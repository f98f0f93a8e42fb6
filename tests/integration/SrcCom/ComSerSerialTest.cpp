#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "ComSerTestSupport.h"
#include "PtyPair.h"
#include "SrcCom/ComSer.h"

namespace com {
namespace {

using testing_pty::ProgramDir;
using testing_pty::PtyPair;
using testing_pty::SleepMs;
using testing_pty::WaitFrame;

// Descriptors this process holds: a port given up without closing it shows here.
std::size_t OpenDescriptors() {
    std::size_t n = 0;
    for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        ++n;
    }
    return n;
}

class ComSerSerial : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty.Ok());
        ASSERT_TRUE(dir.Map(5, pty.SlavePath()));
        com.SetProgramFolder(dir.Path());
    }

    bool Open(int port = 5) { return com.OpenPort(port, kBaudRate, kDataBits, 0, 0); }
    bool Send(const std::vector<std::uint8_t>& bytes) {
        return com.SendFrame(bytes.data(), static_cast<int>(bytes.size()));
    }

    PtyPair pty;
    ProgramDir dir;
    ComSer com;
};

TEST_F(ComSerSerial, ControlAndFlowControlBytesPassUnchangedBothWays) {
    ASSERT_TRUE(Open());
    EXPECT_EQ(com.CurrentPort(), 5);
    EXPECT_TRUE(com.TransportReady());
    // Newline/CR translation, ^C, XON and XOFF are what a cooked or flow-controlled line would eat or change.
    const std::vector<std::uint8_t> frame{0x01, 0x11, 0x0A, 0x0D, 0x03, 0x11, 0x13, 0x00, 0x7F, 0xFF, 0x0A};
    ASSERT_TRUE(Send(frame));
    EXPECT_EQ(pty.Read(frame.size() + 1, 300), frame);

    ASSERT_TRUE(pty.Write(frame));
    auto got = WaitFrame(com, 2000);
    ASSERT_TRUE(got);
    EXPECT_EQ(*got, frame);
}

// The listener hears each frame once, and never before 200 ms of silence after its last byte have passed:
// the gap is measured to the microsecond, not from the last millisecond boundary.
TEST_F(ComSerSerial, ListenerHearsEachFrameNoSoonerThanTheSilenceAfterItsLastByte) {
    using Clock = std::chrono::steady_clock;
    std::mutex mutex;
    std::condition_variable heard;
    std::vector<Clock::time_point> deliveries;
    com.SetFrameListener([&] {
        std::lock_guard lock(mutex);
        deliveries.push_back(Clock::now());
        heard.notify_all();
    });
    testing_pty::ListenerGuard guard{com};
    ASSERT_TRUE(Open());
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(pty.Write({1, 3, 2}));
        SleepMs(30 + 7 * i);
        const Clock::time_point beforeLastByte = Clock::now();
        ASSERT_TRUE(pty.Write({0, static_cast<std::uint8_t>(i)}));
        std::unique_lock lock(mutex);
        ASSERT_TRUE(heard.wait_for(lock, std::chrono::seconds(2),
                                   [&] { return deliveries.size() == static_cast<std::size_t>(i + 1); }));
        const double afterMs =
            std::chrono::duration<double, std::milli>(deliveries.back() - beforeLastByte).count();
        EXPECT_GE(afterMs, 199.99) << "frame " << i;
        lock.unlock();
        auto frame = WaitFrame(com, 10);
        ASSERT_TRUE(frame);
        EXPECT_EQ(*frame, (std::vector<std::uint8_t>{1, 3, 2, 0, static_cast<std::uint8_t>(i)}));
    }
    std::lock_guard lock(mutex);
    EXPECT_EQ(deliveries.size(), 4u);
}

TEST_F(ComSerSerial, ShortPausesJoinLongPausesSplit) {
    ASSERT_TRUE(Open());
    ASSERT_TRUE(pty.Write({1, 2, 3}));
    SleepMs(100);
    ASSERT_TRUE(pty.Write({4, 5}));
    SleepMs(120);
    ASSERT_TRUE(pty.Write({6}));
    auto first = WaitFrame(com, 1500);
    ASSERT_TRUE(first);
    EXPECT_EQ(*first, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6}));

    ASSERT_TRUE(pty.Write({7, 8}));
    SleepMs(320);
    auto second = WaitFrame(com, 10);
    ASSERT_TRUE(second);
    EXPECT_EQ(*second, (std::vector<std::uint8_t>{7, 8}));
    ASSERT_TRUE(pty.Write({9}));
    auto third = WaitFrame(com, 1500);
    ASSERT_TRUE(third);
    EXPECT_EQ(*third, std::vector<std::uint8_t>{9});
}

TEST_F(ComSerSerial, StreamWithoutPausesArrivesInPiecesJustOver1024Bytes) {
    ASSERT_TRUE(Open());
    std::vector<std::uint8_t> stream(3000);
    for (std::size_t i = 0; i < stream.size(); ++i) {
        stream[i] = static_cast<std::uint8_t>(i * 7);
    }
    // 100 bytes every 10 ms: no pause anywhere near 200 ms.
    std::thread writer([&] {
        for (std::size_t i = 0; i < stream.size(); i += 100) {
            pty.Write(std::vector<std::uint8_t>(stream.begin() + i, stream.begin() + i + 100));
            SleepMs(10);
        }
    });
    std::vector<std::vector<std::uint8_t>> pieces;
    std::size_t total = 0;
    while (total < stream.size()) {
        auto piece = WaitFrame(com, 3000);
        if (!piece) {
            break;
        }
        total += piece->size();
        pieces.push_back(*piece);
    }
    writer.join();
    // Every piece but the last is cut as soon as more than 1024 bytes have accumulated; one read adds at most
    // 1024 bytes, so a piece never exceeds 2048 even when a loaded machine lets several chunks pile up.
    ASSERT_GE(pieces.size(), 2u);
    for (std::size_t i = 0; i + 1 < pieces.size(); ++i) {
        EXPECT_GT(pieces[i].size(), 1024u) << "piece " << i;
        EXPECT_LE(pieces[i].size(), 2048u) << "piece " << i;
    }
    EXPECT_LE(pieces.back().size(), 2048u);
    std::vector<std::uint8_t> joined;
    for (auto& p : pieces) {
        joined.insert(joined.end(), p.begin(), p.end());
    }
    EXPECT_EQ(joined, stream);

    // The consumer's 1024-byte buffer gets the first 1024 bytes of a longer frame and nothing beyond.
    pty.Write(std::vector<std::uint8_t>(2000, 0x55));
    std::vector<std::uint8_t> buffer(1024 + 32, 0xA5);
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!com.FrameReady() && std::chrono::steady_clock::now() < end) {
        SleepMs(1);
    }
    EXPECT_EQ(com.TakeFrame(buffer.data(), 1024), 1024u);
    EXPECT_EQ(buffer[1023], 0x55);
    EXPECT_EQ(buffer[1024], 0xA5);
}

TEST_F(ComSerSerial, PortNineAndTenResolveThroughTheirLinks) {
    PtyPair nine;
    PtyPair ten;
    ASSERT_TRUE(nine.Ok() && ten.Ok());
    ASSERT_TRUE(dir.Map(9, nine.SlavePath()));
    ASSERT_TRUE(dir.Map(10, ten.SlavePath()));

    ASSERT_TRUE(Open(9));
    std::size_t descriptors = OpenDescriptors();
    ASSERT_TRUE(Send({0x09}));
    EXPECT_EQ(nine.Read(1, 300), std::vector<std::uint8_t>{0x09});
    // Opening another number closes the first port instead of leaking it.
    ASSERT_TRUE(Open(10));
    EXPECT_EQ(OpenDescriptors(), descriptors);
    EXPECT_EQ(com.CurrentPort(), 10);
    ASSERT_TRUE(Send({0x10}));
    EXPECT_EQ(ten.Read(1, 300), std::vector<std::uint8_t>{0x10});
    EXPECT_TRUE(nine.Read(1, 50).empty());

    // No link and no such device: failure, nothing open.
    EXPECT_FALSE(Open(250));
    EXPECT_EQ(com.CurrentPort(), 0);
    EXPECT_FALSE(com.TransportReady());
    EXPECT_FALSE(Send({1}));
}

TEST_F(ComSerSerial, OpeningTheOpenPortReconfiguresWithoutReopening) {
    ASSERT_TRUE(Open());
    int fd = com.PortDescriptor();
    ASSERT_GE(fd, 0);
    // If the port were reopened it would now reach the other terminal.
    PtyPair other;
    ASSERT_TRUE(other.Ok());
    ASSERT_TRUE(dir.Map(5, other.SlavePath()));
    ASSERT_TRUE(Open());
    EXPECT_EQ(com.PortDescriptor(), fd);
    ASSERT_TRUE(Send({0xAB}));
    EXPECT_EQ(pty.Read(1, 300), std::vector<std::uint8_t>{0xAB});
    EXPECT_TRUE(other.Read(1, 50).empty());

    // Settings the line cannot take fail and leave the port closed, not merely forgotten.
    ASSERT_TRUE(com.ClosePort());
    std::size_t closed = OpenDescriptors();
    EXPECT_FALSE(com.OpenPort(5, 12345, 8, 0, 0));
    EXPECT_FALSE(com.OpenPort(5, kBaudRate, 9, 0, 0));
    EXPECT_FALSE(com.OpenPort(5, kBaudRate, 8, 1, 0));
    EXPECT_FALSE(com.OpenPort(5, kBaudRate, 8, 0, 5));
    EXPECT_EQ(com.PortDescriptor(), -1);
    EXPECT_EQ(com.CurrentPort(), 0);
    EXPECT_EQ(OpenDescriptors(), closed);
    // Configuring a port other than the open one fails and closes it.
    ASSERT_TRUE(Open());
    EXPECT_FALSE(com.ConfigurePort(6, kBaudRate, 8, 0, 0));
    EXPECT_EQ(com.PortDescriptor(), -1);
}

TEST_F(ComSerSerial, VanishedPeerMakesTransportNotReadyAndReconnectWorks) {
    ASSERT_TRUE(Open());
    ASSERT_TRUE(com.TransportReady());
    pty.CloseMaster();
    EXPECT_FALSE(com.TransportReady());
    EXPECT_EQ(com.CurrentPort(), 0);
    EXPECT_EQ(com.PortDescriptor(), -1);
    EXPECT_FALSE(Send({1}));

    PtyPair back;
    ASSERT_TRUE(back.Ok());
    ASSERT_TRUE(dir.Map(5, back.SlavePath()));
    ASSERT_TRUE(Open());
    EXPECT_TRUE(com.TransportReady());
    ASSERT_TRUE(back.Write({0x01, 0x03}));
    auto got = WaitFrame(com, 1500);
    ASSERT_TRUE(got);
    EXPECT_EQ(*got, (std::vector<std::uint8_t>{0x01, 0x03}));
}

TEST_F(ComSerSerial, SendFailsWhenTheWriteTimesOutAndDropsTheUnsentTail) {
    ASSERT_TRUE(Open());
    // Nobody reads the master side: the terminal's buffers fill and the write cannot finish.
    std::vector<std::uint8_t> huge(1 << 20, 0x77);
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Send(huge));
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::milliseconds(900));
    EXPECT_LT(took, std::chrono::milliseconds(3000));

    // Only what the other end had already taken in (its 4 KiB input buffer: bytes already "on the wire") is
    // there; what was still queued for sending was discarded instead of going out ahead of the next frame.
    EXPECT_LE(pty.Drain(), 4096u);
    const std::vector<std::uint8_t> next{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A};
    ASSERT_TRUE(Send(next));
    EXPECT_EQ(pty.Read(next.size() + 1, 300), next);
}

TEST_F(ComSerSerial, ThreeThreadsShareThePortSafely) {
    ASSERT_TRUE(Open());
    std::atomic<bool> stop{false};
    std::atomic<int> sent{0};
    std::thread manager([&] {
        const std::uint8_t frame[] = {1, 3, 0, 0, 0, 1, 0x84, 0x0A};
        std::uint8_t buffer[1024];
        while (!stop.load()) {
            if (com.TransportReady() && com.SendFrame(frame, sizeof frame)) {
                sent.fetch_add(1);
            }
            com.TakeFrame(buffer, sizeof buffer);
        }
    });
    std::thread ui([&] {
        for (int i = 0; i < 200; ++i) {
            if (i % 2 == 0) {
                com.ClosePort();
            } else {
                com.OpenPort(5, kBaudRate, kDataBits, 0, 0);
            }
            std::this_thread::yield();
        }
    });
    std::thread relay([&] {
        while (!stop.load()) {
            pty.Drain();
            pty.Write({1, 3, 2, 0, 1});
            SleepMs(2);
        }
    });
    ui.join();
    SleepMs(50);
    stop.store(true);
    manager.join();
    relay.join();
    EXPECT_GT(sent.load(), 0);

    // Still a working port afterwards.
    ASSERT_TRUE(Open());
    pty.Drain();
    ASSERT_TRUE(Send({0x42}));
    EXPECT_EQ(pty.Read(1, 300), std::vector<std::uint8_t>{0x42});
}

TEST(ComSerNoPort, RelayRepliesAreIgnoredInSerialMode) {
    ComSer com;
    EXPECT_FALSE(com.NetworkMode());
    EXPECT_FALSE(com.TransportReady());
    const std::uint8_t reply[] = {1, 3, 2, 0, 1};
    com.DeliverRelayReply(reply, sizeof reply);
    EXPECT_FALSE(com.FrameReady());
    EXPECT_FALSE(com.SendFrame(nullptr, 4));
    EXPECT_FALSE(com.SendFrame(reply, 0));
    EXPECT_FALSE(com.SendFrame(reply, sizeof reply));
}

}  // namespace
}  // namespace com
