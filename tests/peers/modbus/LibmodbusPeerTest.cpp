// Our frames against libmodbus, an independent Modbus RTU implementation, over a pseudo-terminal pair:
// libmodbus as a master shows the bytes it would send for the same request, and libmodbus as a slave accepts
// our requests and answers them in a way our response checks accept.
#include <fcntl.h>
#include <modbus.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "modbus/Crc16.h"
#include "modbus/Requests.h"
#include "modbus/ResponseChecks.h"

namespace {

using modbus::Frame;

class LibmodbusPeer : public ::testing::Test {
  protected:
    void SetUp() override {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(master_, 0);
        ASSERT_EQ(grantpt(master_), 0);
        ASSERT_EQ(unlockpt(master_), 0);
        termios tio{};
        ASSERT_EQ(tcgetattr(master_, &tio), 0);
        cfmakeraw(&tio);
        ASSERT_EQ(tcsetattr(master_, TCSANOW, &tio), 0);
        const char* name = ptsname(master_);
        ASSERT_NE(name, nullptr);
        ctx_ = modbus_new_rtu(name, 9600, 'N', 8, 1);
        ASSERT_NE(ctx_, nullptr);
        ASSERT_EQ(modbus_set_slave(ctx_, 1), 0);
        ASSERT_EQ(modbus_connect(ctx_), 0) << modbus_strerror(errno);
        // Nobody answers the master's requests; a short timeout keeps each call brief.
        modbus_set_response_timeout(ctx_, 0, 50000);
        modbus_set_indication_timeout(ctx_, 1, 0);
    }

    void TearDown() override {
        if (ctx_ != nullptr) {
            modbus_close(ctx_);
            modbus_free(ctx_);
        }
        if (master_ >= 0) close(master_);
    }

    // Everything that arrived on our side of the pair, until it stays quiet for a moment.
    Frame Drain() {
        Frame out;
        int wait = 500;
        for (;;) {
            pollfd p{master_, POLLIN, 0};
            if (poll(&p, 1, wait) <= 0) break;
            std::array<std::uint8_t, 512> buf{};
            const ssize_t n = read(master_, buf.data(), buf.size());
            if (n <= 0) break;
            out.insert(out.end(), buf.begin(), buf.begin() + n);
            wait = 50;
        }
        return out;
    }

    void Send(const Frame& f) {
        ASSERT_EQ(write(master_, f.data(), f.size()), static_cast<ssize_t>(f.size()));
    }

    // Writes our frame to libmodbus as a slave; returns what modbus_receive made of it.
    int Receive(const Frame& f, std::vector<std::uint8_t>& req) {
        req.assign(MODBUS_RTU_MAX_ADU_LENGTH, 0);
        Send(f);
        return modbus_receive(ctx_, req.data());
    }

