// The simulator driven as a process over its pseudo-terminal with the host's own request builders.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <set>
#include <string>

#include "integration/relay_sim/SimProcess.h"
#include "modbus/Crc16.h"
#include "modbus/RegisterMap.h"
#include "modbus/Requests.h"
#include "modbus/ResponseChecks.h"
#include "modbus/SoeRecord.h"
#include "relay_sim/RelayClock.h"

namespace relaysim_test {
namespace {

constexpr int kAsk = 60;  // the sample's AskNumber

Bytes Echo(const Bytes& request) {
    return WithCrc(Bytes(request.begin(), request.begin() + 6));
}

std::int64_t HostCivilNow() {
    const std::time_t t = std::time(nullptr);
    std::tm l{};
    localtime_r(&t, &l);
    return relaysim::CivilSeconds(l.tm_year + 1900, l.tm_mon + 1, l.tm_mday, l.tm_hour, l.tm_min, l.tm_sec);
}

std::int64_t RelayCivil(const Bytes& poll) {
    return relaysim::CivilSeconds(2000 + RegisterOf(poll, 0), RegisterOf(poll, 1), RegisterOf(poll, 2),
                                  RegisterOf(poll, 3), RegisterOf(poll, 4), RegisterOf(poll, 5));
}

TEST(RelaySim, PollImageHoldsClockIndicesVersionSignalsAndTelemetry) {
    SimProcess sim({"--still"});
    ASSERT_TRUE(sim.ok());
    const Bytes poll = sim.Transact(modbus::BuildPollRequest(1, kAsk));
    ASSERT_EQ(poll.size(), 5u + 2 * kAsk);
    EXPECT_EQ(modbus::CheckPollResponse(poll.data(), poll.size(), 1), modbus::PollFault::None);
    // The clock runs from the host's local time.
    EXPECT_LE(std::llabs(RelayCivil(poll) - HostCivilNow()), 3);
    EXPECT_EQ(RegisterOf(poll, 6), 0x0000);  // ring empty: write index = read index
    EXPECT_EQ(RegisterOf(poll, 7), 163);
    // High-voltage breaker and low-voltage side 1 closed, side 2 open; 远方 (bit 5) on.
    EXPECT_EQ(RegisterOf(poll, 8) & 0x27, 0x23);
    // Telemetry decoded the host's way: 频率 (reg 34, CC2 100) and 油温 (reg 35, low word signed).
    EXPECT_EQ(RegisterOf(poll, 34), 5000);
    EXPECT_EQ(static_cast<std::int16_t>(RegisterOf(poll, 35)), 550);
    // 有功电度: 32 bits, low word at 37, high word at 38.
    EXPECT_EQ(RegisterOf(poll, 37) + 65536u * RegisterOf(poll, 38), 1234567u);
    // Spare registers read 0.
    EXPECT_EQ(RegisterOf(poll, 59), 0);
}

TEST(RelaySim, TelemetryMovesWithinPlausibleLimits) {
    SimProcess sim;
    ASSERT_TRUE(sim.ok());
    std::set<std::uint16_t> currents;
    for (int i = 0; i < 4; ++i) {
        const Bytes poll = sim.Transact(modbus::BuildPollRequest(1, kAsk));
        ASSERT_EQ(poll.size(), 5u + 2 * kAsk);
        const double amps = RegisterOf(poll, 13) / 100.0;  // 高压侧A相电流, CC2 100
        const double volts = RegisterOf(poll, 19) / 10.0;  // 高压侧A相电压, CC2 10
        const double hz = RegisterOf(poll, 34) / 100.0;    // 频率
        const double pf = static_cast<std::int16_t>(RegisterOf(poll, 33)) / 1000.0;  // 功率因数, signed
        EXPECT_GT(amps, 4.0);
        EXPECT_LT(amps, 6.0);
        EXPECT_NEAR(volts, 57.7, 1.5);
        EXPECT_NEAR(hz, 50.0, 0.1);
        EXPECT_NEAR(pf, 0.95, 0.03);
        currents.insert(RegisterOf(poll, 13));
        usleep(250000);
    }
    EXPECT_GT(currents.size(), 1u) << "telemetry should move";
}

TEST(RelaySim, ParameterBlockCarriesModeBaudCodesAndHardwareRecord) {
    for (const char* mode : {"valid", "blank", "invalid"}) {
        SimProcess sim({"--hwinfo", mode, "--address", "5"});
        ASSERT_TRUE(sim.ok());
        const Bytes reply = sim.Transact(*modbus::BuildBlockReadRequest(5, 100, 64));
        ASSERT_EQ(reply.size(), 5u + 128) << mode;
        EXPECT_TRUE(modbus::CheckResponseCrc(reply.data(), reply.size()));
        EXPECT_EQ(RegisterOf(reply, 0), 5) << "装置地址";
        EXPECT_EQ(RegisterOf(reply, 4), modbus::kBaudCode9600);
        EXPECT_EQ(RegisterOf(reply, 6), modbus::kBaudCode9600);
        EXPECT_EQ(RegisterOf(reply, 50), 1) << "control mode";
        EXPECT_EQ(RegisterOf(reply, 30), 1024) << "calibration coefficient 1.0";
        const std::uint8_t* hw = reply.data() + modbus::kHardwareInfoResponseOffset;
        if (std::string(mode) == "valid") {
            EXPECT_TRUE(modbus::CheckCrc16(hw, 12));
            EXPECT_EQ(hw[2], 2);
            EXPECT_GE(hw[3], 15);
            EXPECT_TRUE(hw[8] || hw[9] || hw[10] || hw[11]);
        } else if (std::string(mode) == "blank") {
            for (int i = 0; i < 14; ++i) EXPECT_EQ(hw[i], 0xFF);
        } else {
            EXPECT_FALSE(modbus::CheckCrc16(hw, 12));
            EXPECT_EQ(hw[2], 2);
        }
    }
}

TEST(RelaySim, BlockAndClockWritesAreStoredAndEchoed) {
    SimProcess sim({"--still"});
    ASSERT_TRUE(sim.ok());
    // Setting block write, echoed as address, 16, start, quantity, CRC, then read back.
    std::vector<std::uint16_t> settings(30);
    for (std::size_t i = 0; i < settings.size(); ++i) settings[i] = static_cast<std::uint16_t>(i * 3 + 1);
    const Bytes write = *modbus::BuildBlockWriteRequest(1, 200, settings);
    EXPECT_EQ(sim.Transact(write), Echo(write));
    const Bytes back = sim.Transact(*modbus::BuildBlockReadRequest(1, 200, 30));
    ASSERT_EQ(back.size(), 65u);
    for (std::size_t i = 0; i < settings.size(); ++i) EXPECT_EQ(RegisterOf(back, i), settings[i]);

    // A calibration write of one register lands in the parameter block.
    const Bytes cal = modbus::BuildCalibrationWrite1(1, 130, 1100);
    EXPECT_EQ(sim.Transact(cal), Echo(cal));
    EXPECT_EQ(sim.Command("get reg 130"), "REG 130 1100");

    // Clock set: echo with start 0 and quantity 6, then the poll shows the new time running on.
    platform::LocalTime t{2026, 12, 7, 8, 5, 9};
    const Bytes clock = modbus::BuildClockSetRequest(1, 0, t);
    const Bytes echo = sim.Transact(clock);
    EXPECT_EQ(echo, WithCrc({1, 16, 0, 0, 0, 6}));
    const Bytes poll = sim.Transact(modbus::BuildPollRequest(1, kAsk));
    const std::int64_t set = relaysim::CivilSeconds(2026, 12, 7, 8, 5, 9);
    EXPECT_GE(RelayCivil(poll), set);
    EXPECT_LE(RelayCivil(poll), set + 2);

    // An impossible date is refused with exception 3 instead of being acknowledged.
    t.month = 13;
    const Bytes bad = sim.Transact(modbus::BuildClockSetRequest(1, 0, t));
    EXPECT_EQ(bad, WithCrc({1, 0x90, 3}));
}

TEST(RelaySim, CoilsSwitchBreakersAndWriteSoeRecords) {
    SimProcess sim({"--still"});
    ASSERT_TRUE(sim.ok());
    // Control mode 1 (default): coil 0 off opens the high-voltage side.
    const Bytes open = *modbus::BuildRemoteControlRequest(1, modbus::RemoteControl::OpenHigh, 1);
    EXPECT_EQ(sim.Transact(open), open);
    Bytes poll = sim.Transact(modbus::BuildPollRequest(1, kAsk));
    EXPECT_EQ(RegisterOf(poll, 8) & 1, 0) << "breaker shown open";
    EXPECT_EQ(RegisterOf(poll, 13), 0) << "no load current with the breaker open";
    // The opening wrote records for the breaker (code 1) and the position signals 合闸位置/跳闸位置 (30, 29).
    const std::uint16_t idx = RegisterOf(poll, 6);
    EXPECT_EQ(idx, 0x0300);
    const Bytes soe = sim.Transact(modbus::BuildSoeReadRequest(1, 0, 3));
    const auto records = modbus::ParseSoeResponse(soe.data(), soe.size());
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].code, 1);
    EXPECT_EQ(records[1].code, 30);
    EXPECT_EQ(records[2].code, 29);
    const std::int64_t when =
        relaysim::CivilSeconds(2000 + records[0].yearOffset, records[0].month, records[0].day,
                               records[0].hour, records[0].minute, records[0].second);
    EXPECT_LE(std::llabs(when - HostCivilNow()), 3);
    EXPECT_LT(records[0].millisecond, 1000);
    // Reading the records moved the relay's read index up to its write index.
    poll = sim.Transact(modbus::BuildPollRequest(1, kAsk));
    EXPECT_EQ(RegisterOf(poll, 6), 0x0303);

