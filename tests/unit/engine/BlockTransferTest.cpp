#include <gtest/gtest.h>

#include "EngineHarness.h"
#include "engine/BlockTransfer.h"
#include "modbus/Requests.h"

namespace engine_test {
namespace {

Bytes SlotFrame(Harness& h) {
    const auto bytes = h.state.commandSlot.Bytes();
    return Bytes(bytes.begin(), bytes.begin() + h.state.commandSlot.Length());
}

// A parameter upload answer of `count` registers holding `value(k)`.
Bytes Block(std::size_t count, const std::function<std::uint16_t(std::size_t)>& value) {
    Bytes b{1, 3, static_cast<std::uint8_t>(2 * count)};
    for (std::size_t k = 0; k < count; ++k) {
        b.push_back(static_cast<std::uint8_t>(value(k) >> 8));
        b.push_back(static_cast<std::uint8_t>(value(k) & 0xFF));
    }
    return WithCrc(b);
}

TEST(BlockTransfer, QueueOperationsOverwriteTheSlot) {
    Harness h;
    h.state.commandSlot.Put(modbus::BuildSignalResetRequest(1));
    ASSERT_TRUE(UploadParameters(h.ctx));
    EXPECT_EQ(SlotFrame(h), WithCrc({1, 3, 0, 100, 0, 64}));
    ASSERT_TRUE(UploadSettings(h.ctx));
    EXPECT_EQ(SlotFrame(h), WithCrc({1, 3, 0, 200, 0, 30}));
    for (std::size_t j = 0; j < 30; ++j) h.setting->RawValue[j] = static_cast<std::uint16_t>(j * 257);
    ASSERT_TRUE(DownloadSettings(h.ctx));
    const Bytes frame = SlotFrame(h);
    ASSERT_EQ(frame.size(), 9u + 60u);
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 7), (Bytes{1, 16, 0, 200, 0, 30, 60}));
    EXPECT_EQ(frame[7 + 2 * 3], 3);
    EXPECT_EQ(frame[8 + 2 * 3], 3);
    EXPECT_TRUE(modbus::CheckCrc16(frame.data(), frame.size() - 2));
}

TEST(BlockTransfer, BaudCodesRoundTripThroughUploadAndDownload) {
    Harness h;
    const Bytes answer = Block(64, [](std::size_t k) -> std::uint16_t {
        if (k == 4) return 8;
        if (k == 6) return 3;
        return static_cast<std::uint16_t>(k);
    });
    engine::ParseParameterBlock(h.ctx, answer.data(), answer.size());
    EXPECT_EQ(h.param->RawValue[4], 19200);
    EXPECT_EQ(h.param->RawValue[6], 9600);
    EXPECT_EQ(h.param->RawValue[50], 50);
    ASSERT_TRUE(DownloadParameters(h.ctx));
    const Bytes frame = SlotFrame(h);
    ASSERT_EQ(frame.size(), 9u + 128u);
    EXPECT_EQ(frame[7 + 8] * 256 + frame[8 + 8], 8);
    EXPECT_EQ(frame[7 + 12] * 256 + frame[8 + 12], 2);
    EXPECT_EQ(h.logs, std::vector<std::string>{"上装所有参数成功!"});
    EXPECT_EQ(h.sounds, std::vector<std::string>{"IDR_WAVE_HOVER"});
}

TEST(BlockTransfer, EntriesFollowTheirPostAndShortAnswersLeaveNoValue) {
    Harness h;
    h.param->Post[1] = 5;  // read from block register 4
    FakeSettingsView settings;
    h.ctx.settingsView = &settings;
    const Bytes answer = Block(10, [](std::size_t k) { return static_cast<std::uint16_t>(100 + k); });
    engine::ParseParameterBlock(h.ctx, answer.data(), answer.size());
    EXPECT_EQ(h.param->RawValue[0], 100);
    EXPECT_EQ(h.param->RawValue[1], 104);
    EXPECT_EQ(h.param->RawValue[9], 109);
    EXPECT_EQ(h.param->RawValue[10], 0xFFFF);
    EXPECT_EQ(h.param->RawValue[50], 0xFFFF);
    EXPECT_EQ(h.logs, std::vector<std::string>{"上装所有参数成功!"});
    EXPECT_EQ(settings.paramRefreshes, 1);
    // The reply ended before registers 21..27: HardwareInfo stays as it was.
    EXPECT_EQ(h.state.hardwareInfo.Get()[0], 0xFF);
    // Written back to block register 1 all the same.
    ASSERT_TRUE(DownloadParameters(h.ctx));
    EXPECT_EQ(SlotFrame(h)[9] * 256 + SlotFrame(h)[10], 104);
}

TEST(BlockTransfer, HardwareInfoComesFromRegisters21To27) {
    Harness h;
    const Bytes answer = Block(28, [](std::size_t k) { return static_cast<std::uint16_t>(k * 0x0101); });
    ASSERT_EQ(answer.size(), 61u);
    engine::ParseParameterBlock(h.ctx, answer.data(), answer.size());
    const auto info = h.state.hardwareInfo.Get();
    EXPECT_EQ(info[0], 21);
    EXPECT_EQ(info[13], 27);
    Bytes shorter = answer;
    shorter.pop_back();
    h.state.hardwareInfo.Fill(0xFF);
    engine::ParseParameterBlock(h.ctx, shorter.data(), shorter.size());
    EXPECT_EQ(h.state.hardwareInfo.Get()[0], 0xFF);
}

TEST(BlockTransfer, SettingValuesAndDivisorZero) {
    Harness h;
    h.setting->CC2[0] = 0;
    h.setting->CC2[1] = 100;
    h.setting->Value[29] = 7.5f;
    const Bytes answer = Block(29, [](std::size_t) { return std::uint16_t{250}; });
    engine::ParseSettingBlock(h.ctx, answer.data(), answer.size());
    EXPECT_EQ(h.setting->Value[0], 250.0f);
    EXPECT_FLOAT_EQ(h.setting->Value[1], 2.5f);
    EXPECT_EQ(h.setting->RawValue[29], 0xFFFF);
    EXPECT_EQ(h.setting->Value[29], 7.5f);  // an entry without a value keeps its previous Value
    EXPECT_EQ(h.logs, std::vector<std::string>{"上装所有定值成功!"});
}

TEST(BlockTransfer, BlocksTooLargeForOneRequestAreRefused) {
    Harness h;
    h.param->Number = 124;
    h.setting->Number = 124;
    EXPECT_FALSE(DownloadParameters(h.ctx));
    EXPECT_FALSE(DownloadSettings(h.ctx));
    EXPECT_TRUE(UploadParameters(h.ctx));
    h.state.commandSlot.Clear();
    h.param->Number = 128;
    h.setting->Number = 128;
    EXPECT_FALSE(UploadParameters(h.ctx));
    EXPECT_FALSE(UploadSettings(h.ctx));
    EXPECT_TRUE(h.state.commandSlot.Empty());
    EXPECT_EQ(h.logs,
              (std::vector<std::string>{"参数个数超过123，无法下载参数!", "定值个数超过123，无法下载定值!",
                                        "参数个数超过127，无法上装参数!", "定值个数超过127，无法上装定值!"}));
    h.param->Number = 123;
    ASSERT_TRUE(DownloadParameters(h.ctx));
    EXPECT_EQ(h.state.commandSlot.Length(), 255);
}

}  // namespace
}  // namespace engine_test
