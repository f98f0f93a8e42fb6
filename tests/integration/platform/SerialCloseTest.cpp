#include <errno.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <vector>

#include "integration/SrcCom/PtyPair.h"
#include "platform/SerialPort.h"

namespace {

// Bytes the master side can still read, waiting up to `ms` for each further piece.
std::size_t Drain(int master, int ms) {
    std::size_t total = 0;
    std::vector<std::uint8_t> buffer(4096);
    for (;;) {
        pollfd p{master, POLLIN, 0};
        if (::poll(&p, 1, ms) <= 0 || (p.revents & POLLIN) == 0) return total;
        const ssize_t n = ::read(master, buffer.data(), buffer.size());
        if (n <= 0) return total;
        total += static_cast<std::size_t>(n);
    }
}

TEST(SerialPortClose, OutputPendingOnAStalledLineIsDiscardedBeforeClose) {
    testing_pty::PtyPair pair;
    ASSERT_TRUE(pair.Ok());
    platform::SerialPort port;
    ASSERT_TRUE(port.OpenDevice(pair.SlavePath()));
    ASSERT_TRUE(port.Configure(9600, 8, 0, 0));
    // Nobody reads the other side: fill the line until it takes no more.
    const std::vector<std::uint8_t> chunk(1024, 0x55);
    std::size_t written = 0;
    for (int i = 0; i < 4096; ++i) {
        const ssize_t n = ::write(port.Descriptor(), chunk.data(), chunk.size());
        if (n <= 0) break;
        written += static_cast<std::size_t>(n);
    }
    ASSERT_GT(written, 0u);
    port.Close();
    EXPECT_FALSE(port.IsOpen());
    // What was still queued for the line is gone; at most what the far end had already received remains.
    EXPECT_LT(Drain(pair.Master(), 200), written);
}

}  // namespace