    // Control mode 0 after writing parameter entry 50: separate coils with 0xFF00.
    EXPECT_EQ(sim.Command("set reg 150 0"), "OK");
    const Bytes close2 = *modbus::BuildRemoteControlRequest(1, modbus::RemoteControl::CloseLow2, 0);
    EXPECT_EQ(close2[3], 13);
    EXPECT_EQ(sim.Transact(close2), close2);
    EXPECT_EQ(sim.Command("get yx 3"), "YX 3 1");
    // A mode-1 coil that mode 0 does not know is refused.
    EXPECT_EQ(sim.Transact(WithCrc({1, 5, 0, 1, 0, 0})), WithCrc({1, 0x85, 2}));

    // Signal reset clears latched signals such as 事故总信号.
    EXPECT_EQ(sim.Command("set yx 9 1"), "OK");
    const Bytes reset = modbus::BuildSignalResetRequest(1);
    EXPECT_EQ(sim.Transact(reset), reset);
    EXPECT_EQ(sim.Command("get yx 9"), "YX 9 0");
}

TEST(RelaySim, RingReadsWrapAndAdvanceTheReadIndex) {
    SimProcess sim;
    ASSERT_TRUE(sim.ok());
    // Write and read index at 18, then four records: they land in records 18, 19, 0 and 1.
    EXPECT_EQ(sim.Command("set reg 6 0x1212"), "OK");
    for (int code : {71, 72, 73, 74}) EXPECT_EQ(sim.Command("soe " + std::to_string(code)), "OK");
    Bytes poll = sim.Transact(modbus::BuildPollRequest(1, kAsk));
    EXPECT_EQ(RegisterOf(poll, 6), 0x0212);
    EXPECT_EQ(modbus::SoePendingRecords(2, 18), 4u);
    const Bytes request = modbus::BuildSoeReadRequest(1, 18, 4);
    EXPECT_EQ(request[2] << 8 | request[3], 590);
    const Bytes soe = sim.Transact(request);
    const auto records = modbus::ParseSoeResponse(soe.data(), soe.size());
    ASSERT_EQ(records.size(), 4u);
    EXPECT_EQ(records[0].code, 71);
    EXPECT_EQ(records[1].code, 72);
    EXPECT_EQ(records[2].code, 73);
    EXPECT_EQ(records[3].code, 74);
    poll = sim.Transact(modbus::BuildPollRequest(1, kAsk));
    EXPECT_EQ(RegisterOf(poll, 6), 0x0202);
}

