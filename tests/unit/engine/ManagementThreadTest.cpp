#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "EngineHarness.h"
#include "engine/BlockTransfer.h"
#include "engine/DeviceOperations.h"
#include "engine/ResponseDispatch.h"
#include "modbus/Requests.h"
#include "trend/TrendStore.h"

namespace engine_test {
namespace {

using engine::CommandRow;

CommandRow Dispatch(Harness& h, const Bytes& r, const Bytes& sent = {}) {
    return engine::DispatchCommandResponse(h.ctx, sent, r.data(), r.size());
}

Bytes Coil(std::uint8_t coil, std::uint8_t value) {
    return WithCrc({1, 5, 0, coil, value, 0});
}

TEST(CommandDispatch, WriteEchoesLogTheirTextOnceWithTheirSound) {
    Harness h;
    EXPECT_EQ(Dispatch(h, WithCrc({1, 16, 0, 0, 0, 6})), CommandRow::ClockSet);
    // The same clock write echoed with another start is not a clock set.
    EXPECT_EQ(Dispatch(h, WithCrc({1, 16, 0, 1, 0, 6})), CommandRow::None);
    EXPECT_EQ(Dispatch(h, WithCrc({1, 16, 0, 0x64, 0, 64})), CommandRow::ParamDownload);
    EXPECT_EQ(Dispatch(h, WithCrc({1, 16, 0, 0xC8, 0, 30})), CommandRow::SettingDownload);
    EXPECT_EQ(Dispatch(h, WithCrc({1, 16, 0, 0xC8, 0, 31})), CommandRow::None);
    EXPECT_EQ(Dispatch(h, Coil(11, 0xFF)), CommandRow::SignalReset);
    EXPECT_EQ(h.logs,
              (std::vector<std::string>{"校时成功!", "下载所有参数成功!", "下载所有定值成功!", "复归成功!"}));
    EXPECT_EQ(h.sounds,
              (std::vector<std::string>{"IDR_WAVE_YK", "IDR_WAVE_HOVER", "IDR_WAVE_HOVER", "IDR_WAVE_YK"}));
}

TEST(CommandDispatch, OneRegisterEchoFollowsWheelAndCalibrationState) {
    Harness h;
    const Bytes echo = WithCrc({1, 16, 0, 130, 0, 1});
    h.state.wheelAdjustPending = true;
    EXPECT_EQ(Dispatch(h, echo), CommandRow::OneRegisterWrite);
    EXPECT_TRUE(h.logs.empty());  // swallowed once
    EXPECT_FALSE(h.state.wheelAdjustPending);
    h.state.deferredCalibration.Park(modbus::BuildCalibrationWrite1(1, 130, 1024), 5.2f, 0);
    Dispatch(h, echo);
    Dispatch(h, echo);  // still parked: the first step's echo again
    h.state.deferredCalibration.Clear();
    Dispatch(h, echo);
    EXPECT_EQ(h.logs, (std::vector<std::string>{"下载遥测检验默认参数成功!", "下载遥测检验默认参数成功!",
                                                "下载遥测检验设定参数成功!"}));
    EXPECT_EQ(h.sleptMs, 3 * 600);
}

TEST(CommandDispatch, RemoteControlEchoesInBothControlModes) {
    struct Row {
        std::uint8_t coil, value;
        std::uint16_t mode;
        CommandRow row;
        const char* text;
    };
    const Row rows[] = {
        {0, 0xFF, 0, CommandRow::CloseHigh, "高压侧合闸成功!"},
        {0, 0xFF, 1, CommandRow::CloseHigh, "高压侧合闸成功!"},
        {2, 0xFF, 0, CommandRow::OpenHigh, "高压侧分闸成功!"},
        {0, 0x00, 1, CommandRow::OpenHigh, "高压侧分闸成功!"},
        {3, 0xFF, 0, CommandRow::CloseLow1, "1#低压侧合闸成功!"},
        {1, 0xFF, 1, CommandRow::CloseLow1, "1#低压侧合闸成功!"},
        {4, 0xFF, 0, CommandRow::OpenLow1, "1#低压侧分闸成功!"},
        {1, 0x00, 1, CommandRow::OpenLow1, "1#低压侧分闸成功!"},
        {13, 0xFF, 0, CommandRow::CloseLow2, "2#低压侧合闸成功!"},
        {2, 0xFF, 1, CommandRow::CloseLow2, "2#低压侧合闸成功!"},
        {14, 0xFF, 0, CommandRow::OpenLow2, "2#低压侧分闸成功!"},
        {2, 0x00, 1, CommandRow::OpenLow2, "2#低压侧分闸成功!"},
    };
    for (const Row& row : rows) {
        Harness h;
        h.state.deviceVersion = 163;
        h.param->RawValue[50] = row.mode;
        EXPECT_EQ(Dispatch(h, Coil(row.coil, row.value)), row.row) << int(row.coil) << " mode " << row.mode;
        EXPECT_EQ(h.logs, std::vector<std::string>{row.text});
        EXPECT_EQ(h.sounds, std::vector<std::string>{"IDR_WAVE_YK"});
    }
    // Unknown mode (parameters never read), a value that is neither on nor off, a short echo: nothing.
    Harness h;
    h.state.deviceVersion = 163;
    h.param->RawValue[50] = 0xFFFF;
    EXPECT_EQ(Dispatch(h, Coil(0, 0xFF)), CommandRow::UnnamedRemoteControl);
    h.param->RawValue[50] = 1;
    EXPECT_EQ(Dispatch(h, Coil(0, 0x12)), CommandRow::None);
    EXPECT_EQ(Dispatch(h, Bytes{1, 5, 0, 0, 0xFF}), CommandRow::None);
    EXPECT_EQ(Dispatch(h, Bytes{1, 16, 0, 0}), CommandRow::None);
    EXPECT_TRUE(h.logs.empty());
}

TEST(CommandDispatch, BlockUploadsAndEventBatches) {
    Harness h;
    Bytes params{1, 3, 128};
    params.resize(3 + 128, 0);
    params = WithCrc(params);
    EXPECT_EQ(Dispatch(h, params, *modbus::BuildBlockReadRequest(1, 100, 64)), CommandRow::ParamUpload);
    Bytes settings{1, 3, 60};
    settings.resize(3 + 60, 0);
    EXPECT_EQ(Dispatch(h, WithCrc(settings), *modbus::BuildBlockReadRequest(1, 200, 30)),
              CommandRow::SettingUpload);
    h.events.counter = 19;
    Bytes batch{1, 17, 200};
    batch.resize(205, 0);
    EXPECT_EQ(Dispatch(h, batch, *modbus::BuildEventBatchRequest(1, 19)), CommandRow::EventBatch);
    EXPECT_EQ(h.logs, (std::vector<std::string>{"上装所有参数成功!", "上装所有定值成功!",
                                                "分批上装事件记录成功：500/500"}));

    // Equal Numbers: the setting upload answer is taken for the parameter block.
    Harness same;
    same.setting->Number = 64;
    Bytes block{1, 3, 128};
    block.resize(3 + 128, 0);
    EXPECT_EQ(Dispatch(same, WithCrc(block), *modbus::BuildBlockReadRequest(1, 200, 64)),
              CommandRow::ParamUpload);
}

TEST(CommandTransaction, UnansweredCommandTextComesFromTheSlotAtTimeOut) {
    Harness h;
    h.state.commandSlot.Put(*modbus::BuildBlockReadRequest(1, 200, 30));
    ASSERT_TRUE(h.thread.RunPass());
    EXPECT_EQ(h.logs, std::vector<std::string>{"上装定值失败!"});
    EXPECT_EQ(h.sleptMs, 2000);
    // A parameter read queued while the setting read waited decides the text.
    h.logs.clear();
    h.transport.responder = [&](const Bytes&) -> std::optional<Bytes> {
        h.state.commandSlot.Put(*modbus::BuildBlockReadRequest(1, 100, 64));
        return std::nullopt;
    };
    h.state.commandSlot.Put(modbus::BuildSignalResetRequest(1));
    h.thread.RunPass();
    EXPECT_EQ(h.logs, std::vector<std::string>{"上装参数失败!"});

    Harness same;
    same.setting->Number = 64;
    same.state.commandSlot.Put(*modbus::BuildBlockReadRequest(1, 200, 64));
    same.thread.RunPass();
    EXPECT_EQ(same.logs, std::vector<std::string>{"上装参数失败!"});
}

// What the relay's answer to a command can turn into on a noisy line: each command still gets exactly one
// outcome line, and nothing cut, corrupted or foreign fills a table that is later written back.
TEST(CommandTransaction, UnrecognisedAnswersGetTheFailureLineAndStoreNothing) {
    Bytes settings{1, 3, 60};
    for (int i = 0; i < 30; ++i) {
        settings.push_back(0x12);
        settings.push_back(static_cast<std::uint8_t>(i));
    }
    settings = WithCrc(settings);
    Bytes wrongCrc = settings;
    wrongCrc.back() ^= 0x01;
    Bytes foreign = settings;
    foreign[0] = 2;
    foreign = WithCrc(Bytes(foreign.begin(), foreign.end() - 2));
    const Bytes cut(settings.begin(), settings.begin() + 31);  // the first half of a reply split by a pause
    Bytes exception = WithCrc({1, 0x83, 2});
    for (const Bytes& answer : {cut, wrongCrc, foreign, exception}) {
        Harness h;
        h.transport.responder = [&](const Bytes&) { return answer; };
        h.state.commandSlot.Put(*modbus::BuildBlockReadRequest(1, 200, 30));
        ASSERT_TRUE(h.thread.RunPass());
        EXPECT_EQ(h.logs, std::vector<std::string>{"上装定值失败!"}) << answer.size();
        EXPECT_EQ(h.setting->RawValue[1], config::kRawNone) << "the table was filled from a bad answer";
        EXPECT_TRUE(h.state.commOk) << "a frame did arrive";
    }
    // The whole answer is stored and reported once.
    Harness good;
    good.transport.responder = [&](const Bytes&) { return settings; };
    good.state.commandSlot.Put(*modbus::BuildBlockReadRequest(1, 200, 30));
    good.thread.RunPass();
    EXPECT_EQ(good.logs, std::vector<std::string>{"上装所有定值成功!"});
    EXPECT_EQ(good.setting->RawValue[1], 0x1201);

    // A garbled clock-set echo, and an event batch cut short: one failure line each, no success, and the
    // cut batch requests no further batch.
    Harness h;
    Bytes answer = {1, 16, 0};
    h.transport.responder = [&](const Bytes&) { return answer; };
    h.state.commandSlot.Put(modbus::BuildClockSetRequest(1, 0, {2026, 12, 9, 23, 59, 59, 0, 3}));
    h.thread.RunPass();
    h.events.counter = 3;
    answer.assign({1, 17, 200, 0, 0});
    h.state.commandSlot.Put(*modbus::BuildEventBatchRequest(1, 3));
    h.thread.RunPass();
    EXPECT_EQ(h.logs, (std::vector<std::string>{"操作失败!", "操作失败!"}));
    EXPECT_EQ(h.events.counter, 3u);

    // The echo of a Ctrl+wheel write of three coefficients matches no row and is no failure.
    h.logs.clear();
    answer = WithCrc({1, 16, 0, 130, 0, 3});
    h.state.commandSlot.Put(modbus::BuildCalibrationWrite3(1, 130, {1032, 1034, 1034}),
                            engine::kWheelWriteTag);
    h.thread.RunPass();
    EXPECT_TRUE(h.logs.empty());
}

// Each answer is judged against the frame that was sent, not against what the slot or the address box hold
// by the time it arrives: an echo of the write is its outcome (silent where no text announces it), the
// failure line names the command sent, and a block is taken only from the relay it was asked of.
TEST(CommandTransaction, AnswersAreJudgedAgainstTheFrameSent) {
    const Bytes clockAt5 = modbus::BuildClockSetRequest(1, 5, {2026, 12, 9, 8, 5, 9, 0, 3});
    const auto echoOf = [](const Bytes& sent) { return WithCrc(Bytes(sent.begin(), sent.begin() + 6)); };
    Bytes badCrc = echoOf(clockAt5);
    badCrc.back() ^= 0x01;
    Bytes params{1, 3, 128};
    params.resize(3 + 128, 0x11);
    const Bytes paramsFrom1 = WithCrc(params);
    params[0] = 5;
    const Bytes paramsFrom5 = WithCrc(params);
    const Bytes paramRead = *modbus::BuildBlockReadRequest(1, 100, 64);
    const Bytes reset = modbus::BuildSignalResetRequest(1);
    struct Case {
        const char* what;
        std::function<void(Harness&)> queue;
        // The relay's answer to the frame sent; it may first act as the operator does meanwhile.
        std::function<std::optional<Bytes>(Harness&, const Bytes& sent)> answer;
        std::vector<std::string> logs;
    };
    const auto put = [](Bytes frame) { return [frame](Harness& h) { h.state.commandSlot.Put(frame); }; };
    const auto reply = [](Bytes r) {
        return [r](Harness&, const Bytes&) { return std::optional<Bytes>(r); };
    };
    const Case cases[] = {
        {"clock set at TimePost 5, echoed", put(clockAt5), reply(echoOf(clockAt5)), {}},
        {"parameter download at Start 300, echoed",
         [](Harness& h) {
             h.param->Start = 300;
             engine::DownloadParameters(h.ctx);
         },
         [&](Harness&, const Bytes& sent) { return std::optional<Bytes>(echoOf(sent)); },
         {}},
        {"clock set at TimePost 5, refused", put(clockAt5), reply(WithCrc({1, 0x90, 3})), {"操作失败!"}},
        {"clock set echo with a bad CRC", put(clockAt5), reply(badCrc), {"操作失败!"}},
        {"clock set echo cut after its quantity",
         put(clockAt5),
         reply(Bytes(clockAt5.begin(), clockAt5.begin() + 6)),
         {"操作失败!"}},
        {"clock set echo of another quantity",
         put(clockAt5),
         reply(WithCrc({1, 16, 0, 5, 0, 5})),
         {"操作失败!"}},
        {"clock set echo from another address",
         put(clockAt5),
         reply(WithCrc({2, 16, 0, 5, 0, 6})),
         {"操作失败!"}},
        {"refused signal reset, a parameter read queued behind it",
         put(reset),
         [](Harness& h, const Bytes&) {
             engine::UploadParameters(h.ctx);
             return std::optional<Bytes>(WithCrc({1, 0x85, 2}));
         },
         {"操作失败!"}},
        {"garbled parameter read, a signal reset queued behind it",
         put(paramRead),
         [reset](Harness& h, const Bytes&) {
             h.state.commandSlot.Put(reset);
             return std::optional<Bytes>(Bytes{1, 3});
         },
         {"上装参数失败!"}},
        {"parameter read answered after the address box changed",
         put(paramRead),
         [&](Harness& h, const Bytes&) {
             h.state.SetDeviceAddress(5);
             return std::optional<Bytes>(paramsFrom1);
         },
         {"上装所有参数成功!"}},
        {"parameter read answered from the address typed meanwhile",
         put(paramRead),
         [&](Harness& h, const Bytes&) {
             h.state.SetDeviceAddress(5);
             return std::optional<Bytes>(paramsFrom5);
         },
         {"上装参数失败!"}},
    };
    for (const Case& c : cases) {
        Harness h;
        c.queue(h);
        h.transport.responder = [&](const Bytes& sent) { return c.answer(h, sent); };
        ASSERT_TRUE(h.thread.RunPass());
        EXPECT_EQ(h.logs, c.logs) << c.what;
    }
}

// A wheel write the relay refused leaves the table's copy of the coefficient ahead of the relay: the operator
// is told, and the parameters are read again so the copy follows the relay. Its echoes stay silent.
TEST(CommandTransaction, RefusedWheelWriteIsReportedAndTheCoefficientsReadAgain) {
    const Bytes one = modbus::BuildCalibrationWrite1(1, 130, 1054);
    const Bytes three = modbus::BuildCalibrationWrite3(1, 130, {1032, 1034, 1034});
    struct Case {
        const char* what;
        Bytes write, answer;
        std::vector<std::string> logs;
        bool readAgain;
    };
    const Case cases[] = {
        {"exception", one, WithCrc({1, 0x90, 2}), {"操作失败!"}, true},
        {"garbled", three, Bytes{1, 16, 0}, {"操作失败!"}, true},
        {"one-register echo", one, WithCrc({1, 16, 0, 130, 0, 1}), {}, false},
        {"three-register echo", three, WithCrc({1, 16, 0, 130, 0, 3}), {}, false},
    };
    for (const Case& c : cases) {
        Harness h;
        h.transport.responder = [&](const Bytes&) { return c.answer; };
        h.state.commandSlot.Put(c.write, engine::kWheelWriteTag);
        h.thread.RunPass();
        EXPECT_EQ(h.logs, c.logs) << c.what;
        const auto slot = h.state.commandSlot.Bytes();
        const Bytes queued(slot.begin(), slot.begin() + h.state.commandSlot.Length());
        EXPECT_EQ(queued, c.readAgain ? *modbus::BuildBlockReadRequest(1, 100, 64) : Bytes{}) << c.what;
    }
}

TEST(PollTransaction, ElevenMissesClearCommOkAndOneAnswerSetsItBack) {
    Harness h;
    for (int i = 0; i < 10; ++i) h.thread.RunPass();
    h.state.commOk = true;  // as after an earlier answer: ten misses keep it
    h.thread.RunPass();
    EXPECT_FALSE(h.state.commOk);
    EXPECT_EQ(h.Count("轮循回复超时!"), 11);
    EXPECT_EQ(h.view.deviceTimes, std::vector<std::string>{"通讯中断"});  // unchanged text not pushed again
    std::vector<std::uint16_t> regs(60, 0);
    h.transport.responder = [&](const Bytes&) { return Harness::PollAnswer(1, regs); };
    h.thread.RunPass();
    EXPECT_TRUE(h.state.commOk);
    EXPECT_EQ(h.decoded.size(), 1u);
    // The first poll request went out for AskNumber registers from 0.
    EXPECT_EQ(h.transport.sent[0], modbus::BuildPollRequest(1, 60));
}

TEST(PollTransaction, MalformedAnswersAreLoggedAndNotDecoded) {
    Harness h;
    std::vector<std::uint16_t> regs(60, 0);
    Bytes answer;
    h.transport.responder = [&](const Bytes&) { return answer; };
    answer = Harness::PollAnswer(2, regs);
    h.thread.RunPass();
    answer = Harness::PollAnswer(1, regs);
    answer.resize(answer.size() - 3);
    h.thread.RunPass();
    answer = Harness::PollAnswer(1, regs);
    answer.back() ^= 0x55;
    h.thread.RunPass();
    EXPECT_EQ(h.logs,
              (std::vector<std::string>{"轮循过程收到报文头错误的报文!", "轮循过程收到长度太短的报文!",
                                        "轮循过程收到CRC错误的报文!"}));
    EXPECT_TRUE(h.decoded.empty());
    EXPECT_TRUE(h.state.commOk);  // a frame did arrive
}

TEST(PollTransaction, RingIndicesQueueTheSoeRead) {
    Harness h;
    std::vector<std::uint16_t> regs(60, 0);
    h.transport.responder = [&](const Bytes&) { return Harness::PollAnswer(1, regs); };
    regs[6] = 0x0202;  // equal
    h.thread.RunPass();
    EXPECT_TRUE(h.state.soeSlot.Empty());
    regs[6] = 0x1403;  // write index 20 is outside the ring
    h.thread.RunPass();
    EXPECT_TRUE(h.state.soeSlot.Empty());
    regs[6] = 0x0212;  // write 2, read 18: records 18, 19, 0, 1
    h.thread.RunPass();
    ASSERT_EQ(h.state.soeSlot.Length(), 8);
    const auto slot = h.state.soeSlot.Bytes();
    EXPECT_EQ(Bytes(slot.begin(), slot.begin() + 8), modbus::BuildSoeReadRequest(1, 18, 4));
    EXPECT_EQ(slot[2] * 256 + slot[3], 590);
    EXPECT_EQ(slot[4] * 256 + slot[5], 20);
    // A poll too short to hold register 6 queues nothing.
    Harness s;
    s.transport.responder = [&](const Bytes&) { return Harness::PollAnswer(1, {0, 0, 0, 0, 0, 0}); };
    s.thread.RunPass();
    EXPECT_TRUE(s.state.soeSlot.Empty());
}

TEST(SoeTransaction, RecordsAreLoggedWithTheirSignalName) {
    Harness h;
    const Bytes record{9, 0, 0x01, 0x02, 5, 4, 3, 2, 1, 24};  // code 9, 258 ms, 24-01-02 03:04:05
    Bytes answer{1, 3, 20};
    answer.insert(answer.end(), record.begin(), record.end());
    answer.insert(answer.end(), {200, 0, 0, 0, 0, 0, 0, 0, 0, 0});  // code 200 is not logged
    h.state.soeSlot.Put(modbus::BuildSoeReadRequest(1, 0, 2));
    h.transport.responder = [&](const Bytes&) { return WithCrc(answer); };
    h.thread.RunPass();
    EXPECT_EQ(h.logs, std::vector<std::string>{"SOE发生：事故总信号，24-01-02 03:04:05_258"});

    // Byte count 180 is ignored; a byte count beyond the bytes received walks only complete records.
    h.logs.clear();
    Bytes full{1, 3, 180};
    full.resize(183, 0);
    full[3] = 9;
    h.state.soeSlot.Put(modbus::BuildSoeReadRequest(1, 0, 18));
    h.transport.responder = [&](const Bytes&) { return WithCrc(full); };
    h.thread.RunPass();
    Bytes cut{1, 3, 250};
    cut.insert(cut.end(), record.begin(), record.end());
    cut.insert(cut.end(), {9, 0, 0});
    h.state.soeSlot.Put(modbus::BuildSoeReadRequest(1, 0, 18));
    h.transport.responder = [&](const Bytes&) { return cut; };
    h.thread.RunPass();
    EXPECT_EQ(h.logs, std::vector<std::string>{"SOE发生：事故总信号，24-01-02 03:04:05_258"});
}

TEST(AddressSearch, AdoptsOnlyValidAddresses) {
    Harness h;
    auto search = [&](Bytes answer) {
        h.state.addressSearchSlot.Put(modbus::BuildAddressSearchRequest());
        h.transport.responder = [answer](const Bytes&) { return answer; };
        h.thread.RunPass();
    };
    search(WithCrc({0xFE, 3, 2, 0, 1}));  // already the address: nothing
    search(WithCrc({0xFE, 3, 2, 0, 0}));
    search(WithCrc({0xFE, 3, 2, 0, 248}));
    EXPECT_EQ(h.state.DeviceAddress(), 1);
    search(WithCrc({0xFE, 3, 2, 0, 17}));
    EXPECT_EQ(h.state.DeviceAddress(), 17);
    EXPECT_EQ(h.view.addresses, std::vector<std::string>{"17"});
    Bytes bad = WithCrc({0xFE, 3, 2, 0, 9});
    bad[5] ^= 1;
    search(bad);
    search(Bytes{0xFE, 3, 40, 0, 9});  // shorter than its byte count claims
    EXPECT_EQ(h.logs, (std::vector<std::string>{"寻找地址成功，地址为：17", "寻找地址收到CRC错误的报文!",
                                                "寻找地址收到CRC错误的报文!"}));
    EXPECT_EQ(h.state.DeviceAddress(), 17);
    EXPECT_EQ(h.transport.sent.back()[0], 0xFE);
}

TEST(DeferredCalibration, SecondStepFollowsTheEchoOfTheFirst) {
    Harness h;
    std::vector<std::uint16_t> regs(60, 0);
    const Bytes poll = Harness::PollAnswer(1, regs);
    h.ctx.decodePoll = [&](const std::uint8_t*, std::size_t) { h.yc->Value[0] = 4.9f; };
    h.state.deferredCalibration.Park(modbus::BuildCalibrationWrite1(1, 130, 1000), 5.2f, 0);
    h.state.commandSlot.Put(modbus::BuildCalibrationWrite1(1, 130, 1024));
    bool echo = true;
    h.transport.responder = [&](const Bytes& sent) -> std::optional<Bytes> {
        if (sent[1] == 16) return echo ? std::optional<Bytes>(WithCrc({1, 16, 0, 130, 0, 1})) : std::nullopt;
        return poll;
    };
    h.thread.RunPass();  // step 1 and its echo
    EXPECT_TRUE(h.state.commandSlot.Empty());
    h.thread.RunPass();  // good poll: step 2 released with the coefficient of the new reading
    ASSERT_EQ(h.state.commandSlot.Length(), 11);
    const auto slot = h.state.commandSlot.Bytes();
    EXPECT_EQ(Bytes(slot.begin(), slot.begin() + 11), modbus::BuildCalibrationWrite1(1, 130, 1086));
    EXPECT_FALSE(h.state.deferredCalibration.Occupied());
    EXPECT_EQ(h.logs.back(), "正在下载设定参数：高压侧A相电流(A) ...");
    h.thread.RunPass();
    EXPECT_EQ(h.logs.back(), "下载遥测检验设定参数成功!");

    // Without the first step's echo nothing is released, and the miss empties the parked step.
    h.logs.clear();
    echo = false;
    h.state.deferredCalibration.Park(modbus::BuildCalibrationWrite1(1, 130, 1000), 5.2f, 0);
    h.thread.RunPass();  // a poll before step 1 was echoed
    EXPECT_TRUE(h.state.commandSlot.Empty());
    h.state.commandSlot.Put(modbus::BuildCalibrationWrite1(1, 130, 1024));
    h.thread.RunPass();
    EXPECT_EQ(h.logs, (std::vector<std::string>{"操作失败!", "下载遥测检验设定参数失败!"}));
    EXPECT_FALSE(h.state.deferredCalibration.Occupied());
}

TEST(DeferredCalibration, WheelTagSwallowsOnlyTheEchoOfItsOwnWrite) {
    Harness h;
    const Bytes step1 = modbus::BuildCalibrationWrite1(1, 130, 1024);
    const Bytes parked = modbus::BuildCalibrationWrite1(1, 130, 1000);
    bool answerWrites = true;
    h.transport.responder = [&](const Bytes& sent) -> std::optional<Bytes> {
        if (sent[1] == 16 && answerWrites) return WithCrc({1, 16, sent[2], sent[3], 0, 1});
        return std::nullopt;
    };
    const auto clickCalibration = [&] {
        h.logs.clear();
        h.state.commandSlot.Put(step1);
        h.state.deferredCalibration.Park(parked, 5.2f, 0);
        h.thread.RunPass();
        const auto snapshot = h.state.deferredCalibration.Snapshot();
        EXPECT_TRUE(snapshot && snapshot->firstStepEchoed);
        EXPECT_EQ(h.logs, std::vector<std::string>{"下载遥测检验默认参数成功!"});
        h.state.deferredCalibration.Clear();
    };

    // A wheel write replaced in the slot before it went out (the second notch at the limit queues an
    // upload): the upload goes unanswered, and the click calibration after it is reported and kept.
    h.state.commandSlot.Put(modbus::BuildCalibrationWrite1(1, 130, 1054), engine::kWheelWriteTag);
    engine::UploadParameters(h.ctx);
    h.thread.RunPass();
    EXPECT_EQ(h.logs, std::vector<std::string>{"上装参数失败!"});
    clickCalibration();

    // A wheel write that goes out unanswered.
    answerWrites = false;
    h.state.commandSlot.Put(modbus::BuildCalibrationWrite1(1, 130, 1054), engine::kWheelWriteTag);
    h.thread.RunPass();
    answerWrites = true;
    clickCalibration();

    // A wheel write that is echoed: that echo alone is swallowed.
    h.logs.clear();
    h.state.commandSlot.Put(modbus::BuildCalibrationWrite1(1, 130, 1054), engine::kWheelWriteTag);
    h.thread.RunPass();
    EXPECT_TRUE(h.logs.empty());
    EXPECT_FALSE(h.state.wheelAdjustPending.load());
    clickCalibration();

    // A first step replaced before it went out ends the calibration with a word, not silently.
    h.logs.clear();
    h.state.commandSlot.Put(step1);
    h.state.deferredCalibration.Park(parked, 5.2f, 0);
    engine::UploadParameters(h.ctx);
    h.thread.RunPass();
    EXPECT_FALSE(h.state.deferredCalibration.Occupied());
    EXPECT_EQ(h.logs, (std::vector<std::string>{"上装参数失败!", "下载遥测检验设定参数失败!"}));
}

TEST(DeferredCalibration, LostFirstStepDoesNotKeepOperationsBusy) {
    Harness h;
    const Bytes step1 = modbus::BuildCalibrationWrite1(1, 130, 1024);
    const Bytes parked = modbus::BuildCalibrationWrite1(1, 130, 1000);
    // The relay refuses the first step with an exception answer: the parked step goes, operations go on.
    h.transport.responder = [](const Bytes&) { return WithCrc({1, 0x90, 2}); };
    h.state.commandSlot.Put(step1);
    h.state.deferredCalibration.Park(parked, 5.2f, 0);
    h.thread.RunPass();
    EXPECT_FALSE(h.state.deferredCalibration.Occupied());
    EXPECT_FALSE(engine::IsBusy(h.ctx));

    // A parameter upload replaced the first step before it went out: its answer ends the calibration too.
    h.transport.responder = [](const Bytes&) { return WithCrc({1, 3, 2, 0, 0}); };
    h.state.commandSlot.Put(step1);
    h.state.deferredCalibration.Park(parked, 5.2f, 0);
    engine::UploadParameters(h.ctx);
    h.thread.RunPass();
    EXPECT_FALSE(h.state.deferredCalibration.Occupied());

    // A calibration queued while an earlier command waits in vain keeps its second step for its own echo.
    h.logs.clear();
    h.transport.responder = [&](const Bytes& sent) -> std::optional<Bytes> {
        if (sent[1] == 5) {
            h.state.commandSlot.Put(step1);
            h.state.deferredCalibration.Park(parked, 5.2f, 0);
            return std::nullopt;
        }
        if (sent[1] == 16) return WithCrc({1, 16, 0, 130, 0, 1});
        return std::nullopt;
    };
    h.state.commandSlot.Put(modbus::BuildSignalResetRequest(1));
    h.thread.RunPass();
    EXPECT_TRUE(h.state.deferredCalibration.Occupied());
    h.thread.RunPass();
    ASSERT_TRUE(h.state.deferredCalibration.Snapshot());
    EXPECT_TRUE(h.state.deferredCalibration.Snapshot()->firstStepEchoed);
    EXPECT_EQ(h.logs, (std::vector<std::string>{"操作失败!", "下载遥测检验默认参数成功!"}));
}

TEST(DeferredCalibration, CoefficientOutOfRangeIsNotSent) {
    for (float reading : {0.0f, 65535.0f, -3.0f, 1e-6f}) {
        Harness h;
        h.ctx.decodePoll = [&](const std::uint8_t*, std::size_t) { h.yc->Value[0] = reading; };
        h.transport.responder = [&](const Bytes&) {
            return Harness::PollAnswer(1, std::vector<std::uint16_t>(60));
        };
        h.state.deferredCalibration.Park(modbus::BuildCalibrationWrite1(1, 130, 1000), 5.2f, 0);
        h.state.deferredCalibration.MarkFirstStepEchoed();
        h.thread.RunPass();
        EXPECT_TRUE(h.state.commandSlot.Empty()) << reading;
        EXPECT_FALSE(h.state.deferredCalibration.Occupied());
        EXPECT_EQ(h.logs, std::vector<std::string>{"下载参数失败：校正系数超出范围!"});
    }
}

TEST(LinkDisplay, PortErrorBlanksOnceAndPushesNothingUnchanged) {
    Harness h;
    h.transport.ready = false;
    h.yc->ShownValue[3] = 12.5f;
    h.yx->PrevState[2] = 1;
    for (int i = 0; i < 50; ++i) h.thread.RunPass();
    EXPECT_EQ(h.view.deviceTimes, std::vector<std::string>{"串口错误"});
    EXPECT_EQ(h.view.ycWrites[3], std::vector<std::string>{""});
    EXPECT_EQ(h.view.yxWrites[2], std::vector<std::string>{""});
    EXPECT_EQ(h.view.pcTimes.size(), 1u);
    EXPECT_EQ(h.yx->State[2], config::kStateLinkFault);
    EXPECT_EQ(h.yc->Value[3], config::kValueNone);
    EXPECT_TRUE(h.transport.sent.empty());
    // After a decoded poll the device-time box was rewritten: the link text is shown again.
    h.transport.ready = true;
    h.transport.responder = [&](const Bytes&) {
        return Harness::PollAnswer(1, std::vector<std::uint16_t>(60));
    };
    h.thread.RunPass();
    h.transport.ready = false;
    h.thread.RunPass();
    EXPECT_EQ(h.view.deviceTimes, (std::vector<std::string>{"串口错误", "串口错误"}));
}

TEST(TrendRecording, ALinkFaultIsOneGapAndAnSoeRecordAMarkWithTheLoggedText) {
    Harness h;
    trend::TrendStore store;
    h.ctx.trend = &store;
    h.transport.ready = false;
    for (int i = 0; i < 5; ++i) h.thread.RunPass();
    const std::optional<trend::TimeRange> held = store.Held();
    ASSERT_TRUE(held);
    const auto samples = store.Copy(*held, 0);
    ASSERT_EQ(samples.size(), 1u);  // blanked once, recorded once
    EXPECT_TRUE(trend::IsGap(samples[0].value));

    h.transport.ready = true;
    const Bytes record{9, 0, 0x01, 0x02, 5, 4, 3, 2, 1, 24};
    Bytes answer{1, 3, 10};
    answer.insert(answer.end(), record.begin(), record.end());
    h.state.soeSlot.Put(modbus::BuildSoeReadRequest(1, 0, 1));
    h.transport.responder = [&](const Bytes&) { return WithCrc(answer); };
    h.thread.RunPass();
    const auto marks = store.Marks(trend::TimeRange{0, std::numeric_limits<std::int64_t>::max()});
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].text, "SOE发生：事故总信号，24-01-02 03:04:05_258");
    EXPECT_EQ(marks[0].text, h.logs.back());
}

