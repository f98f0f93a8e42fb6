#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "modbus/Crc16.h"
#include "ui/hardware_id/HardwareIdSequence.h"
#include "unit/engine/EngineHarness.h"

namespace ui {
namespace {

HardwareInfoBytes Info(std::initializer_list<int> twelve) {
    HardwareIdBytes id{};
    int k = 0;
    for (int v : twelve) id[k++] = static_cast<std::uint8_t>(v);
    return WithHardwareIdCrc(id);
}

TEST(HardwareIdRules, EachRuleUsesItsOwnLimits) {
    const HardwareInfoBytes good = Info({0, 0, 2, 26, 12, 7, 8, 5, 0, 0, 1, 23});
    EXPECT_TRUE(HardwareIdShownValid(good));
    EXPECT_TRUE(HardwareIdProtected(good));
    // Year 14: may be written, yet is not shown as valid.
    const HardwareInfoBytes y14 = Info({0, 0, 2, 14, 12, 31, 24, 60, 0, 0, 0, 1});
    EXPECT_FALSE(HardwareIdShownValid(y14));
    EXPECT_TRUE(HardwareIdProtected(y14));
    HardwareIdBytes w{0, 0, 2, 14, 12, 31, 24, 60, 0, 0, 0, 0};
    EXPECT_TRUE(HardwareIdAcceptedForWriting(w));
    w[3] = 13;
    EXPECT_FALSE(HardwareIdAcceptedForWriting(w));
    w = {0, 0, 3, 20, 1, 1, 1, 1, 0, 0, 0, 0};
    EXPECT_FALSE(HardwareIdAcceptedForWriting(w));
    // Serial 0 and a broken CRC are not shown as valid; a broken CRC is not protected.
    EXPECT_FALSE(HardwareIdShownValid(Info({0, 0, 2, 26, 1, 1, 1, 1, 0, 0, 0, 0})));
    HardwareInfoBytes broken = good;
    broken[12] ^= 1;
    EXPECT_FALSE(HardwareIdProtected(broken));
    EXPECT_FALSE(HardwareIdShownValid(broken));
    // The CRC stored high byte first is accepted as well.
    HardwareInfoBytes swapped = good;
    std::swap(swapped[12], swapped[13]);
    EXPECT_TRUE(HardwareIdProtected(swapped));
    HardwareInfoBytes blank;
    blank.fill(0xFF);
    EXPECT_FALSE(HardwareIdProtected(blank));
}

TEST(HardwareIdRules, TextsSerialsAndParsing) {
    platform::LocalTime t{2026, 12, 7, 8, 5};
    EXPECT_EQ(DefaultTimeSequence(t), "0000022612070805");
    EXPECT_EQ(SerialText("123"), "00000123");
    EXPECT_EQ(SerialText(" 42abc"), "00000042");
    EXPECT_EQ(SerialText("abc"), "00000000");
    EXPECT_EQ(SerialText("123456789"), "123456789");
    EXPECT_EQ(TypedNumber("99999999999"), 2147483647);
    const DoubleEntry e = CheckDoubleEntry("0000022612070805", "00000123", "123");
    EXPECT_TRUE(e.same);
    EXPECT_EQ(e.combined, "000002261207080500000123");
    EXPECT_FALSE(CheckDoubleEntry("0000022612070805", "123", "124").same);
    EXPECT_FALSE(CheckDoubleEntry("00000226120708051", "123", "123").same);  // 17 characters
    EXPECT_TRUE(CheckDoubleEntry("000002261207080", "123", "123").same);     // 15 characters pass here

    const ParsedId p = ParseHardwareIdText("000002261207080500000123");
    EXPECT_EQ(p.fault, IdTextFault::None);
    EXPECT_EQ(p.bytes, (HardwareIdBytes{0, 0, 2, 26, 12, 7, 8, 5, 0, 0, 1, 23}));
    EXPECT_EQ(ParseHardwareIdText("00000226120708050000012").fault, IdTextFault::Length);
    EXPECT_EQ(ParseHardwareIdText("0000022612070805123456789").fault, IdTextFault::Length);
    EXPECT_EQ(ParseHardwareIdText("000002131207080500000123").fault, IdTextFault::Format);  // year 13
    EXPECT_EQ(ParseHardwareIdText("010002261207080500000123").fault, IdTextFault::Format);
    EXPECT_EQ(ParseHardwareIdText("0000022612070805 0000123").fault, IdTextFault::Format);
    EXPECT_EQ(ParseHardwareIdText("0000022612070805-0000123").fault, IdTextFault::Format);
    EXPECT_EQ(HardwareIdText(Info({0, 0, 2, 26, 12, 7, 8, 5, 0, 0, 1, 23})), "000002261207080500000123");
}

struct Prompts {
    std::optional<std::string> again;
    bool yes = true;
    std::vector<std::string> log;
    InfoWindowPrompts Make() {
        InfoWindowPrompts p;
        p.askSerialAgain = [this](const std::string& ts) {
            log.push_back("ask " + ts);
            return again;
        };
        p.showFirstText = [this](const std::string& t) { log.push_back("show " + t); };
        p.askYesNo = [this](const std::string& q) {
            log.push_back(q);
            return yes;
        };
        p.inform = [this](const std::string& t) { log.push_back(t); };
        return p;
    }
};

TEST(HardwareIdWindow, DoubleEntryOutcomes) {
    Prompts p;
    p.again = "123";
    EXPECT_EQ(UpdateInfoWindow("0000022612070805", "00000123", p.Make()), "000002261207080500000123");
    EXPECT_EQ(p.log,
              (std::vector<std::string>{"ask 0000022612070805", "show 000002261207080500000123",
                                        "请确认是否将 000002261207080500000123 设置为设备唯一硬件ID？"}));
    p.log.clear();
    p.yes = false;
    EXPECT_FALSE(UpdateInfoWindow("0000022612070805", "00000123", p.Make()));
    EXPECT_EQ(p.log.back(), "您已经放弃了本次设置，设置失败！");
    p.log.clear();
    EXPECT_FALSE(UpdateInfoWindow("00000226120708051", "00000123", p.Make()));
    EXPECT_EQ(p.log.back(), "两次输入的ID不一样，设置失败！");
    p.again.reset();
    p.log.clear();
    EXPECT_FALSE(UpdateInfoWindow("0000022612070805", "00000123", p.Make()));
    EXPECT_EQ(p.log.back(), "您已经取消了本次设置，设置失败！");

    HardwareInfoBytes valid = Info({0, 0, 2, 26, 12, 7, 8, 5, 0, 0, 1, 23});
    platform::LocalTime t{2026, 1, 2};
    const InfoWindowSetup ro = SetUpInfoWindow(valid, t);
    EXPECT_FALSE(ro.editable);
    EXPECT_EQ(ro.firstLabel, "设备SN信息：");
    EXPECT_EQ(ro.firstText, "000002261207080500000123");
    valid.fill(0xFF);
    const InfoWindowSetup rw = SetUpInfoWindow(valid, t);
    EXPECT_TRUE(rw.editable);
    EXPECT_EQ(rw.firstLabel, "时间序列(如有需要请更改)：");
    EXPECT_EQ(rw.firstText, "0000022601020000");
}

// The sequence with a scripted operator; the parameter reply "arrives" during the wait.
struct SequenceFixture : HardwareIdOperator {
    engine_test::Harness h;
    std::optional<HardwareInfoBytes> relayInfo;
    std::optional<std::string> typed;
    std::vector<std::string> informed;
    int windows = 0;
    std::function<void()> afterReply;  // runs once inside the wait, after the reply arrived