TEST(RelaySim, AnswersTheAddressSearchAndOnlyItsOwnAddress) {
    SimProcess sim({"--address", "17"});
    ASSERT_TRUE(sim.ok());
    const Bytes reply = sim.Transact(modbus::BuildAddressSearchRequest());
    EXPECT_TRUE(modbus::CheckAddressSearchResponse(reply.data(), reply.size()));
    EXPECT_EQ(modbus::SearchedAddress(reply.data(), reply.size()), 17);
    EXPECT_TRUE(sim.Transact(modbus::BuildPollRequest(1, kAsk), Ms(200)).empty());
    EXPECT_EQ(sim.Transact(modbus::BuildPollRequest(17, kAsk)).size(), 5u + 2 * kAsk);
    EXPECT_EQ(sim.Counter("other_address"), 1);
    // A request with a broken CRC is ignored.
    Bytes broken = modbus::BuildPollRequest(17, kAsk);
    broken.back() ^= 0x40;
    EXPECT_TRUE(sim.Transact(broken, Ms(200)).empty());
    EXPECT_EQ(sim.Counter("crc_errors"), 1);
}

TEST(RelaySim, EventBatchesHold25RecordsIn205Bytes) {
    SimProcess sim({"--events", "120"});
    ASSERT_TRUE(sim.ok());
    EXPECT_EQ(sim.Command("event raw 5 0 0 1 2 3 13 24"), "OK");  // month 13: an invalid date
    int invalid = 0, empty = 0;
    for (unsigned batch = 0; batch < 20; ++batch) {
        const Bytes reply = sim.Transact(*modbus::BuildEventBatchRequest(1, batch));
        ASSERT_EQ(reply.size(), 205u) << batch;
        EXPECT_EQ(reply[1], 17);
        EXPECT_EQ(reply[2], 200);
        EXPECT_EQ(modbus::Crc16(reply.data(), 203), reply[203] | reply[204] << 8);
        for (int i = 0; i < 25; ++i) {
            const std::uint8_t* r = reply.data() + 3 + 8 * i;
            const bool valid =
                r[3] <= 60 && r[4] <= 24 && r[5] >= 1 && r[5] <= 31 && r[6] >= 1 && r[6] <= 12 && r[7];
            invalid += valid ? 0 : 1;
            empty += (r[0] | r[1] | r[2] | r[3] | r[4] | r[5] | r[6] | r[7]) == 0;
        }
        if (batch == 0) {
            // Newest first: the raw record added above, then the power-up event.
            EXPECT_EQ(Bytes(reply.begin() + 3, reply.begin() + 11), (Bytes{5, 0, 0, 1, 2, 3, 13, 24}));
            EXPECT_EQ(reply[11], 1);
            const unsigned ms = reply[12] | reply[13] << 8;
            EXPECT_LT(ms, 60000u);
        }
    }
    EXPECT_EQ(empty, 500 - 122) << "records beyond the relay's list read as empty cells";
    EXPECT_GT(invalid - empty, 2) << "some stored records carry invalid dates";
}

