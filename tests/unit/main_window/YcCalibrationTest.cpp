#include "ui/main_window/YcCalibration.h"

#include <gtest/gtest.h>

#include "modbus/Crc16.h"
#include "modbus/Requests.h"
#include "unit/main_window/EngineFixture.h"

namespace {

using modbus::Frame;

// Body of a function-16 write of `values` from `reg` to address 1, checked against its CRC.
Frame ExpectWrite(const Frame& frame, std::uint16_t reg, std::vector<std::uint16_t> values) {
    Frame body{1,
               16,
               static_cast<std::uint8_t>(reg >> 8),
               static_cast<std::uint8_t>(reg & 0xFF),
               0,
               static_cast<std::uint8_t>(values.size()),
               static_cast<std::uint8_t>(2 * values.size())};
    for (auto v : values) {
        body.push_back(static_cast<std::uint8_t>(v >> 8));
        body.push_back(static_cast<std::uint8_t>(v & 0xFF));
    }
    EXPECT_EQ(frame.size(), body.size() + 2);
    EXPECT_TRUE(frame.size() >= body.size() + 2 && modbus::CheckCrc16(frame.data(), body.size()));
    return body;
}

Frame Body(const Frame& frame) {
    return frame.size() < 2 ? frame : Frame(frame.begin(), frame.end() - 2);
}

class YcCalibrationTest : public ::testing::Test {
  protected:
    mwtest::Fixture f;
    ui::YcCalibration calibration{f.ctx};
    int asked = 0;
    float askedWith = 0;

