// libmodbus, an independent Modbus RTU implementation, acts as the relay: it answers the frames our builders
// made and ComSer sent, which shows that our frames and CRCs are real Modbus RTU and that the replies come
// back through the read thread unchanged.
#include <gtest/gtest.h>
#include <modbus.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

#include "SrcCom/ComSer.h"
#include "integration/SrcCom/ComSerTestSupport.h"
#include "integration/SrcCom/PtyPair.h"
#include "modbus/Crc16.h"
#include "modbus/Requests.h"

namespace com {
namespace {

using testing_pty::ProgramDir;
using testing_pty::PtyPair;
using testing_pty::WaitFrame;

// Copies bytes between the master sides of two pseudo-terminals: a null-modem cable between their slaves.
class Cable {
  public:
    Cable(const PtyPair& a, const PtyPair& b) : a_(a.Master()), b_(b.Master()), thread_([this] { Run(); }) {}
    ~Cable() {
        stop_.store(true);
        thread_.join();
    }

  private:
    void Run() {
        while (!stop_.load()) {
            pollfd fds[2] = {{a_, POLLIN, 0}, {b_, POLLIN, 0}};
            if (poll(fds, 2, 10) <= 0) {
                continue;
            }
            Copy(fds[0], a_, b_);
            Copy(fds[1], b_, a_);
        }
    }
    static void Copy(const pollfd& from, int src, int dst) {
        if (!(from.revents & POLLIN)) {
            return;
        }
        std::uint8_t buf[512];
        ssize_t n = read(src, buf, sizeof buf);
        for (ssize_t done = 0; n > 0 && done < n;) {
            ssize_t w = write(dst, buf + done, static_cast<std::size_t>(n - done));
            if (w > 0) {
                done += w;
            }
        }
    }

    int a_;
    int b_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class LibmodbusSlave : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(host.Ok() && relay.Ok());
        ASSERT_TRUE(dir.Map(3, host.SlavePath()));
        com.SetProgramFolder(dir.Path());
        ASSERT_TRUE(com.OpenPort(3, kBaudRate, kDataBits, 0, 0));

        ctx = modbus_new_rtu(relay.SlavePath().c_str(), 9600, 'N', 8, 1);
        ASSERT_NE(ctx, nullptr);
        ASSERT_EQ(modbus_set_slave(ctx, 1), 0);
        ASSERT_EQ(modbus_connect(ctx), 0);
        modbus_set_indication_timeout(ctx, 0, 50000);
        map = modbus_mapping_new(16, 0, 300, 0);
        ASSERT_NE(map, nullptr);
        for (int i = 0; i < 300; ++i) {
            map->tab_registers[i] = static_cast<std::uint16_t>(0x1000 + i);
        }
        slave = std::thread([this] {
            std::uint8_t query[MODBUS_RTU_MAX_ADU_LENGTH];
            while (!stop.load()) {
                int n = modbus_receive(ctx, query);
                if (n > 0) {
                    modbus_reply(ctx, query, n, map);
                }
            }
        });
    }
    void TearDown() override {
        stop.store(true);
        if (slave.joinable()) {
            slave.join();
        }
        if (map) {
            modbus_mapping_free(map);
        }
        if (ctx) {
            modbus_close(ctx);
            modbus_free(ctx);
        }
    }

    // Sends a request and returns the reply the read thread cut from the line.
    std::vector<std::uint8_t> Exchange(const modbus::Frame& request) {
        EXPECT_TRUE(com.SendFrame(request.data(), static_cast<int>(request.size())));
        auto reply = WaitFrame(com, 2000, 1024);
        return reply ? *reply : std::vector<std::uint8_t>{};
    }

    PtyPair host;
    PtyPair relay;
    ProgramDir dir;
    Cable cable{host, relay};
    ComSer com;
    modbus_t* ctx = nullptr;
    modbus_mapping_t* map = nullptr;
    std::atomic<bool> stop{false};
    std::thread slave;
};

TEST_F(LibmodbusSlave, AnswersReadsAndEchoesWritesWeSent) {
    auto poll = Exchange(modbus::BuildPollRequest(1, 40));
    ASSERT_EQ(poll.size(), 3u + 80u + 2u);
    EXPECT_EQ(poll[0], 1);
    EXPECT_EQ(poll[1], 3);
    EXPECT_EQ(poll[2], 80);
    EXPECT_TRUE(modbus::CheckResponseCrc(poll.data(), poll.size()));
    EXPECT_EQ(poll[3 + 2 * 17], 0x10);
    EXPECT_EQ(poll[4 + 2 * 17], 0x11);  // register 17

    std::vector<std::uint16_t> values(123);
    for (std::size_t i = 0; i < values.size(); ++i) {
        values[i] = static_cast<std::uint16_t>(0x1100 + i);  // 0x11 and 0x13 bytes cross the line as data
    }
    auto write = modbus::BuildBlockWriteRequest(1, 100, values);
    ASSERT_TRUE(write);
    ASSERT_EQ(write->size(), 255u);
    auto echo = Exchange(*write);
    ASSERT_EQ(echo.size(), 8u);
    EXPECT_EQ(std::vector<std::uint8_t>(echo.begin(), echo.begin() + 6),
              (std::vector<std::uint8_t>{1, 16, 0, 100, 0, 123}));
    EXPECT_TRUE(modbus::CheckCrc16(echo.data(), 6));

    auto coil = Exchange(modbus::BuildSignalResetRequest(1));
    EXPECT_EQ(coil, modbus::BuildSignalResetRequest(1));  // a coil write is echoed as sent

    auto cal = Exchange(modbus::BuildCalibrationWrite3(1, 250, {0x0A0D, 0x0311, 0x1300}));
    ASSERT_EQ(cal.size(), 8u);
    EXPECT_EQ(cal[1], 16);

    stop.store(true);
    slave.join();
    EXPECT_EQ(map->tab_registers[100], 0x1100);
    EXPECT_EQ(map->tab_registers[222], 0x1100 + 122);
    EXPECT_EQ(map->tab_registers[251], 0x0311);
    EXPECT_EQ(map->tab_bits[11], 1);
}

}  // namespace
}  // namespace com
