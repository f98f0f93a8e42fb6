#include "modbus/ResponseChecks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "modbus/Crc16.h"
#include "modbus/SoeRecord.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using modbus::PollFault;

// A function-3 response carrying `registers`, with its CRC low byte first.
Bytes Response(std::uint8_t address, const std::vector<std::uint16_t>& registers) {
    Bytes f{address, 3, static_cast<std::uint8_t>(2 * registers.size())};
    for (std::uint16_t r : registers) {
        f.push_back(static_cast<std::uint8_t>(r >> 8));
        f.push_back(static_cast<std::uint8_t>(r & 0xFF));
    }
    f.resize(f.size() + 2);
    modbus::AppendCrc16(f.data(), f.size() - 2);
    return f;
}

// An exact-size heap copy of the first n bytes, so that the address sanitizer catches any over-read.
std::unique_ptr<std::uint8_t[]> Exact(const Bytes& f, std::size_t n) {
    auto p = std::make_unique<std::uint8_t[]>(n == 0 ? 1 : n);
    std::memcpy(p.get(), f.data(), n);
    return p;
}

TEST(PollResponse, ChecksInOrderWithTheirTexts) {
    const Bytes good = Response(5, {1, 2, 3});
    EXPECT_EQ(modbus::CheckPollResponse(good.data(), good.size(), 5), PollFault::None);
    EXPECT_EQ(modbus::PollFaultText(PollFault::None), "");

    EXPECT_EQ(modbus::CheckPollResponse(good.data(), good.size(), 1), PollFault::BadHeader);
    EXPECT_EQ(modbus::PollFaultText(PollFault::BadHeader), "轮循过程收到报文头错误的报文!");
    Bytes wrongFunction = good;
    wrongFunction[1] = 0x83;
    EXPECT_EQ(modbus::CheckPollResponse(wrongFunction.data(), wrongFunction.size(), 5), PollFault::BadHeader);

    // One byte short: the header is right, the length is not (and the CRC is never looked at).
    auto shortFrame = Exact(good, good.size() - 1);
    EXPECT_EQ(modbus::CheckPollResponse(shortFrame.get(), good.size() - 1, 5), PollFault::TooShort);
    EXPECT_EQ(modbus::PollFaultText(PollFault::TooShort), "轮循过程收到长度太短的报文!");

    Bytes badCrc = good;
    badCrc[5] ^= 0x40;
    EXPECT_EQ(modbus::CheckPollResponse(badCrc.data(), badCrc.size(), 5), PollFault::BadCrc);
    EXPECT_EQ(modbus::PollFaultText(PollFault::BadCrc), "轮循过程收到CRC错误的报文!");

    // High byte first is accepted.
    Bytes swapped = good;
    std::swap(swapped[swapped.size() - 2], swapped[swapped.size() - 1]);
    EXPECT_EQ(modbus::CheckPollResponse(swapped.data(), swapped.size(), 5), PollFault::None);
}

TEST(PollResponse, TinyAndOversizedFramesAreSafe) {
    const Bytes good = Response(5, {1, 2, 3});
    for (std::size_t n = 0; n < 3; ++n) {
        auto p = Exact(good, n);
        EXPECT_EQ(modbus::CheckPollResponse(p.get(), n, 5), PollFault::BadHeader) << n;
        EXPECT_FALSE(modbus::CheckAddressSearchResponse(p.get(), n)) << n;
        EXPECT_FALSE(modbus::SearchedAddress(p.get(), n)) << n;
    }
    // Byte count 253 with enough bytes received: a CRC error, not a crash or a wrapped check.
    Bytes huge(3 + 253 + 2, 0);
    huge[0] = 5;
    huge[1] = 3;
    huge[2] = 253;
    EXPECT_EQ(modbus::CheckPollResponse(huge.data(), huge.size(), 5), PollFault::BadCrc);
}

TEST(AddressSearchResponse, OnlyTheCrcCounts) {
    const Bytes fromAnywhere = Response(0x2A, {0x1234});
    EXPECT_TRUE(modbus::CheckAddressSearchResponse(fromAnywhere.data(), fromAnywhere.size()));
    EXPECT_EQ(modbus::SearchedAddress(fromAnywhere.data(), fromAnywhere.size()), 0x34);
    Bytes bad = fromAnywhere;
    bad.back() ^= 1;
    EXPECT_FALSE(modbus::CheckAddressSearchResponse(bad.data(), bad.size()));
    // No register in the answer: no address taken from the CRC bytes.
    const Bytes empty = Response(0x2A, {});
    EXPECT_TRUE(modbus::CheckAddressSearchResponse(empty.data(), empty.size()));
    EXPECT_FALSE(modbus::SearchedAddress(empty.data(), empty.size()));
}

