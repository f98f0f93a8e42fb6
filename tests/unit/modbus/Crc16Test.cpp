#include "modbus/Crc16.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// 01 03 04 12 34 05 07 with its CRC 0x17FC.
Bytes PollAnswer(std::uint8_t crc0, std::uint8_t crc1) {
    return {1, 3, 4, 0x12, 0x34, 0x05, 0x07, crc0, crc1};
}

TEST(Crc16, CheckValueAndAppendLowByteFirst) {
    const char* text = "123456789";
    EXPECT_EQ(modbus::Crc16(reinterpret_cast<const std::uint8_t*>(text), 9), 0x4B37);

    std::uint8_t buf[8] = {0x01, 0x05, 0x00, 0x0B, 0xFF, 0x00, 0xAA, 0xAA};
    ASSERT_TRUE(modbus::AppendCrc16(buf, 6));
    EXPECT_EQ(buf[6], 0xFD);
    EXPECT_EQ(buf[7], 0xF8);
}

TEST(Crc16, AppendRefusesMoreThanOneCrcRun) {
    std::vector<std::uint8_t> buf(258, 0x5A);
    EXPECT_FALSE(modbus::AppendCrc16(buf.data(), 256));
    EXPECT_EQ(buf[256], 0x5A);
    EXPECT_EQ(buf[257], 0x5A);
    EXPECT_TRUE(modbus::AppendCrc16(buf.data(), 255));
}

TEST(Crc16, AcceptsEitherByteOrderButNothingElse) {
    EXPECT_TRUE(modbus::CheckCrc16(PollAnswer(0xFC, 0x17).data(), 7));
    EXPECT_TRUE(modbus::CheckCrc16(PollAnswer(0x17, 0xFC).data(), 7));
    // Half-right CRCs must not pass, whichever half matches.
    for (auto [a, b] :
         {std::pair{0xFC, 0xFC}, {0x17, 0x17}, {0xFC, 0x00}, {0x00, 0x17}, {0x17, 0x00}, {0x00, 0xFC}}) {
        EXPECT_FALSE(modbus::CheckCrc16(PollAnswer(a, b).data(), 7)) << a << " " << b;
    }
    Bytes corrupted = PollAnswer(0xFC, 0x17);
    corrupted[4] ^= 0x01;
    EXPECT_FALSE(modbus::CheckCrc16(corrupted.data(), 7));
}

TEST(Crc16, ResponseCrcUsesByteCountAndStaysInsideReceivedBytes) {
    const Bytes good = PollAnswer(0xFC, 0x17);
    EXPECT_TRUE(modbus::CheckResponseCrc(good.data(), good.size()));
    // Trailing bytes after the CRC do not matter.
    Bytes longer = good;
    longer.push_back(0x99);
    EXPECT_TRUE(modbus::CheckResponseCrc(longer.data(), longer.size()));

    // Each shorter delivery lacks part of the CRC; the heap copy lets the sanitizer catch an over-read.
    for (std::size_t n = 0; n < good.size(); ++n) {
        auto* copy = new std::uint8_t[n == 0 ? 1 : n];
        std::memcpy(copy, good.data(), n);
        EXPECT_FALSE(modbus::CheckResponseCrc(copy, n)) << n;
        delete[] copy;
    }
}

TEST(Crc16, ByteCountAbove252IsRejectedWithoutRunningTheCrc) {
    // A frame claiming 253 data bytes: the CRC would cover 256 bytes. It carries the true CRC of those 256
    // bytes at 256, and an 8-bit counter wrapping to 0 would find the CRC of no bytes (0xFFFF) at bytes 0
    // and 1.
    Bytes frame(3 + 253 + 2, 0x11);
    frame[0] = 0xFF;
    frame[1] = 0xFF;
    frame[2] = 253;
    const std::uint16_t crc = modbus::Crc16(frame.data(), 256);
    frame[256] = static_cast<std::uint8_t>(crc & 0xFF);
    frame[257] = static_cast<std::uint8_t>(crc >> 8);
    EXPECT_FALSE(modbus::CheckResponseCrc(frame.data(), frame.size()));
    EXPECT_FALSE(modbus::CheckCrc16(frame.data(), 256));

    // 252 is still checked normally.
    Bytes max(3 + 252 + 2, 0x11);
    max[0] = 1;
    max[1] = 3;
    max[2] = 252;
    ASSERT_TRUE(modbus::AppendCrc16(max.data(), 255));
    EXPECT_TRUE(modbus::CheckResponseCrc(max.data(), max.size()));
}

}  // namespace