TEST(RelaySim, FaultOptionsShapeTheReplies) {
    const Bytes poll = modbus::BuildPollRequest(1, 10);
    {
        SimProcess sim({"--drop-every", "2"});
        EXPECT_FALSE(sim.Transact(poll).empty());
        EXPECT_TRUE(sim.Transact(poll, Ms(300)).empty());
        EXPECT_FALSE(sim.Transact(poll).empty());
        EXPECT_EQ(sim.Counter("dropped"), 1);
    }
    {
        SimProcess sim({"--corrupt-crc-every", "1"});
        const Bytes r = sim.Transact(poll);
        ASSERT_EQ(r.size(), 25u);
        EXPECT_EQ(modbus::CheckPollResponse(r.data(), r.size(), 1), modbus::PollFault::BadCrc);
    }
    {
        SimProcess sim({"--wrong-address"});
        const Bytes r = sim.Transact(poll);
        ASSERT_EQ(r.size(), 25u);
        EXPECT_EQ(r[0], 2);
        EXPECT_TRUE(modbus::CheckResponseCrc(r.data(), r.size()));
        EXPECT_EQ(modbus::CheckPollResponse(r.data(), r.size(), 1), modbus::PollFault::BadHeader);
    }
    {
        SimProcess sim({"--exception", "4"});
        EXPECT_EQ(sim.Transact(poll), WithCrc({1, 0x83, 4}));
    }
    {
        SimProcess sim({"--delay", "400"});
        sim.Send(poll);
        const auto got = sim.Collect(Ms(1500));
        ASSERT_FALSE(got.empty());
        EXPECT_GE(got.front().first, 300.0);
    }
    {
        // Split with a pause long enough for the host's 200 ms cutter to see two frames.
        SimProcess sim({"--split-pause", "400"});
        sim.Send(poll);
        const auto got = sim.Collect(Ms(1500));
        ASSERT_GE(got.size(), 2u);
        std::size_t total = 0;
        for (const auto& g : got) total += g.second.size();
        EXPECT_EQ(total, 25u);
        EXPECT_GE(got.back().first - got.front().first, 300.0);
    }
    {
        // One event-record reply held until it is released; the others are answered at once.
        SimProcess sim({"--hold-event-reply", "25"});
        EXPECT_EQ(sim.Command("release"), "ERR no reply held");
        EXPECT_EQ(sim.Transact(*modbus::BuildEventBatchRequest(1, 0)).size(), 205u);
        sim.Send(*modbus::BuildEventBatchRequest(1, 1));
        EXPECT_TRUE(sim.Collect(Ms(300)).empty());
        EXPECT_EQ(sim.Command("release"), "OK");
        std::size_t total = 0;
        for (const auto& g : sim.Collect(Ms(300))) total += g.second.size();
        EXPECT_EQ(total, 205u);
        EXPECT_EQ(sim.Transact(*modbus::BuildEventBatchRequest(1, 1)).size(), 205u);
    }
    {
        // 125 registers at 9600 baud: 255 bytes take about 266 ms on the wire.
        SimProcess sim({"--pace-baud", "9600"});
        sim.Send(modbus::BuildPollRequest(1, 125));
        const auto got = sim.Collect(Ms(1500));
        std::size_t total = 0;
        for (const auto& g : got) total += g.second.size();
        EXPECT_EQ(total, 255u);
        ASSERT_FALSE(got.empty());
        EXPECT_GE(got.back().first - got.front().first, 200.0);
    }
}

