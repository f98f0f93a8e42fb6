#include "ui/main_window/MainLayout.h"

namespace ui::main_layout {
namespace {

constexpr int kTop = 3;
constexpr int kUpperHeight = 327;  // telemetry columns and telesignal column 3 end at 330
constexpr int kFirstRow = 10;

constexpr int kYcFrameX = 3;
constexpr int kYcFramePitch = 112;
constexpr int kYcFrameWidth = 110;
constexpr int kYcRowPitch = 15;
constexpr int kYcRowHeight = 12;
constexpr int kYcLabelWidth = 70;
constexpr int kYcValueOffset = 74;
constexpr int kYcValueWidth = 33;

constexpr int kYxRowPitch = 11;
constexpr int kYxRowHeight = 10;
constexpr int kYx3FrameX = 339;
constexpr int kYx3FrameWidth = 100;
constexpr int kYx3LabelWidth = 66;
constexpr int kYx3StateOffset = 71;
constexpr int kYx3StateWidth = 26;
constexpr int kYx12FrameX = 441;
constexpr int kYx12FramePitch = 119;
constexpr int kYx12FrameWidth = 117;
constexpr int kYx12FrameHeight = 231;
constexpr int kYx12LabelWidth = 90;
constexpr int kYx12StateOffset = 95;
constexpr int kYx12StateWidth = 19;

constexpr int kBottomTop = 333;
constexpr int kBottomHeight = 63;

}  // namespace

DluRect YcFrame(int column) {
    return {kYcFrameX + column * kYcFramePitch, kTop, kYcFrameWidth, kUpperHeight};
}

DluRect YcLabel(int point) {
    const DluRect frame = YcFrame(point / kYcRows);
    return {frame.x + 3, kFirstRow + (point % kYcRows) * kYcRowPitch, kYcLabelWidth, kYcRowHeight};
}

DluRect YcValue(int point) {
    const DluRect frame = YcFrame(point / kYcRows);
    return {frame.x + kYcValueOffset, kFirstRow + (point % kYcRows) * kYcRowPitch, kYcValueWidth,
            kYcRowHeight};
}

DluRect YxFrame(int column) {
    if (column == 2) return {kYx3FrameX, kTop, kYx3FrameWidth, kUpperHeight};
    return {kYx12FrameX + column * kYx12FramePitch, kTop, kYx12FrameWidth, kYx12FrameHeight};
}

DluRect YxLabel(int point) {
    if (point >= kYxTemplateLabels) {
        const int row = point - kYxTemplateLabels;
        return {kYx3FrameX + 3, kFirstRow + row * kYxRowPitch, kYx3LabelWidth, kYxRowHeight};
    }
    const DluRect frame = YxFrame(point / kYxColumnRows);
    return {frame.x + 3, kFirstRow + (point % kYxColumnRows) * kYxRowPitch, kYx12LabelWidth, kYxRowHeight};
}

DluRect YxState(int point) {
    if (point >= kYxTemplateLabels) {
        const int row = point - kYxTemplateLabels;
        return {kYx3FrameX + kYx3StateOffset, kFirstRow + row * kYxRowPitch, kYx3StateWidth, kYxRowHeight};
    }
    const DluRect frame = YxFrame(point / kYxColumnRows);
    return {frame.x + kYx12StateOffset, kFirstRow + (point % kYxColumnRows) * kYxRowPitch, kYx12StateWidth,
            kYxRowHeight};
}

DluRect LogBox() {
    const int top = kTop + kYx12FrameHeight + 3;
    return {kYx12FrameX, top, kWindowWidth - 3 - kYx12FrameX, kTop + kUpperHeight - top};
}

DluRect ClockFrame() {
    return {3, kBottomTop, 206, kBottomHeight};
}

DluRect ClockLabel(ClockBox box) {
    return {8, 340 + static_cast<int>(box) * 14, 42, 10};
}

DluRect ClockField(ClockBox box) {
    return {52, 339 + static_cast<int>(box) * 14, 152, 12};
}

const char* ClockLabelText(ClockBox box) {
    switch (box) {
        case ClockBox::PcTime:
            return "电脑时间：";
        case ClockBox::DeviceTime:
            return "装置时间：";
        case ClockBox::DeviceModel:
            return "装置型号：";
        case ClockBox::DeviceVersion:
            return "装置版号：";
    }
    return "";
}

DluRect LinkFrame() {
    return {212, kBottomTop, 128, kBottomHeight};
}
DluRect PortLabel() {
    return {218, 343, 24, 10};
}
DluRect PortBox() {
    return {244, 341, 40, 13};
}
DluRect AddressLabel() {
    return {218, 361, 24, 10};
}
DluRect AddressBox() {
    return {244, 359, 40, 13};
}
DluRect NetworkModeCheck() {
    return {218, 379, 52, 12};
}
DluRect ReconnectButton() {
    return {276, 376, 58, 16};
}

DluRect ButtonFrame() {
    return {343, kBottomTop, kWindowWidth - 3 - 343, kBottomHeight};
}

DluRect ButtonRect(Button button) {
    const int index = static_cast<int>(button);
    const int row = index / 6;
    const int column = index % 6;
    return {348 + column * 55, 340 + row * 27, 52, 22};
}

const char* ButtonText(Button button) {
    switch (button) {
        case Button::EventRecords:
            return "事件记录";
        case Button::ClockSet:
            return "校对时钟";
        case Button::SignalReset:
            return "信号复归";
        case Button::CloseHigh:
            return "合高压侧";
        case Button::CloseLow1:
            return "合1#低压侧";
        case Button::CloseLow2:
            return "合2#低压侧";
        case Button::VersionInfo:
            return "版本信息";
        case Button::Monitor:
            return "通讯管理";
        case Button::Settings:
            return "定值参数";
        case Button::OpenHigh:
            return "分高压侧";
        case Button::OpenLow1:
            return "分1#低压侧";
        case Button::OpenLow2:
            return "分2#低压侧";
    }
    return "";
}

std::string YcPlaceholder(int point) {
    if (point < 2 * kYcRows) return "遥测" + std::to_string(point + 1);
    if (point < kYcTemplateLabels) return "Static";
    return "动态创建" + std::to_string(point + 1);
}

std::string YxPlaceholder(int point) {
    if (point < kYxTemplateLabels) return "开入" + std::to_string(point + 1);
    return "动态创建";
}

}  // namespace ui::main_layout
