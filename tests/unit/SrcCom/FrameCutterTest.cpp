#include "SrcCom/FrameCutter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace com {
namespace {

std::vector<std::uint8_t> Bytes(std::size_t n, std::uint8_t first = 0) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) {
        v[i] = static_cast<std::uint8_t>(first + i);
    }
    return v;
}

TEST(FrameCutter, SilenceEndsFrameAtExactly200Ms) {
    FrameCutter cutter(1000);
    auto a = Bytes(3, 1);
    auto b = Bytes(2, 9);
    EXPECT_EQ(cutter.Feed(a.data(), a.size(), 1000), FrameCutter::Cut::None);
    // A pause of 199 ms joins; the gap is measured from the last byte, not the first.
    EXPECT_EQ(cutter.Idle(1199), FrameCutter::Cut::None);
    EXPECT_EQ(cutter.Feed(b.data(), b.size(), 1199), FrameCutter::Cut::None);
    EXPECT_EQ(cutter.UntilGap(1300), 99);
    EXPECT_EQ(cutter.Idle(1398), FrameCutter::Cut::None);
    EXPECT_EQ(cutter.Idle(1399), FrameCutter::Cut::Silence);
    EXPECT_EQ(cutter.TakeFrame(), (std::vector<std::uint8_t>{1, 2, 3, 9, 10}));
    // Nothing accumulated: silence delivers nothing, however long.
    EXPECT_EQ(cutter.Idle(90000), FrameCutter::Cut::None);
    EXPECT_EQ(cutter.UntilGap(90000), -1);
    EXPECT_TRUE(cutter.TakeFrame().empty());
}

TEST(FrameCutter, DeliversAsSoonAsMoreThan1024BytesAccumulate) {
    FrameCutter cutter(0);
    auto first = Bytes(1000);
    auto more = Bytes(24, 0xE8);
    EXPECT_EQ(cutter.Feed(first.data(), first.size(), 5), FrameCutter::Cut::None);
    EXPECT_EQ(cutter.Feed(more.data(), more.size(), 6), FrameCutter::Cut::None);  // exactly 1024: waits
    EXPECT_EQ(cutter.Accumulated(), 1024u);
    std::uint8_t one = 0x42;
    EXPECT_EQ(cutter.Feed(&one, 1, 7), FrameCutter::Cut::Overflow);  // 1025
    auto frame = cutter.TakeFrame();
    ASSERT_EQ(frame.size(), 1025u);
    EXPECT_EQ(frame[1023], 0xFF);
    EXPECT_EQ(frame[1024], 0x42);
    EXPECT_EQ(cutter.Accumulated(), 0u);

    // Two full reads make the largest frame the read thread can produce.
    auto chunk = Bytes(1024);
    EXPECT_EQ(cutter.Feed(chunk.data(), 1024, 8), FrameCutter::Cut::None);
    EXPECT_EQ(cutter.Feed(chunk.data(), 1023, 9), FrameCutter::Cut::Overflow);
    EXPECT_EQ(cutter.TakeFrame().size(), 2047u);
    EXPECT_EQ(cutter.Idle(10000), FrameCutter::Cut::None);
}

TEST(FrameCutter, TickDifferencesWrapAround) {
    FrameCutter cutter(0xFFFFFF00u);
    std::uint8_t byte = 7;
    cutter.Feed(&byte, 1, 0xFFFFFFF0u);
    // 0xFFFFFFF0 + 199 wraps to 183; a signed or 64-bit comparison would see a huge negative/positive gap.
    EXPECT_EQ(cutter.Idle(183), FrameCutter::Cut::None);
    EXPECT_EQ(cutter.UntilGap(183), 1);
    EXPECT_EQ(cutter.Idle(184), FrameCutter::Cut::Silence);
    EXPECT_EQ(cutter.TakeFrame(), std::vector<std::uint8_t>{7});
}

TEST(FrameCutter, MicrosecondTicksEndTheGapToTheMicrosecondAcrossTheWrap) {
    FrameCutter cutter(0xFFFF0000u, 200'000);
    std::uint8_t byte = 5;
    cutter.Feed(&byte, 1, 0xFFFFFF00u);
    EXPECT_EQ(cutter.UntilGap(0xFFFFFF00u + 100u), 199'900);
    // 199.999 ms after the byte (past the wrap) is still the same frame; 200.000 ms ends it.
    EXPECT_EQ(cutter.Idle(0xFFFFFF00u + 199'999u), FrameCutter::Cut::None);
    EXPECT_EQ(cutter.UntilGap(0xFFFFFF00u + 199'999u), 1);
    EXPECT_EQ(cutter.Idle(0xFFFFFF00u + 200'000u), FrameCutter::Cut::Silence);
    EXPECT_EQ(cutter.TakeFrame(), std::vector<std::uint8_t>{5});
}

TEST(FrameCutter, EmptyFeedCountsAsIdle) {
    FrameCutter cutter(0);
    std::uint8_t byte = 1;
    cutter.Feed(&byte, 1, 100);
    // An empty read must not refresh the time of the last byte.
    EXPECT_EQ(cutter.Feed(&byte, 0, 250), FrameCutter::Cut::None);
    EXPECT_EQ(cutter.Feed(nullptr, 0, 300), FrameCutter::Cut::Silence);
}

}  // namespace
}  // namespace com
