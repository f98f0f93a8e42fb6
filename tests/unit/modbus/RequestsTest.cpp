#include "modbus/Requests.h"

#include <gtest/gtest.h>

#include <vector>

#include "modbus/Crc16.h"
#include "modbus/RegisterMap.h"

namespace {

using modbus::Frame;
using modbus::RemoteControl;

TEST(Requests, ReadRequestsBytes) {
    EXPECT_EQ(modbus::BuildPollRequest(1, 40), (Frame{0x01, 0x03, 0x00, 0x00, 0x00, 0x28, 0x45, 0xD4}));
    EXPECT_EQ(modbus::BuildPollRequest(7, 32), (Frame{0x07, 0x03, 0x00, 0x00, 0x00, 0x20, 0x44, 0x74}));
    // Write index 2, read index 18: four records from ring record 18, running past the ring's end.
    ASSERT_EQ(modbus::SoePendingRecords(2, 18), 4U);
    EXPECT_EQ(modbus::BuildSoeReadRequest(1, 18, 4), (Frame{0x01, 0x03, 0x02, 0x4E, 0x00, 0x14, 0x24, 0x6A}));
    EXPECT_EQ(modbus::BuildSoeReadRequest(1, 0, 1), (Frame{0x01, 0x03, 0x01, 0xF4, 0x00, 0x05, 0xC5, 0xC7}));
    EXPECT_EQ(modbus::BuildAddressSearchRequest(), (Frame{0xFE, 0x03, 0x00, 0x00, 0x00, 0x01, 0x90, 0x05}));
    EXPECT_EQ(modbus::BuildBlockReadRequest(1, 100, 60),
              (Frame{0x01, 0x03, 0x00, 0x64, 0x00, 0x3C, 0x04, 0x04}));
    EXPECT_EQ(modbus::BuildEventBatchRequest(1, 3), (Frame{0x01, 0x11, 0x00, 0x4B, 0x00, 0x19, 0x4C, 0x15}));
}

TEST(Requests, SoePendingRecordsAcrossTheRing) {
    EXPECT_EQ(modbus::SoePendingRecords(5, 5), 0U);
    EXPECT_EQ(modbus::SoePendingRecords(7, 3), 4U);
    EXPECT_EQ(modbus::SoePendingRecords(0, 19), 1U);
    EXPECT_EQ(modbus::SoePendingRecords(19, 0), 19U);
    // Indices outside the ring are no valid state: nothing is read.
    EXPECT_EQ(modbus::SoePendingRecords(20, 3), 0U);
    EXPECT_EQ(modbus::SoePendingRecords(3, 0xFF), 0U);
}

TEST(Requests, BlockLimits) {
    EXPECT_TRUE(modbus::BuildBlockReadRequest(1, 100, 127));
    EXPECT_FALSE(modbus::BuildBlockReadRequest(1, 100, 128));
    EXPECT_FALSE(modbus::BuildBlockReadRequest(1, 100, 0));
    EXPECT_FALSE(modbus::BuildBlockReadRequest(1, 100, 256 + 10));  // would alias a 10-entry read in 8 bits

    const std::vector<std::uint16_t> too_many(124, 1);
    EXPECT_FALSE(modbus::BuildBlockWriteRequest(1, 100, too_many));
    EXPECT_FALSE(modbus::BuildBlockWriteRequest(1, 100, {}));
    EXPECT_FALSE(modbus::BuildEventBatchRequest(1, 2622));  // first record 65550
    EXPECT_TRUE(modbus::BuildEventBatchRequest(1, 2621));
}

TEST(Requests, BlockWriteBytes) {
    const std::vector<std::uint16_t> values = {0x1234, 0x0002, 0xFFFF};
    EXPECT_EQ(
        modbus::BuildBlockWriteRequest(1, 100, values),
        (Frame{0x01, 0x10, 0x00, 0x64, 0x00, 0x03, 0x06, 0x12, 0x34, 0x00, 0x02, 0xFF, 0xFF, 0xB6, 0x2D}));

    // The longest frame: 123 entries, 255 bytes, the CRC over the first 253.
    std::vector<std::uint16_t> full(123);
    for (std::size_t j = 0; j < full.size(); ++j) full[j] = static_cast<std::uint16_t>(j);
    const auto f = modbus::BuildBlockWriteRequest(1, 100, full);
    ASSERT_TRUE(f);
    ASSERT_EQ(f->size(), 255U);
    EXPECT_EQ((Frame(f->begin(), f->begin() + 7)), (Frame{0x01, 0x10, 0x00, 0x64, 0x00, 0x7B, 0xF6}));
    EXPECT_EQ((*f)[7 + 2 * 122], 0x00);
    EXPECT_EQ((*f)[8 + 2 * 122], 122);
    EXPECT_EQ((*f)[253], 0x60);
    EXPECT_EQ((*f)[254], 0x0D);
}

TEST(Requests, ClockSetBytes) {
    platform::LocalTime t{2026, 12, 7, 8, 5, 9, 999};
    EXPECT_EQ(modbus::BuildClockSetRequest(1, 0, t),
              (Frame{0x01, 0x10, 0x00, 0x00, 0x00, 0x06, 0x0C, 0x00, 0x1A, 0x00, 0x0C,
                     0x00, 0x07, 0x00, 0x08, 0x00, 0x05, 0x00, 0x09, 0x6D, 0xC9}));
    const Frame moved = modbus::BuildClockSetRequest(3, 0x0120, t);
    ASSERT_EQ(moved.size(), 21U);
    EXPECT_EQ(moved[0], 3);
    EXPECT_EQ(moved[2], 0x01);
    EXPECT_EQ(moved[3], 0x20);
    EXPECT_TRUE(modbus::CheckCrc16(moved.data(), 19));
}

TEST(Requests, CoilWritesForBothControlModes) {
    EXPECT_EQ(modbus::BuildSignalResetRequest(1), (Frame{0x01, 0x05, 0x00, 0x0B, 0xFF, 0x00, 0xFD, 0xF8}));

    struct Row {
        RemoteControl op;
        Frame mode0;
        Frame mode1;
    };
    const std::vector<Row> rows = {
        {RemoteControl::CloseHigh, {1, 5, 0, 0, 0xFF, 0, 0x8C, 0x3A}, {1, 5, 0, 0, 0xFF, 0, 0x8C, 0x3A}},
        {RemoteControl::OpenHigh, {1, 5, 0, 2, 0xFF, 0, 0x2D, 0xFA}, {1, 5, 0, 0, 0x00, 0, 0xCD, 0xCA}},
        {RemoteControl::CloseLow1, {1, 5, 0, 3, 0xFF, 0, 0x7C, 0x3A}, {1, 5, 0, 1, 0xFF, 0, 0xDD, 0xFA}},
        {RemoteControl::OpenLow1, {1, 5, 0, 4, 0xFF, 0, 0xCD, 0xFB}, {1, 5, 0, 1, 0x00, 0, 0x9C, 0x0A}},
        {RemoteControl::CloseLow2, {1, 5, 0, 13, 0xFF, 0, 0x1D, 0xF9}, {1, 5, 0, 2, 0xFF, 0, 0x2D, 0xFA}},
        {RemoteControl::OpenLow2, {1, 5, 0, 14, 0xFF, 0, 0xED, 0xF9}, {1, 5, 0, 2, 0x00, 0, 0x6C, 0x0A}},
    };
    for (const Row& row : rows) {
        const int op = static_cast<int>(row.op);
        EXPECT_EQ(modbus::BuildRemoteControlRequest(1, row.op, 0), row.mode0) << op;
        EXPECT_EQ(modbus::BuildRemoteControlRequest(1, row.op, 1), row.mode1) << op;
        EXPECT_FALSE(modbus::BuildRemoteControlRequest(1, row.op, 2)) << op;
        EXPECT_FALSE(modbus::BuildRemoteControlRequest(1, row.op, 0xFFFF)) << op;

        // The echo of each command is recognised as that command in its mode.
        for (std::uint16_t mode : {0, 1}) {
            const Frame& f = mode == 0 ? row.mode0 : row.mode1;
            const modbus::CoilCommand echo{f[3], f[4] == 0xFF};
            EXPECT_EQ(modbus::MatchRemoteControl(echo, mode), row.op) << op << " mode " << mode;
        }
    }
    EXPECT_FALSE(modbus::MatchRemoteControl({modbus::kSignalResetCoil, true}, 0));
    EXPECT_FALSE(modbus::MatchRemoteControl({3, true}, 1));
    EXPECT_FALSE(modbus::MatchRemoteControl({0, true}, 0xFFFF));
}

TEST(Requests, CalibrationWritesBytes) {
    EXPECT_EQ(modbus::BuildCalibrationWrite1(1, 0x96, 0x0400),
              (Frame{0x01, 0x10, 0x00, 0x96, 0x00, 0x01, 0x02, 0x04, 0x00, 0xB9, 0xA6}));
    EXPECT_EQ(
        modbus::BuildCalibrationWrite3(1, 0x96, {0x0400, 0x0401, 0x0402}),
        (Frame{0x01, 0x10, 0x00, 0x96, 0x00, 0x03, 0x06, 0x04, 0x00, 0x04, 0x01, 0x04, 0x02, 0xD2, 0x97}));
}

TEST(RegisterMap, BaudCodesBothWays) {
    for (auto [code, baud] : {std::pair{1, 4800}, {2, 9600}, {4, 2400}, {8, 19200}}) {
        EXPECT_EQ(modbus::BaudFromCode(code), baud);
        EXPECT_EQ(modbus::CodeFromBaud(baud), code);
    }
    EXPECT_EQ(modbus::BaudFromCode(3), 9600);
    EXPECT_EQ(modbus::BaudFromCode(0xFFFF), 9600);
    EXPECT_EQ(modbus::CodeFromBaud(115), 2);
}

}  // namespace