    ui::YcCalibration::AskReference Answer(std::optional<float> answer) {
        return [this, answer](float initial) {
            ++asked;
            askedWith = initial;
            return answer;
        };
    }
};

TEST_F(YcCalibrationTest, ClickablePointsAreTheUsedOnesWithTheFlag) {
    EXPECT_TRUE(calibration.IsClickable(0));
    EXPECT_TRUE(calibration.IsClickable(13));
    EXPECT_FALSE(calibration.IsClickable(14));  // flag not set
    f.yc.bCanBeClick[40] = 1;
    EXPECT_FALSE(calibration.IsClickable(40));  // beyond Number
    f.yc.Number = 128;
    f.yc.bCanBeClick[70] = 1;
    EXPECT_FALSE(calibration.IsClickable(70));  // the window has no label for it
    EXPECT_FALSE(calibration.IsClickable(-1));
}

TEST_F(YcCalibrationTest, ClickWritesTheResetAndParksTheSecondStep) {
    f.yc.Value[0] = 5.0f;
    calibration.Click(0, Answer(5.2f));
    EXPECT_EQ(asked, 1);
    EXPECT_FLOAT_EQ(askedWith, 5.0f);
    // Step 1: 1024 to register 112 at once.
    EXPECT_EQ(Body(f.Command()), ExpectWrite(f.Command(), 112, {1024}));
    EXPECT_EQ(Body(f.Command()), (Frame{1, 16, 0x00, 0x70, 0, 1, 2, 0x04, 0x00}));
    EXPECT_EQ(f.Logged(), (std::vector<std::string>{"正在下载默认参数：遥测量1 ..."}));
    // Step 2 waits with trunc(5.2 x 1024 / 5.0) = 1064, its reference and its point.
    const auto parked = f.state.deferredCalibration.Snapshot();
    ASSERT_TRUE(parked && f.state.deferredCalibration.Occupied());
    EXPECT_EQ(parked->length, 11);
    EXPECT_FLOAT_EQ(parked->reference, 5.2f);
    EXPECT_EQ(parked->point, 0);
    EXPECT_EQ(Body(Frame(parked->frame.begin(), parked->frame.end())),
              ExpectWrite(Frame(parked->frame.begin(), parked->frame.end()), 112, {1064}));
}

TEST_F(YcCalibrationTest, ClickWithAZeroReadingOnlyResets) {
    f.yc.Value[2] = 0.0f;
    calibration.Click(2, Answer(3.0f));
    EXPECT_EQ(Body(f.Command()), ExpectWrite(f.Command(), 114, {1024}));
    EXPECT_FALSE(f.state.deferredCalibration.Occupied());
}

TEST_F(YcCalibrationTest, ClickRefusalsWriteNothing) {
    // No reading: the dialog is not even opened.
    calibration.Click(0, Answer(5.0f));
    EXPECT_EQ(asked, 0);
    f.yc.Value[0] = 5.0f;
    calibration.Click(0, Answer(std::nullopt));  // cancelled: no message
    calibration.Click(0, Answer(0.0f));
    calibration.Click(0, Answer(100.5f));
    f.yc.Min[0] = 1.5f;
    calibration.Click(0, Answer(1.0f));
    f.transport.ready = false;
    calibration.Click(0, Answer(5.0f));
    EXPECT_EQ(f.Logged(), (std::vector<std::string>{
                              "下载参数失败：不能用缺省值来校正遥测参数!",
                              "下载参数失败：不能用零值来校正遥测参数!",
                              "下载参数失败：参数范围：0.00~100.00!",
                              "下载参数失败：参数范围：1.50~100.00!",
                              "串口错误，无法下载参数： 遥测量1 !",
                          }));
    EXPECT_TRUE(f.state.commandSlot.Empty());
    EXPECT_FALSE(f.state.deferredCalibration.Occupied());
}

TEST_F(YcCalibrationTest, WheelStepsByTheCursorZone) {
    f.yc.Value[0] = 5.0f;
    const std::uint16_t slot = 12;  // register 112
    struct Case {
        int x;
        int delta;
        std::uint16_t expected;
    } cases[] = {{10, 120, 1054}, {19, 120, 1054}, {20, 120, 1032}, {30, 120, 1032},  {39, 120, 1032},
                 {40, 120, 1027}, {50, 120, 1027}, {10, -120, 994}, {30, -120, 1016}, {50, -120, 1021}};
    for (const Case& c : cases) {
        f.param.RawValue[slot] = 1024;
        f.state.commandSlot.Clear();
        calibration.Wheel(0, c.delta, false, c.x);
        EXPECT_EQ(f.param.RawValue[slot], c.expected) << "x " << c.x << " delta " << c.delta;
        EXPECT_EQ(Body(f.Command()), ExpectWrite(f.Command(), 112, {c.expected}));
        EXPECT_EQ(f.state.commandSlot.Tag(), engine::kWheelWriteTag);
        EXPECT_FALSE(f.state.wheelAdjustPending.load());  // only the management thread sets it
    }
    EXPECT_TRUE(f.Logged().empty());
}

TEST_F(YcCalibrationTest, CtrlWheelMovesTheNextTwoCoefficientsAlong) {
    f.yc.Value[0] = 5.0f;
    f.param.RawValue[12] = f.param.RawValue[13] = f.param.RawValue[14] = 1024;
    f.state.deferredCalibration.Park(modbus::BuildCalibrationWrite1(1, 112, 1000), 5.0f, 0);
    calibration.Wheel(0, 120, true, 30);
    EXPECT_EQ(Body(f.Command()), ExpectWrite(f.Command(), 112, {1032, 1034, 1034}));
    EXPECT_EQ(f.Command().size(), 15u);
    EXPECT_EQ(f.param.RawValue[13], 1034);
    EXPECT_EQ(f.param.RawValue[14], 1034);
    EXPECT_FALSE(f.state.deferredCalibration.Occupied());  // a wheel step cancels a waiting step 2
    EXPECT_EQ(f.state.commandSlot.Tag(), engine::kWheelWriteTag);

    calibration.Wheel(0, -120, true, 10);
    EXPECT_EQ(Body(f.Command()), ExpectWrite(f.Command(), 112, {1002, 1004, 1004}));
    calibration.Wheel(0, -120, true, 50);
    EXPECT_EQ(Body(f.Command()), ExpectWrite(f.Command(), 112, {999, 1001, 1001}));
}

TEST_F(YcCalibrationTest, CtrlWheelWithoutUsableNeighboursChangesNothing) {
    auto expectUntouched = [&](const char* why) {
        const auto before = f.param.RawValue;
        f.state.commandSlot.Clear();
        calibration.Wheel(0, 120, true, 10);
        EXPECT_TRUE(f.state.commandSlot.Empty()) << why;
        EXPECT_EQ(f.param.RawValue, before) << why;
    };
    f.yc.Value[0] = 5.0f;
    f.param.RawValue[12] = f.param.RawValue[13] = 1024;
    expectUntouched("third coefficient not read");
    f.param.RawValue[14] = 65530;
    expectUntouched("third coefficient would leave 16 bits");
    f.param.RawValue[14] = 1024;
    f.yc.bCheckMemery[2] = 120;
    expectUntouched("third coefficient is not the register after the second");
    f.yc.bCheckMemery[2] = 114;
    f.yc.Number = 2;
    expectUntouched("third point does not exist");
    f.yc.Number = 30;
    f.param.Number = 14;
    expectUntouched("third coefficient outside the parameter block");
}

TEST_F(YcCalibrationTest, WheelAtTheLimitsReadsTheParametersAgain) {
    f.yc.Value[0] = 5.0f;
    const auto upload = modbus::BuildBlockReadRequest(1, 100, 64);
    ASSERT_TRUE(upload);
    struct Case {
        std::uint16_t coefficient;
        int delta;
    } cases[] = {{8000, 120}, {9000, 120}, {50, -120}, {10, -120}, {65535, 120}, {65535, -120}};
    for (const Case& c : cases) {
        f.param.RawValue[12] = c.coefficient;
        f.state.commandSlot.Clear();
        calibration.Wheel(0, c.delta, false, 10);
        EXPECT_EQ(f.Command(), *upload) << c.coefficient;
        EXPECT_EQ(f.param.RawValue[12], c.coefficient);
        EXPECT_EQ(f.state.commandSlot.Tag(), 0);
    }
    // Two notches in one message, the second at the limit: the upload replaces the first notch's write and
    // carries no wheel tag, so its answer and later echoes are not swallowed.
    f.param.RawValue[12] = 7990;
    calibration.Wheel(0, 240, false, 10);
    EXPECT_EQ(f.Command(), *upload);
    EXPECT_EQ(f.state.commandSlot.Tag(), 0);
    // Just inside the limits a step is written.
    f.param.RawValue[12] = 7999;
    calibration.Wheel(0, 120, false, 50);
    EXPECT_EQ(Body(f.Command()), ExpectWrite(f.Command(), 112, {8002}));
    f.param.RawValue[12] = 51;
    calibration.Wheel(0, -120, false, 10);
    EXPECT_EQ(Body(f.Command()), ExpectWrite(f.Command(), 112, {21}));
}

TEST_F(YcCalibrationTest, WheelIgnoredWithoutReadingOrCoefficientSlot) {
    f.param.RawValue[12] = 1024;
    calibration.Wheel(0, 120, false, 10);  // no reading
    f.yc.Value[0] = 0.0f;
    calibration.Wheel(0, 120, false, 10);  // reading 0
    f.yc.Value[0] = 5.0f;
    f.yc.bCheckMemery[0] = 99;
    calibration.Wheel(0, 120, false, 10);  // below the block
    f.yc.bCheckMemery[0] = 164;
    calibration.Wheel(0, 120, false, 10);  // beyond the 64 parameters read
    EXPECT_TRUE(f.state.commandSlot.Empty());
    EXPECT_EQ(f.param.RawValue[12], 1024);
}

TEST_F(YcCalibrationTest, PartialWheelStepsAddUpToNotches) {
    f.yc.Value[0] = 5.0f;
    f.param.RawValue[12] = 1024;
    f.state.deferredCalibration.Park(modbus::BuildCalibrationWrite1(1, 112, 1000), 5.0f, 0);
    calibration.Wheel(0, 40, false, 50);
    calibration.Wheel(0, 40, false, 50);
    // Nothing written yet, and the waiting second step of a click calibration survives.
    EXPECT_TRUE(f.state.commandSlot.Empty());
    EXPECT_TRUE(f.state.deferredCalibration.Occupied());
    calibration.Wheel(0, 40, false, 50);
    EXPECT_EQ(f.param.RawValue[12], 1027);
    EXPECT_EQ(Body(f.Command()), ExpectWrite(f.Command(), 112, {1027}));
    // Two notches in one message step twice; the slot carries the final value.
    calibration.Wheel(0, 240, false, 50);
    EXPECT_EQ(f.param.RawValue[12], 1033);
    EXPECT_EQ(Body(f.Command()), ExpectWrite(f.Command(), 112, {1033}));
    // A partial step left over from another point does not count for this one.
    calibration.Wheel(0, 100, false, 50);
    f.yc.Value[1] = 5.0f;
    f.param.RawValue[13] = 1024;
    calibration.Wheel(1, 40, false, 50);
    EXPECT_EQ(f.param.RawValue[13], 1024);
}

}  // namespace
