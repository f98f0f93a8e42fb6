// The frames the program sends and the relay answers, read against the shipped sample tables.
#include "ui/monitor/FrameExplainer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "modbus/Requests.h"
#include "modbus/TableRequests.h"
#include "support/Frames.h"
#include "support/SampleTables.h"

namespace ui {
namespace {

using test_support::Bytes;
using test_support::ReadAnswer;
using test_support::Sample;
using test_support::WithCrc;
using Lines = std::vector<std::string>;

ExplainTables Tables(std::uint16_t controlMode = 0) {
    const auto& s = Sample();
    return ExplainTables{&s.yc, &s.yx, &s.param, &s.setting, controlMode};
}

platform::LocalTime At(int year, int month, int day, int hour, int minute, int second) {
    platform::LocalTime t{year, month, day, hour, minute, second};
    return t;
}

Bytes SwapCrc(Bytes frame) {
    std::swap(frame[frame.size() - 2], frame[frame.size() - 1]);
    return frame;
}

Bytes BreakCrc(Bytes frame) {
    frame.back() ^= 0x01;
    return frame;
}

// `expected` appears in `lines` in this order, other lines allowed in between.
testing::AssertionResult InOrder(const Lines& lines, const Lines& expected) {
    auto at = lines.begin();
    for (const std::string& line : expected) {
        at = std::find(at, lines.end(), line);
        if (at == lines.end()) {
            std::string all;
            for (const std::string& l : lines) all += "\n  " + l;
            return testing::AssertionFailure() << "missing or out of order: " << line << "\nin:" << all;
        }
        ++at;
    }
    return testing::AssertionSuccess();
}

struct RequestCase {
    const char* name;
    Bytes frame;
    std::uint16_t controlMode;
    Lines expected;  // the whole explanation
};

TEST(FrameExplainer, RequestsTheProgramSends) {
    const auto& s = Sample();
    const Bytes poll = modbus::BuildPollRequest(1, s.yc);
    const RequestCase cases[] = {
        {"the poll",
         poll,
         0,
         {"发送：地址 1，功能码 3 读保持寄存器", "起始寄存器 0，数量 60", "CRC 正确",
          "轮询：读寄存器 0～59（遥测、遥信、时钟、版本）"}},
        {"the address search",
         modbus::BuildAddressSearchRequest(),
         0,
         {"发送：地址 254（寻址），功能码 3 读保持寄存器", "起始寄存器 0，数量 1", "CRC 正确",
          "自动寻址：读寄存器 0，其低字节为装置地址"}},
        {"the parameter upload",
         *modbus::BuildBlockReadRequest(1, s.param),
         0,
         {"发送：地址 1，功能码 3 读保持寄存器", "起始寄存器 100，数量 64", "CRC 正确",
          "上装参数：读 64 个参数"}},
        {"the setting upload",
         *modbus::BuildBlockReadRequest(7, s.setting),
         0,
         {"发送：地址 7，功能码 3 读保持寄存器", "起始寄存器 200，数量 30", "CRC 正确",
          "上装定值：读 30 个定值"}},
        {"an SOE read",
         modbus::BuildSoeReadRequest(1, 3, 2),
         0,
         {"发送：地址 1，功能码 3 读保持寄存器", "起始寄存器 515，数量 10", "CRC 正确",
          "读 SOE 记录：从第 3 条起 2 条"}},
        {"a read the program does not know",
         WithCrc({1, 3, 0x01, 0x2C, 0x00, 0x02}),
         0,
         {"发送：地址 1，功能码 3 读保持寄存器", "起始寄存器 300，数量 2", "CRC 正确"}},
        {"the clock set, with the time it writes",
         modbus::BuildClockSetRequest(1, s.yc, At(2026, 12, 7, 8, 5, 9)),
         0,
         {"发送：地址 1，功能码 16 写多个寄存器", "起始寄存器 0，数量 6，字节数 12", "CRC 正确",
          "校时：写入 26-12-07 08:05:09"}},
        {"the parameter download",
         *modbus::BuildBlockWriteRequest(1, s.param),
         0,
         {"发送：地址 1，功能码 16 写多个寄存器", "起始寄存器 100，数量 64，字节数 128", "CRC 正确",
          "下载参数：写 64 个参数"}},
        {"the setting download",
         *modbus::BuildBlockWriteRequest(1, s.setting),
         0,
         {"发送：地址 1，功能码 16 写多个寄存器", "起始寄存器 200，数量 30，字节数 60", "CRC 正确",
          "下载定值：写 30 个定值"}},
        {"a calibration write names the parameter and the telemetry point",
         modbus::BuildCalibrationWrite1(1, 130, 1024),
         0,
         {"发送：地址 1，功能码 16 写多个寄存器", "起始寄存器 130，数量 1，字节数 2", "CRC 正确",
          "寄存器 130 参数 31 高压侧A相电流系数（高压侧A相电流(A) 校正） = 1024"}},
        {"the signal reset",
         modbus::BuildSignalResetRequest(1),
         0,
         {"发送：地址 1，功能码 5 写单个线圈", "线圈 11，值 FF00", "CRC 正确", "信号复归"}},
        {"coil 2 on in control mode 0",
         *modbus::BuildRemoteControlRequest(1, modbus::RemoteControl::OpenHigh, 0),
         0,
         {"发送：地址 1，功能码 5 写单个线圈", "线圈 2，值 FF00", "CRC 正确", "遥控：分高压侧"}},
        {"the same coil in control mode 1",
         *modbus::BuildRemoteControlRequest(1, modbus::RemoteControl::OpenHigh, 0),
         1,
         {"发送：地址 1，功能码 5 写单个线圈", "线圈 2，值 FF00", "CRC 正确", "遥控：合2#低压侧"}},
        {"an unknown mode gives both readings",
         *modbus::BuildRemoteControlRequest(1, modbus::RemoteControl::OpenHigh, 0),
         0xFFFF,
         {"发送：地址 1，功能码 5 写单个线圈", "线圈 2，值 FF00", "CRC 正确",
          "遥控：分高压侧（控制方式 0） 或 合2#低压侧（控制方式 1）"}},
        {"an unknown mode, a coil both modes agree on",
         *modbus::BuildRemoteControlRequest(1, modbus::RemoteControl::CloseHigh, 1),
         0xFFFF,
         {"发送：地址 1，功能码 5 写单个线圈", "线圈 0，值 FF00", "CRC 正确", "遥控：合高压侧"}},
        {"mode 1 opens by switching the coil off",
         *modbus::BuildRemoteControlRequest(1, modbus::RemoteControl::OpenLow1, 1),
         1,
         {"发送：地址 1，功能码 5 写单个线圈", "线圈 1，值 0000", "CRC 正确", "遥控：分1#低压侧"}},
        {"the event batch start",
         *modbus::BuildEventBatchRequest(1, 2),
         0,
         {"发送：地址 1，功能码 17 读事件记录", "起始记录 50，数量 25", "CRC 正确",
          "上装事件记录：第 3 批，记录 51～75"}},
        {"a CRC high byte first is still right",
         SwapCrc(poll),
         0,
         {"发送：地址 1，功能码 3 读保持寄存器", "起始寄存器 0，数量 60", "CRC 正确（高字节在前）",
          "轮询：读寄存器 0～59（遥测、遥信、时钟、版本）"}},
        {"a wrong CRC names the right one in wire order",
         BreakCrc(poll),
         0,
         {"发送：地址 1，功能码 3 读保持寄存器", "起始寄存器 0，数量 60", "CRC 错误，应为 45 DB",
          "轮询：读寄存器 0～59（遥测、遥信、时钟、版本）"}},
        {"a cut request", {1, 3, 0}, 0, {"发送：地址 1，功能码 3 读保持寄存器", "报文不完整"}},
        {"one byte", {1}, 0, {"发送：报文过短，无法解读"}},
    };
    for (const RequestCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ExplainFrame(c.frame, FrameDirection::Sent, Tables(c.controlMode)).lines, c.expected);
    }
}

// Registers 0 .. 59 of a poll answer as the sample table lays them out.
std::vector<std::uint16_t> PollImage() {
    std::vector<std::uint16_t> r(60, 0);
    const std::uint16_t clock[] = {26, 12, 7, 8, 5, 9};
    std::copy(std::begin(clock), std::end(clock), r.begin());
    r[6] = 0x0403;   // SOE ring: next written 4, next read 3
    r[7] = 163;      // version
    r[8] = 0x0005;   // telesignals 1 and 3 closed
    r[13] = 123;     // 高压侧A相电流(A), CC2 100
    r[31] = 0xFFF6;  // 有功功率(kW), signed, CC2 10
    r[37] = 0x0001;  // 有功电度(kWh), 32 bits: low word
    r[38] = 0x0001;  //   high word
    r[45] = 0xFFFF;  // 合闸次数: no value
    return r;
}

const Lines kPollAnswerLines = {
    "接收：地址 1，功能码 3 读保持寄存器",
    "字节数 120",
    "CRC 正确",
    "轮询应答：寄存器 0～59",
    "寄存器 0～5 装置时钟 26-12-07 08:05:09",
    "寄存器 6 SOE 索引：写 4，读 3",
    "寄存器 7 装置版本 V1.63",
    "寄存器 8 遥信 0005",
    "    遥信 1 高压侧断路器位置 合",
    "    遥信 3 2#低压侧断路器位置 合",
    "寄存器 9 遥信 0000：全分",
    "寄存器 13 高压侧A相电流(A) = 1.23",
    "寄存器 31 有功功率(kW) = -1.0",
    "寄存器 37、38 有功电度(kWh) = 65537",
    "寄存器 45 合闸次数 无值",
};

TEST(FrameExplainer, PollAnswerNamesEveryPointWithItsScaledValue) {
    const auto& s = Sample();
    const Bytes answer = ReadAnswer(1, PollImage());
    const Bytes poll = modbus::BuildPollRequest(1, s.yc);
    const Lines lines = ExplainFrame(answer, FrameDirection::Received, Tables(), poll).lines;
    EXPECT_TRUE(InOrder(lines, kPollAnswerLines));
    // Every telemetry point is listed once, and no register without a point.
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) {
                                return l.find(" = ") != std::string::npos || l.ends_with(" 无值");
                            }),
              s.yc.Number);
    // Without the request (the sent line was cleared) the byte count tells the poll answer.
    EXPECT_EQ(ExplainFrame(answer, FrameDirection::Received, Tables()).lines, lines);
}

