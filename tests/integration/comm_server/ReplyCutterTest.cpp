#include "ReplyCutter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using comm_server::ReplyCutter;
using Bytes = std::vector<std::uint8_t>;

TEST(ReplyCutterTest, SilenceOf200MsEndsAReply) {
    ReplyCutter cutter;
    EXPECT_EQ(cutter.MsUntilDue(0), -1);
    EXPECT_FALSE(cutter.TakeReply(1000).has_value());

    const Bytes a = {0x01, 0x03, 0x04};
    const Bytes b = {0x11, 0x13};
    cutter.Feed(a.data(), a.size(), 1000);
    cutter.Feed(b.data(), b.size(), 1150);  // a pause under the gap joins
    EXPECT_EQ(cutter.MsUntilDue(1200), 150);
    EXPECT_FALSE(cutter.TakeReply(1349).has_value());
    auto reply = cutter.TakeReply(1350);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(*reply, (Bytes{0x01, 0x03, 0x04, 0x11, 0x13}));
    EXPECT_FALSE(cutter.TakeReply(5000).has_value()) << "a reply is handed out once";
    EXPECT_EQ(cutter.MsUntilDue(5000), -1);
}

TEST(ReplyCutterTest, TickWrapAroundDoesNotCutEarly) {
    ReplyCutter cutter;
    const Bytes a = {0xAA};
    cutter.Feed(a.data(), a.size(), 0xFFFFFFF0u);
    EXPECT_FALSE(cutter.TakeReply(0x00000010u).has_value());  // 32 ms later across the wrap
    EXPECT_EQ(cutter.MsUntilDue(0x00000010u), 168);
    EXPECT_TRUE(cutter.TakeReply(0x000000B8u).has_value());  // exactly 200 ms
}

TEST(ReplyCutterTest, LongReplyIsCutTo2048Bytes) {
    ReplyCutter cutter;
    Bytes first(2000, 0x11);
    Bytes second(1000, 0x22);
    cutter.Feed(first.data(), first.size(), 0);
    cutter.Feed(second.data(), second.size(), 10);
    auto reply = cutter.TakeReply(210);
    ASSERT_TRUE(reply.has_value());
    ASSERT_EQ(reply->size(), ReplyCutter::kMaxReplyBytes);
    EXPECT_EQ((*reply)[1999], 0x11);
    EXPECT_EQ((*reply)[2000], 0x22);
    EXPECT_EQ(cutter.Dropped(), 952u);

    // The next reply starts clean.
    const Bytes c = {0x05};
    cutter.Feed(c.data(), c.size(), 1000);
    EXPECT_EQ(cutter.Dropped(), 0u);
    EXPECT_EQ(*cutter.TakeReply(1200), c);
}

}  // namespace