TEST(RelaySim, RequestsEndByLengthOrSilence) {
    SimProcess sim;
    ASSERT_TRUE(sim.ok());
    // A request written in two pieces with a short gap is still one request. The gap must stay under the
    // simulator's 4 ms silence, which a loaded machine can stretch (either process may be descheduled between
    // the pieces); such a try gets no answer and is made again. A cutter that always split would fail all.
    const Bytes poll = modbus::BuildPollRequest(1, 10);
    Bytes answer;
    for (int attempt = 0; attempt < 5 && answer.size() != 25u; ++attempt) {
        sim.Send(Bytes(poll.begin(), poll.begin() + 3));
        usleep(1000);
        answer = sim.Transact(Bytes(poll.begin() + 3, poll.end()), Ms(500));
    }
    EXPECT_EQ(answer.size(), 25u);
    // Two requests back to back are cut by their lengths and both answered.
    Bytes two = poll;
    two.insert(two.end(), poll.begin(), poll.end());
    EXPECT_EQ(sim.Transact(two).size(), 50u);
    // An unknown function code ends at the silence and gets exception 1.
    EXPECT_EQ(sim.Transact(WithCrc({1, 0x2B, 0, 0})), WithCrc({1, 0xAB, 1}));
    // Bytes that are the flow-control and line-end characters pass unchanged (register 0x1311 = 4881).
    EXPECT_EQ(sim.Command("set reg 0x0D0A 0x1311"), "OK");
    const Bytes r = sim.Transact(WithCrc({1, 3, 0x0D, 0x0A, 0, 1}));
    EXPECT_EQ(r, WithCrc({1, 3, 2, 0x13, 0x11}));
}

TEST(RelaySim, ClockCommandCountsOnTheFrameLogsTimeBase) {
    char folder[] = "/tmp/relay-sim-clock-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string log = std::string(folder) + "/frames.log";
    {
        SimProcess sim({"--frame-log", log, "--frame-log-times"});
        ASSERT_TRUE(sim.ok());
        ASSERT_EQ(sim.Transact(modbus::BuildPollRequest(1, 10)).size(), 25u);
        usleep(200000);
        const std::string clock = sim.Command("clock");
        ASSERT_EQ(clock.rfind("CLOCK ", 0), 0u) << clock;
        std::ifstream frames(log);
        std::string stamp;
        frames >> stamp;
        ASSERT_EQ(stamp.rfind('@', 0), 0u) << stamp;
        // The answer came back before the 200 ms pause: the clock is that much past the request.
        const double since = std::stod(clock.substr(6)) - std::stod(stamp.substr(1));
        EXPECT_GE(since, 200.0);
        EXPECT_LT(since, 2000.0);
    }
    std::remove(log.c_str());
    ::rmdir(folder);
}

TEST(RelaySim, ComLinkIsCreatedAndRemoved) {
    char dir[] = "/tmp/relaysim-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string link = std::string(dir) + "/dosdevices/com7";
    {
        SimProcess sim({"--program-folder", dir, "--com", "7", "--ini", SampleIni()});
        ASSERT_TRUE(sim.ok());
        char target[256] = {};
        ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
        EXPECT_EQ(std::string(target), sim.path());
        EXPECT_EQ(sim.Finish(), 0);
    }
    char target[256];
    EXPECT_LT(readlink(link.c_str(), target, sizeof target), 0) << "link removed at exit";
    rmdir((std::string(dir) + "/dosdevices").c_str());
    rmdir(dir);
}

}  // namespace
}  // namespace relaysim_test