TEST(FrameExplainer, CutPollAnswerListsOnlyTheRegistersItHolds) {
    Bytes answer = ReadAnswer(1, PollImage());
    answer.resize(35);  // registers 0 .. 14, then the cut
    const Lines lines = ExplainFrame(answer, FrameDirection::Received, Tables()).lines;
    EXPECT_TRUE(
        InOrder(lines, {"字节数 120", "长度不足：应有 125 字节，CRC 无法校验", "轮询应答：寄存器 0～14",
                        "寄存器 0～5 装置时钟 26-12-07 08:05:09", "寄存器 13 高压侧A相电流(A) = 1.23"}));
    EXPECT_FALSE(InOrder(lines, {"寄存器 31 有功功率(kW) = -1.0"}));
}

struct AnswerCase {
    const char* name;
    Bytes frame;
    Bytes request;
    Lines expected;
};

TEST(FrameExplainer, AnswersAndEchoesTheRelaySends) {
    const auto& s = Sample();
    std::vector<std::uint16_t> soe(5, 0);
    // Record: code 1, spare, 123 ms, 09 s, 05 min, 08 h, day 7, month 12, year 26.
    soe[0] = 0x0100;
    soe[1] = 123;
    soe[2] = 0x0905;
    soe[3] = 0x0807;
    soe[4] = 0x0C1A;
    Bytes eventBatch{1, 17, 200};
    eventBatch.resize(203, 0);
    eventBatch = WithCrc(eventBatch);
    const AnswerCase cases[] = {
        {"a parameter block",
         ReadAnswer(1, std::vector<std::uint16_t>(64, 2)),
         *modbus::BuildBlockReadRequest(1, s.param),
         {"接收：地址 1，功能码 3 读保持寄存器", "字节数 128", "CRC 正确", "上装参数应答：64 个参数"}},
        {"a setting block told by its byte count",
         ReadAnswer(1, std::vector<std::uint16_t>(30, 2)),
         {},
         {"接收：地址 1，功能码 3 读保持寄存器", "字节数 60", "CRC 正确", "上装定值应答：30 个定值"}},
        {"SOE records with the names of their telesignals",
         ReadAnswer(1, soe),
         modbus::BuildSoeReadRequest(1, 3, 1),
         {"接收：地址 1，功能码 3 读保持寄存器", "字节数 10", "CRC 正确", "SOE 记录应答：1 条",
          "    高压侧断路器位置 26-12-07 08:05:09.123"}},
        {"the address-search answer",
         ReadAnswer(5, {0x0005}),
         modbus::BuildAddressSearchRequest(),
         {"接收：地址 5，功能码 3 读保持寄存器", "字节数 2", "CRC 正确", "自动寻址应答：装置地址 5"}},
        {"an answer that does not fit the request before it",
         ReadAnswer(1, {1, 2, 3}),
         modbus::BuildPollRequest(1, s.yc),
         {"接收：地址 1，功能码 3 读保持寄存器", "字节数 6", "CRC 正确"}},
        {"the clock echo",
         WithCrc({1, 16, 0, 0, 0, 6}),
         {},
         {"接收：地址 1，功能码 16 写多个寄存器", "起始寄存器 0，数量 6", "CRC 正确", "确认：校时"}},
        {"the parameter download echo",
         WithCrc({1, 16, 0, 100, 0, 64}),
         {},
         {"接收：地址 1，功能码 16 写多个寄存器", "起始寄存器 100，数量 64", "CRC 正确", "确认：下载参数"}},
        {"the setting download echo",
         WithCrc({1, 16, 0, 200, 0, 30}),
         {},
         {"接收：地址 1，功能码 16 写多个寄存器", "起始寄存器 200，数量 30", "CRC 正确", "确认：下载定值"}},
        {"a one-register echo",
         WithCrc({1, 16, 0, 130, 0, 1}),
         {},
         {"接收：地址 1，功能码 16 写多个寄存器", "起始寄存器 130，数量 1", "CRC 正确",
          "确认：写寄存器 130 参数 31 高压侧A相电流系数（高压侧A相电流(A) 校正）"}},
        {"the signal-reset echo",
         modbus::BuildSignalResetRequest(1),
         {},
         {"接收：地址 1，功能码 5 写单个线圈", "线圈 11，值 FF00", "CRC 正确", "确认：信号复归"}},
        {"a remote-control echo",
         *modbus::BuildRemoteControlRequest(1, modbus::RemoteControl::CloseLow2, 0),
         {},
         {"接收：地址 1，功能码 5 写单个线圈", "线圈 13，值 FF00", "CRC 正确", "确认：遥控：合2#低压侧"}},
        {"an event batch",
         eventBatch,
         *modbus::BuildEventBatchRequest(1, 0),
         {"接收：地址 1，功能码 17 读事件记录", "字节数 200", "CRC 正确", "事件记录应答：25 条（第 1 批）"}},
        {"an exception",
         WithCrc({1, 0x83, 2}),
         {},
         {"接收：地址 1，异常应答，功能码 3，异常码 2 非法数据地址", "CRC 正确"}},
        {"a wrong CRC and a byte after it",
         [] {
             Bytes b = BreakCrc(ReadAnswer(1, {7}));
             b.push_back(0);
             return b;
         }(),
         {},
         {"接收：地址 1，功能码 3 读保持寄存器", "字节数 2", "CRC 错误，应为 F9 86", "CRC 后多出 1 字节"}},
    };
    for (const AnswerCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ExplainFrame(c.frame, FrameDirection::Received, Tables(), c.request).lines, c.expected);
    }
}

TEST(FrameExplainer, WithoutTablesOnlyTheFrameItself) {
    const Bytes answer = ReadAnswer(1, PollImage());
    EXPECT_EQ(ExplainFrame(answer, FrameDirection::Received, ExplainTables{}).Text(),
              "接收：地址 1，功能码 3 读保持寄存器\n字节数 120\nCRC 正确");
}

}  // namespace
}  // namespace ui