    int master_ = -1;
    modbus_t* ctx_ = nullptr;
};

TEST_F(LibmodbusPeer, ReadRequestsMatchLibmodbusMaster) {
    std::array<std::uint16_t, 125> dest{};
    modbus_read_registers(ctx_, 0, 40, dest.data());
    EXPECT_EQ(Drain(), modbus::BuildPollRequest(1, 40));

    modbus_read_registers(ctx_, 100, 125, dest.data());
    EXPECT_EQ(Drain(), modbus::BuildBlockReadRequest(1, 100, 125));

    modbus_read_registers(ctx_, 500 + 5 * 18, 20, dest.data());
    EXPECT_EQ(Drain(), modbus::BuildSoeReadRequest(1, 18, 4));

    // Requests libmodbus has no call for go out raw; libmodbus adds the CRC.
    const std::array<std::uint8_t, 6> search = {0xFE, 3, 0, 0, 0, 1};
    modbus_send_raw_request(ctx_, search.data(), search.size());
    EXPECT_EQ(Drain(), modbus::BuildAddressSearchRequest());

    const std::array<std::uint8_t, 6> events = {1, 17, 0x01, 0xF4, 0x00, 0x19};  // batch 20: record 500
    modbus_send_raw_request(ctx_, events.data(), events.size());
    EXPECT_EQ(Drain(), modbus::BuildEventBatchRequest(1, 20));
}

TEST_F(LibmodbusPeer, WriteRequestsMatchLibmodbusMaster) {
    std::vector<std::uint16_t> values(123);
    for (std::size_t j = 0; j < values.size(); ++j) values[j] = static_cast<std::uint16_t>(0x8000 + 7 * j);
    for (std::size_t n : {std::size_t{1}, std::size_t{3}, std::size_t{123}}) {
        modbus_write_registers(ctx_, 200, static_cast<int>(n), values.data());
        EXPECT_EQ(Drain(), modbus::BuildBlockWriteRequest(1, 200, std::span(values.data(), n))) << n;
    }

    const std::array<std::uint16_t, 6> clock = {26, 12, 7, 8, 5, 9};
    modbus_write_registers(ctx_, 0, 6, clock.data());
    platform::LocalTime t{2026, 12, 7, 8, 5, 9};
    EXPECT_EQ(Drain(), modbus::BuildClockSetRequest(1, 0, t));

    const std::array<std::uint16_t, 3> cal = {0x0400, 0x03FF, 0x0401};
    modbus_write_registers(ctx_, 0x96, 1, cal.data());
    EXPECT_EQ(Drain(), modbus::BuildCalibrationWrite1(1, 0x96, 0x0400));
    modbus_write_registers(ctx_, 0x96, 3, cal.data());
    EXPECT_EQ(Drain(), modbus::BuildCalibrationWrite3(1, 0x96, cal));
}

TEST_F(LibmodbusPeer, CoilWritesMatchLibmodbusMaster) {
    modbus_write_bit(ctx_, 11, TRUE);
    EXPECT_EQ(Drain(), modbus::BuildSignalResetRequest(1));
    for (auto op : {modbus::RemoteControl::CloseHigh, modbus::RemoteControl::OpenHigh,
                    modbus::RemoteControl::CloseLow1, modbus::RemoteControl::OpenLow1,
                    modbus::RemoteControl::CloseLow2, modbus::RemoteControl::OpenLow2}) {
        for (std::uint16_t mode : {0, 1}) {
            const auto coil = modbus::RemoteControlCoil(op, mode);
            ASSERT_TRUE(coil);
            modbus_write_bit(ctx_, coil->coil, coil->on ? TRUE : FALSE);
            EXPECT_EQ(Drain(), modbus::BuildRemoteControlRequest(1, op, mode));
        }
    }
}

TEST_F(LibmodbusPeer, LibmodbusSlaveAcceptsOurFramesAndWeAcceptItsAnswers) {
    modbus_mapping_t* map = modbus_mapping_new(16, 0, 700, 0);
    ASSERT_NE(map, nullptr);
    for (int r = 0; r < 700; ++r) map->tab_registers[r] = static_cast<std::uint16_t>(0x1100 + r);
    map->tab_registers[6] = 0x0212;  // SOE write index 2, read index 18
    std::vector<std::uint8_t> req;

    // Poll: libmodbus takes the request and answers; the answer passes our checks with the right registers.
    int rc = Receive(modbus::BuildPollRequest(1, 40), req);
    ASSERT_EQ(rc, 8);
    ASSERT_GT(modbus_reply(ctx_, req.data(), rc, map), 0);
    const Frame answer = Drain();
    ASSERT_EQ(answer.size(), 3U + 80 + 2);
    EXPECT_EQ(modbus::CheckPollResponse(answer.data(), answer.size(), 1), modbus::PollFault::None);
    EXPECT_EQ(modbus::RegisterAt(answer.data(), answer.size(), 6), 0x0212);
    EXPECT_EQ(modbus::RegisterAtPosition(answer.data(), answer.size(), 40), 0x1100 + 39);
    EXPECT_FALSE(modbus::RegisterAtPosition(answer.data(), answer.size(), 41));

    // Block write of 123 values: libmodbus stores them where we meant them and echoes start and quantity.
    std::vector<std::uint16_t> values(123);
    for (std::size_t j = 0; j < values.size(); ++j) values[j] = static_cast<std::uint16_t>(0xA000 + j);
    const auto write = modbus::BuildBlockWriteRequest(1, 100, values);
    ASSERT_TRUE(write);
    rc = Receive(*write, req);
    ASSERT_EQ(rc, 255);
    ASSERT_GT(modbus_reply(ctx_, req.data(), rc, map), 0);
    for (std::size_t j = 0; j < values.size(); ++j) ASSERT_EQ(map->tab_registers[100 + j], values[j]) << j;
    const Frame echo = Drain();
    ASSERT_EQ(echo.size(), 8U);
    EXPECT_EQ((Frame(echo.begin(), echo.begin() + 6)), (Frame{1, 16, 0x00, 0x64, 0x00, 123}));
    EXPECT_TRUE(modbus::CheckCrc16(echo.data(), 6));

    // Coil writes land on the coils the table names.
    const auto close2 = modbus::BuildRemoteControlRequest(1, modbus::RemoteControl::CloseLow2, 0);
    rc = Receive(*close2, req);
    ASSERT_EQ(rc, 8);
    ASSERT_GT(modbus_reply(ctx_, req.data(), rc, map), 0);
    EXPECT_EQ(map->tab_bits[13], 1);
    Drain();

    // A frame with a damaged CRC is refused by libmodbus as well.
    Frame bad = modbus::BuildPollRequest(1, 40);
    bad[7] ^= 0x01;
    EXPECT_EQ(Receive(bad, req), -1);
    EXPECT_EQ(errno, EMBBADCRC);

    modbus_mapping_free(map);
}

}  // namespace
