// libmodbus, an independent Modbus RTU master, reads and writes the simulator: the simulator speaks real
// Modbus RTU, exceptions included.
#include <gtest/gtest.h>
#include <modbus.h>

#include <cerrno>
#include <vector>

#include "integration/relay_sim/SimProcess.h"

namespace relaysim_test {
namespace {

class Master {
  public:
    explicit Master(const std::string& path) : ctx_(modbus_new_rtu(path.c_str(), 9600, 'N', 8, 1)) {
        if (ctx_ == nullptr) return;
        modbus_set_slave(ctx_, 1);
        modbus_set_response_timeout(ctx_, 1, 0);
        connected_ = modbus_connect(ctx_) == 0;
    }
    ~Master() {
        if (ctx_ == nullptr) return;
        if (connected_) modbus_close(ctx_);
        modbus_free(ctx_);
    }
    bool ok() const { return connected_; }
    modbus_t* ctx() const { return ctx_; }

  private:
    modbus_t* ctx_;
    bool connected_ = false;
};

TEST(RelaySimPeer, LibmodbusReadsAndWritesRegistersAndCoils) {
    SimProcess sim({"--still"});
    ASSERT_TRUE(sim.ok());
    Master m(sim.path());
    ASSERT_TRUE(m.ok());

    std::vector<std::uint16_t> image(60);
    ASSERT_EQ(modbus_read_registers(m.ctx(), 0, 60, image.data()), 60) << modbus_strerror(errno);
    EXPECT_EQ(image[7], 163);
    EXPECT_GE(image[1], 1);
    EXPECT_LE(image[1], 12);
    EXPECT_EQ(image[34], 5000);

    std::vector<std::uint16_t> settings(30), back(30);
    for (std::size_t i = 0; i < settings.size(); ++i) settings[i] = static_cast<std::uint16_t>(1000 + i);
    ASSERT_EQ(modbus_write_registers(m.ctx(), 200, 30, settings.data()), 30) << modbus_strerror(errno);
    ASSERT_EQ(modbus_read_registers(m.ctx(), 200, 30, back.data()), 30);
    EXPECT_EQ(back, settings);

    // Control mode 1: coil 0 off opens the high-voltage breaker, on closes it again.
    ASSERT_EQ(modbus_write_bit(m.ctx(), 0, FALSE), 1) << modbus_strerror(errno);
    EXPECT_EQ(sim.Command("get yx 1"), "YX 1 0");
    std::uint16_t signals = 0;
    ASSERT_EQ(modbus_read_registers(m.ctx(), 8, 1, &signals), 1);
    EXPECT_EQ(signals & 1, 0);
    ASSERT_EQ(modbus_write_bit(m.ctx(), 0, TRUE), 1);
    EXPECT_EQ(sim.Command("get yx 1"), "YX 1 1");

    // A coil the relay does not have is refused with a proper exception.
    EXPECT_EQ(modbus_write_bit(m.ctx(), 7, TRUE), -1);
    EXPECT_EQ(errno, EMBXILADD);
}

TEST(RelaySimPeer, LibmodbusUnderstandsInjectedExceptions) {
    SimProcess sim({"--exception", "2"});
    ASSERT_TRUE(sim.ok());
    Master m(sim.path());
    ASSERT_TRUE(m.ok());
    std::uint16_t v = 0;
    EXPECT_EQ(modbus_read_registers(m.ctx(), 0, 1, &v), -1);
    EXPECT_EQ(errno, EMBXILADD);
}

TEST(RelaySimPeer, LibmodbusReadsPacedAndSplitReplies) {
    // A split pause shorter than libmodbus' byte timeout (0.5 s) and wire pacing still give valid frames.
    SimProcess sim({"--pace-baud", "9600", "--split-pause", "50"});
    ASSERT_TRUE(sim.ok());
    Master m(sim.path());
    ASSERT_TRUE(m.ok());
    std::vector<std::uint16_t> block(64);
    ASSERT_EQ(modbus_read_registers(m.ctx(), 100, 64, block.data()), 64) << modbus_strerror(errno);
    EXPECT_EQ(block[50], 1);
    EXPECT_EQ(block[4], 2);
}

}  // namespace
}  // namespace relaysim_test