    void Inform(const std::string& t) override { informed.push_back(t); }
    void WaitForParameterReply() override {
        std::uint8_t out[256];
        const std::size_t n = h.state.commandSlot.Take(out);
        EXPECT_EQ(n, 8u);
        EXPECT_EQ(out[1], 3);
        if (relayInfo) h.state.hardwareInfo.Set(relayInfo->data());
        if (afterReply) std::exchange(afterReply, nullptr)();
    }
    std::optional<std::string> RunInfoWindow(const HardwareInfoBytes&) override {
        ++windows;
        return typed;
    }
    std::vector<std::string> Run() {
        RunHardwareIdSequence(h.ctx, *this);
        return h.logs;
    }
};

TEST(HardwareIdSequence, OutcomesAreLogged) {
    {
        SequenceFixture f;
        EXPECT_EQ(f.Run(), std::vector<std::string>{"读取设备硬件信息失败！"});
        EXPECT_EQ(f.informed, std::vector<std::string>{"通讯错误，暂时不能上装ID！"});
        EXPECT_EQ(f.windows, 0);
    }
    {
        SequenceFixture f;
        f.h.state.commOk = true;
        f.relayInfo = Info({0, 0, 2, 26, 12, 7, 8, 5, 0, 0, 1, 23});
        EXPECT_EQ(f.Run(), std::vector<std::string>{"您已经取消了本次设置，设置失败！"});
        EXPECT_TRUE(f.informed.empty());
    }
    {
        // CRC right, fields implausible: the window opens, the write is refused.
        SequenceFixture f;
        f.relayInfo = Info({9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9});
        f.typed = "000002261207080500000123";
        EXPECT_EQ(f.Run(), std::vector<std::string>{"原硬件信息ID为有效ID，不能更改！"});
        EXPECT_TRUE(f.h.state.commandSlot.Empty());
    }
    for (const auto& [text, log] : std::vector<std::pair<std::string, std::string>>{
             {"000002261207080", "硬件信息ID长度错误，请输入正确的ID！"},
             {"000002131207080500000123", "ID格式错误，请输入正确的ID！"},
             {"00000226120708050000012x", "ID格式错误，请输入正确的ID！"}}) {
        SequenceFixture f;
        f.relayInfo.emplace();
        f.relayInfo->fill(0);  // CRC wrong: not protected
        f.typed = text;
        EXPECT_EQ(f.Run(), std::vector<std::string>{log}) << text;
        EXPECT_TRUE(f.h.state.commandSlot.Empty());
    }
}

TEST(HardwareIdSequence, AStartFromWithinTheWaitDoesNothing) {
    SequenceFixture f;
    f.relayInfo = Info({0, 0, 2, 26, 12, 7, 8, 5, 0, 0, 1, 23});
    // 版本信息 pressed again while the first pass waits: no second read, no refill, no second window.
    f.afterReply = [&] { RunHardwareIdSequence(f.h.ctx, f); };
    EXPECT_EQ(f.Run(), std::vector<std::string>{"您已经取消了本次设置，设置失败！"});
    EXPECT_EQ(f.windows, 1);
    EXPECT_TRUE(f.h.state.commandSlot.Empty());
    // Once the pass has ended the button works again.
    f.h.logs.clear();
    EXPECT_EQ(f.Run(), std::vector<std::string>{"您已经取消了本次设置，设置失败！"});
    EXPECT_EQ(f.windows, 2);
}

TEST(HardwareIdSequence, WriteCarriesTheIdAndBothCrcs) {
    SequenceFixture f;
    f.relayInfo.emplace();
    f.relayInfo->fill(0);
    f.typed = "000002261207080500000123";
    EXPECT_EQ(f.Run(), std::vector<std::string>{"正在下载设备硬件信息..."});
    std::uint8_t out[256];
    const std::size_t n = f.h.state.commandSlot.Take(out);
    const std::size_t number = f.h.param->Number;
    ASSERT_EQ(n, 2 * number + 9);
    EXPECT_EQ(out[1], 16);
    EXPECT_EQ(out[6], 2 * number);
    const HardwareInfoBytes expected = Info({0, 0, 2, 26, 12, 7, 8, 5, 0, 0, 1, 23});
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), out + 7 + 42));
    EXPECT_TRUE(modbus::CheckCrc16(out + 49, 12));
    EXPECT_EQ(modbus::Crc16(out, n - 2), out[n - 2] | (out[n - 1] << 8));
    EXPECT_EQ(f.h.state.hardwareInfo.Get(), expected);
}

TEST(HardwareIdSequence, BlockTooSmallOrTooLargeSendsNothing) {
    for (std::uint16_t number : {std::uint16_t{27}, std::uint16_t{124}}) {
        engine_test::Harness h;
        h.param->Number = number;
        EXPECT_FALSE(QueueHardwareIdWrite(h.ctx, Info({0, 0, 2, 26, 1, 1, 1, 1, 0, 0, 0, 1})));
        EXPECT_EQ(h.logs, std::vector<std::string>{"参数个数不符，无法下载设备硬件信息!"});
        EXPECT_TRUE(h.state.commandSlot.Empty());
    }
    engine_test::Harness h;
    h.param->Number = 28;
    EXPECT_TRUE(QueueHardwareIdWrite(h.ctx, Info({0, 0, 2, 26, 1, 1, 1, 1, 0, 0, 0, 1})));
    EXPECT_EQ(h.state.commandSlot.Length(), 65);
}

}  // namespace
}  // namespace ui