TEST(LinkDisplay, LinkFaultBlanksAShownValueOf65535) {
    Harness h;
    // A 32-bit point whose words are 0x0000 0xFFFF shows "65535", the same number as the no-value marker.
    h.yc->Value[4] = 65535.0f;
    h.yc->ShownValue[4] = 65535.0f;
    h.transport.responder = [](const Bytes&) { return std::nullopt; };
    h.thread.RunPass();  // the poll goes unanswered
    EXPECT_EQ(h.view.ycWrites[4], std::vector<std::string>{""});
    EXPECT_EQ(h.yc->Value[4], config::kValueNone);
    // The field is marked blank with a marker no reading equals, so the next answer draws 65535 again.
    EXPECT_TRUE(std::isnan(h.yc->ShownValue[4]));
}

TEST(ManagementThreadSlots, CommandGoesBeforeSoeAndAddressSearchBeforePoll) {
    Harness h;
    h.state.addressSearchSlot.Put(modbus::BuildAddressSearchRequest());
    h.state.soeSlot.Put(modbus::BuildSoeReadRequest(1, 0, 1));
    h.state.commandSlot.Put(modbus::BuildSignalResetRequest(1));
    for (int i = 0; i < 4; ++i) h.thread.RunPass();
    ASSERT_EQ(h.transport.sent.size(), 4u);
    EXPECT_EQ(h.transport.sent[0], modbus::BuildSignalResetRequest(1));
    EXPECT_EQ(h.transport.sent[1], modbus::BuildSoeReadRequest(1, 0, 1));
    EXPECT_EQ(h.transport.sent[2], modbus::BuildAddressSearchRequest());
    EXPECT_EQ(h.transport.sent[3], modbus::BuildPollRequest(1, 60));
    // SOE reads and address searches are not counted as misses; the command and the poll are.
    h.state.networkMode = true;
    h.sleptMs = 0;
    h.thread.RunPass();
    EXPECT_EQ(h.sleptMs, 4000);  // a poll in network mode waits twice
    h.state.RequestClose();
    EXPECT_FALSE(h.thread.RunPass());
}

}  // namespace
}  // namespace engine_test
