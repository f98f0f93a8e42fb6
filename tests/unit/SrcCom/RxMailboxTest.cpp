#include "SrcCom/RxMailbox.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace com {
namespace {

TEST(RxMailbox, TakeGivesAStableCopyOnceAndLaterFramesReplaceEarlier) {
    RxMailbox box;
    std::array<std::uint8_t, 16> out{};
    EXPECT_FALSE(box.Ready());
    EXPECT_EQ(box.Take(out.data(), out.size()), 0u);

    std::vector<std::uint8_t> source{1, 2, 3, 4};
    box.Deliver(source.data(), source.size(), 2048);
    source.assign(4, 0xEE);  // the producer reuses its buffer at once
    std::vector<std::uint8_t> second{9, 8};
    box.Deliver(second.data(), second.size(), 2048);  // not taken in between: replaces
    EXPECT_TRUE(box.Ready());
    ASSERT_EQ(box.Take(out.data(), out.size()), 2u);
    EXPECT_EQ(out[0], 9);
    EXPECT_EQ(out[1], 8);
    EXPECT_FALSE(box.Ready());
    EXPECT_EQ(box.Take(out.data(), out.size()), 0u);

    box.Deliver(source.data(), source.size(), 2048);
    ASSERT_EQ(box.Take(out.data(), out.size()), 4u);
    EXPECT_EQ(out[3], 0xEE);
}

TEST(RxMailbox, CutsToTheLimitAndToTheConsumersBuffer) {
    RxMailbox box;
    std::vector<std::uint8_t> big(3000);
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<std::uint8_t>(i);
    }
    // A guard zone behind the consumer's buffer shows a write past its end.
    std::vector<std::uint8_t> out(1024 + 64, 0xA5);
    box.Deliver(big.data(), big.size(), 2048);
    EXPECT_EQ(box.Take(out.data(), 1024), 1024u);
    EXPECT_EQ(out[1023], static_cast<std::uint8_t>(1023));
    for (std::size_t i = 1024; i < out.size(); ++i) {
        ASSERT_EQ(out[i], 0xA5) << i;
    }

    std::vector<std::uint8_t> wide(4096);
    box.Deliver(big.data(), big.size(), 2048);
    EXPECT_EQ(box.Take(wide.data(), wide.size()), 2048u);
}

TEST(RxMailbox, ListenerHearsEveryDeliveryOnceTheFrameIsReadyUntilRemoved) {
    RxMailbox box;
    int calls = 0;
    bool readyAtEveryCall = true;
    box.SetListener([&] {
        ++calls;
        readyAtEveryCall = readyAtEveryCall && box.Ready();
    });
    const std::uint8_t frame[] = {1, 3, 0};
    box.Deliver(frame, sizeof frame, 2048);
    box.Deliver(frame, sizeof frame, 2048);  // a replacement is news too
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(readyAtEveryCall);
    box.SetListener({});
    box.Deliver(frame, sizeof frame, 2048);
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(box.Ready());
}

}  // namespace
}  // namespace com
