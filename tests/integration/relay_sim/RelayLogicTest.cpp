// The simulator's logic in-process: the parts whose faults would only show as rare wrong values on the line.
#include <gtest/gtest.h>

#include <cstdint>

#include "modbus/Crc16.h"
#include "relay_sim/Relay.h"
#include "relay_sim/RelayClock.h"
#include "relay_sim/ReplyShaper.h"
#include "relay_sim/RequestCutter.h"
#include "relay_sim/Telemetry.h"

namespace relaysim {
namespace {

// The host's decoding, written out independently: low word signed for Type 1 and 5, high word signed for
// Type 1 only, each divided by CC2, the high word times 65536.
double HostValue(int type, unsigned cc2, RawWords w, bool wide) {
    const double d = cc2 == 0 ? 1.0 : cc2;
    double v = ((type == 1 || type == 5) ? static_cast<std::int16_t>(w.low) : w.low) / d;
    if (wide) v += (type == 1 ? static_cast<std::int16_t>(w.high) : w.high) / d * 65536.0;
    return v;
}

TEST(RelayLogic, TelemetryWordsDecodeBackTheHostsWay) {
    struct Case {
        int type;
        unsigned cc2;
        bool wide;
        double value;
    };
    // Values whose low word has bit 15 set are where a plain high/low split decodes 65536 off.
    for (const Case c : {Case{1, 1, true, -140000}, Case{1, 1, true, 100000}, Case{5, 1, true, 100000},
                         Case{0, 1, true, 1234567}, Case{1, 10, false, -0.2}, Case{5, 10, false, -12.5},
                         Case{0, 100, false, 123.45}, Case{1, 1000, false, 0.95}}) {
        YcPoint p;
        p.type = c.type;
        p.cc2 = c.cc2;
        p.postH = c.wide ? 2 : 0;
        const RawWords w = EncodeTelemetry(p, c.value);
        EXPECT_NEAR(HostValue(c.type, c.cc2, w, c.wide), c.value, 0.5 / c.cc2)
            << "type " << c.type << " value " << c.value;
    }
    // 0xFFFF means "no value" to the host and is never produced.
    YcPoint u;
    u.type = 0;
    EXPECT_NE(EncodeTelemetry(u, 70000).low, 0xFFFF);
    EXPECT_NE(EncodeTelemetry(u, 65535).low, 0xFFFF);
    YcPoint s;
    s.type = 1;
    EXPECT_NE(EncodeTelemetry(s, -1).low, 0xFFFF);
    s.postH = 2;
    EXPECT_NE(EncodeTelemetry(s, 65535).low, 0xFFFF);
}

TEST(RelayLogic, ClockRunsFromTheSetTimeAndRefusesImpossibleDates) {
    platform::LocalTime host{2025, 3, 1, 23, 59, 58, 500, 6};
    RelayClock clock;
    EXPECT_EQ(clock.Words(host), (std::array<std::uint16_t, 6>{25, 3, 1, 23, 59, 58}));
    EXPECT_TRUE(clock.Set({24, 2, 29, 23, 59, 59}, host));  // leap day
    host.second = 59;                                       // one second later
    EXPECT_EQ(clock.Words(host), (std::array<std::uint16_t, 6>{24, 3, 1, 0, 0, 0}));
    EXPECT_FALSE(clock.Set({25, 2, 29, 0, 0, 0}, host));
    EXPECT_FALSE(clock.Set({25, 4, 31, 0, 0, 0}, host));
    EXPECT_FALSE(clock.Set({25, 1, 1, 24, 0, 0}, host));
    EXPECT_EQ(clock.Words(host), (std::array<std::uint16_t, 6>{24, 3, 1, 0, 0, 0}))
        << "unchanged after refusals";
    for (std::int64_t s : {0LL, 86399LL, 5097600LL, 3155759999LL}) {
        const auto f = CivilFromSeconds(s);
        EXPECT_EQ(CivilSeconds(f[0], f[1], f[2], f[3], f[4], f[5]), s);
    }
}

TEST(RelayLogic, RequestsAreCutByLengthAndBySilence) {
    RequestCutter cut;
    // Function 16: the length follows from the byte count at offset 6.
    const std::uint8_t write[] = {1, 16, 0, 200, 0, 2, 4, 0, 1, 0, 2, 0xAA, 0xBB};
    cut.Feed(write, 7, 100);
    EXPECT_FALSE(cut.TakeRequest());
    cut.Feed(write + 7, 6, 101);
    const auto r = cut.TakeRequest();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->size(), 13u);
    // An unknown function ends at 4 ms of silence, not before.
    const std::uint8_t odd[] = {1, 0x41, 2};
    cut.Feed(odd, 3, 200);
    cut.Tick(203);
    EXPECT_FALSE(cut.TakeRequest());
    EXPECT_EQ(cut.MsUntilSilence(203), 1u);
    cut.Tick(204);
    EXPECT_EQ(cut.TakeRequest()->size(), 3u);
    // A pause inside a known request also ends it: the tail starts a new request.
    const std::uint8_t poll[] = {1, 3, 0, 0, 0, 60, 0x44, 0x1B};
    cut.Feed(poll, 4, 300);
    cut.Feed(poll + 4, 4, 310);
    EXPECT_EQ(cut.TakeRequest()->size(), 4u);
    cut.Tick(320);
    EXPECT_EQ(cut.TakeRequest()->size(), 4u);
}

TEST(RelayLogic, FullSoeRingOverwritesItsOldestRecord) {
    Layout l;
    l.askNumber = 20;
    l.versionPost = 7;
    l.yxPost = 8;
    l.yx = {{"a", 1}};
    const Now now{{2025, 1, 2, 3, 4, 5, 600, 4}, 0.0};
    Relay relay(l, RelayOptions{}, now);
    for (int i = 0; i < 25; ++i) relay.AddSoe(static_cast<std::uint8_t>(i + 10), now);
    EXPECT_EQ(relay.SoeWriteIndex(), 5);
    EXPECT_EQ(relay.SoeReadIndex(), 6) << "19 records stay readable";
    // The oldest readable record is the 7th written (code 16); record 5 holds the 6th written.
    EXPECT_EQ(relay.ReadRegister(500 + 5 * 6, now) >> 8, 16);
    EXPECT_EQ(relay.ReadRegister(500 + 5 * 4 + 4, now), (1 << 8) | 25) << "month, year - 2000";
}

TEST(RelayLogic, PacedRepliesLeaveAtWireTime) {
    FaultOptions f;
    f.paceBaud = 9600;
    f.splitPauseMs = 50;
    ReplyShaper shaper(f);
    const auto chunks = shaper.Shape(Frame(10, 0x55), 1000000);
    ASSERT_EQ(chunks.size(), 10u);
    EXPECT_EQ(chunks[0].dueUs, 1000000u + 1041);
    EXPECT_EQ(chunks[4].dueUs, 1000000u + 5 * 1041);
    EXPECT_EQ(chunks[5].dueUs, 1000000u + 50000 + 6 * 1041);
}

// The soak's line: a share of the replies faulted, each with one of five faults, all kinds seen, and every
// faulted reply still telling the host something is wrong (no fault turns into another valid reply).
TEST(RelayLogic, MixedFaultsHitTheirShareWithEveryKind) {
    FaultOptions f;
    f.faultPercent = 10;
    f.seed = 7;
    ReplyShaper shaper(f);
    Frame reply{1, 3, 2, 0x12, 0x34};
    const std::uint16_t crc = modbus::Crc16(reply.data(), reply.size());
    reply.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    reply.push_back(static_cast<std::uint8_t>(crc >> 8));
    int untouched = 0;
    for (int i = 0; i < 5000; ++i) {
        const auto chunks = shaper.Shape(reply, 1000000);
        if (chunks.size() == 1 && chunks[0].bytes == reply && chunks[0].dueUs == 1000000u) {
            ++untouched;
            continue;
        }
        if (chunks.size() == 2) {  // split: the same bytes, the second half 20 to 500 ms later
            Frame joined = chunks[0].bytes;
            joined.insert(joined.end(), chunks[1].bytes.begin(), chunks[1].bytes.end());
            EXPECT_EQ(joined, reply);
            EXPECT_GE(chunks[1].dueUs - chunks[0].dueUs, 20000u);
            EXPECT_LE(chunks[1].dueUs - chunks[0].dueUs, 500000u);
        } else if (chunks.size() == 1) {
            const Frame& b = chunks[0].bytes;
            const bool validFromUs =
                b.size() == reply.size() && b[0] == 1 &&
                modbus::Crc16(b.data(), b.size() - 2) == (b[b.size() - 2] | b[b.size() - 1] << 8);
            EXPECT_FALSE(validFromUs) << "a faulted reply must not pass as the relay's own";
            EXPECT_LE(b.size(), 40u);
        }
    }
    const MixedFaultCounts& m = shaper.mixed();
    const std::uint64_t faulted = m.dropped + m.corrupted + m.wrongAddress + m.split + m.garbage;
    EXPECT_EQ(faulted + static_cast<std::uint64_t>(untouched), 5000u);
    EXPECT_NEAR(static_cast<double>(faulted), 500.0, 80.0);
    for (std::uint64_t kind : {m.dropped, m.corrupted, m.wrongAddress, m.split, m.garbage})
        EXPECT_GT(kind, 60u);
    // The same seed gives the same line.
    ReplyShaper again(f);
    for (int i = 0; i < 5000; ++i) again.Shape(reply, 1000000);
    EXPECT_EQ(again.mixed().split, m.split);
    EXPECT_EQ(again.mixed().garbage, m.garbage);
}

}  // namespace
}  // namespace relaysim