TEST(RegisterLookup, PositionsAndBounds) {
    const Bytes f = Response(1, {0x0102, 0x0304, 0xA0B0});
    EXPECT_EQ(modbus::RegisterAt(f.data(), f.size(), 0), 0x0102);
    EXPECT_EQ(modbus::RegisterAt(f.data(), f.size(), 2), 0xA0B0);
    EXPECT_FALSE(modbus::RegisterAt(f.data(), f.size(), 3));  // the CRC, not a register
    EXPECT_EQ(modbus::RegisterAtPosition(f.data(), f.size(), 1), 0x0102);
    EXPECT_EQ(modbus::RegisterAtPosition(f.data(), f.size(), 3), 0xA0B0);
    EXPECT_FALSE(modbus::RegisterAtPosition(f.data(), f.size(), 0));
    EXPECT_FALSE(modbus::RegisterAtPosition(f.data(), f.size(), 4));

    // Truncated delivery: the last two bytes received are taken as CRC, whatever the byte count says.
    auto cut = Exact(f, 8);
    EXPECT_EQ(modbus::RegisterAt(cut.get(), 8, 0), 0x0102);
    EXPECT_FALSE(modbus::RegisterAt(cut.get(), 8, 1));
    for (std::size_t n = 0; n < 5; ++n) {
        auto p = Exact(f, n);
        EXPECT_FALSE(modbus::RegisterAt(p.get(), n, 0)) << n;
    }

    // A byte count shorter than the delivery bounds the registers too.
    Bytes lying = f;
    lying[2] = 2;
    EXPECT_FALSE(modbus::RegisterAt(lying.data(), lying.size(), 1));

    // 127 registers: position 126 is the last addressable one, 127 would wrap in 8-bit byte indices.
    std::vector<std::uint16_t> many(127);
    for (std::size_t i = 0; i < many.size(); ++i) many[i] = static_cast<std::uint16_t>(0x100 + i);
    const Bytes big = Response(1, many);
    EXPECT_EQ(modbus::RegisterAtPosition(big.data(), big.size(), 126), 0x100 + 125);
    EXPECT_FALSE(modbus::RegisterAtPosition(big.data(), big.size(), 127));
    EXPECT_EQ(modbus::RegisterAt(big.data(), big.size(), 126), 0x100 + 126);
}

TEST(SoeRecords, LayoutAndCompleteRecordsOnly) {
    // Two records: code 7 at 2026-12-07 08:05:09.123, code 120 at 2025-01-31 23:59:58.999.
    const Bytes records = {7,   0, 0x00, 0x7B, 9,  5,  8,  7,  12, 26,  //
                           120, 0, 0x03, 0xE7, 58, 59, 23, 31, 1,  25};
    Bytes f{1, 3, 20};
    f.insert(f.end(), records.begin(), records.end());
    f.push_back(0);
    f.push_back(0);

    const auto all = modbus::ParseSoeResponse(f.data(), f.size());
    ASSERT_EQ(all.size(), 2U);
    EXPECT_EQ(all[0], (modbus::SoeRecord{7, 0, 123, 9, 5, 8, 7, 12, 26}));
    EXPECT_EQ(all[1], (modbus::SoeRecord{120, 0, 999, 58, 59, 23, 31, 1, 25}));

    // Cut inside the second record: only the first is complete.
    auto cut = Exact(f, 20);
    EXPECT_EQ(modbus::ParseSoeResponse(cut.get(), 20).size(), 1U);
    // A byte count far beyond the delivery, or not a multiple of 10, stops at the last complete record.
    Bytes lying = f;
    lying[2] = 250;
    EXPECT_EQ(modbus::ParseSoeResponse(lying.data(), lying.size()).size(), 2U);
    lying[2] = 15;
    EXPECT_EQ(modbus::ParseSoeResponse(lying.data(), lying.size()).size(), 1U);
    EXPECT_TRUE(modbus::ParseSoeResponse(f.data(), 2).empty());
    EXPECT_FALSE(modbus::ParseSoeRecord(records.data(), 9));
}

}  // namespace
