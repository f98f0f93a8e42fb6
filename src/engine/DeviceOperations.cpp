#include "engine/DeviceOperations.h"

#include "engine/BlockTransfer.h"
#include "engine/PollDecoder.h"
#include "modbus/RegisterMap.h"
#include "modbus/Requests.h"
#include "modbus/TableRequests.h"
#include "platform/Gbk.h"
#include "platform/Profile.h"

namespace engine {

namespace {

struct OperationTexts {
    const char* inProgress;
    const char* portError;
};

OperationTexts TextsOf(modbus::RemoteControl op) {
    switch (op) {
        case modbus::RemoteControl::CloseHigh:
            return {"正在进行高压侧合闸操作...", "串口错误，无法进行高压侧合闸操作!"};
        case modbus::RemoteControl::OpenHigh:
            return {"正在进行高压侧分闸操作...", "串口错误，无法进行高压侧分闸操作!"};
        case modbus::RemoteControl::CloseLow1:
            return {"正在进行1#低压侧合闸操作...", "串口错误，无法进行1#低压侧合闸操作!"};
        case modbus::RemoteControl::OpenLow1:
            return {"正在进行1#低压侧分闸操作...", "串口错误，无法进行1#低压侧分闸操作!"};
        case modbus::RemoteControl::CloseLow2:
            return {"正在进行2#低压侧合闸操作...", "串口错误，无法进行2#低压侧合闸操作!"};
        case modbus::RemoteControl::OpenLow2:
            return {"正在进行2#低压侧分闸操作...", "串口错误，无法进行2#低压侧分闸操作!"};
    }
    return {"", ""};
}

std::uint16_t ControlMode(EngineContext& ctx) {
    std::uint16_t word = modbus::kControlModeUnknown;
    {
        std::lock_guard lock(*ctx.tablesMutex);
        word = ctx.param->RawValue[modbus::kControlModeEntry];
    }
    return ctx.state->EffectiveControlMode(word);
}

bool KnownMode(std::uint16_t mode) {
    return mode == 0 || mode == 1;
}

}  // namespace

bool IsBusy(EngineContext& ctx) {
    if (ctx.state->commandSlot.Empty() && !ctx.state->deferredCalibration.Occupied()) return false;
    ctx.Log("已经下发操作命令，请等待本次操作结束后重试!");
    return true;
}

bool AccidentInterlock(EngineContext& ctx) {
    bool present = false;
    {
        std::lock_guard lock(*ctx.tablesMutex);
        // The same look-up as everywhere else: whole GBK characters, points in use only.
        const auto signal = FindAccidentSignal(ctx.yx);
        present = signal && ctx.yx->State[*signal] == 1;
    }
    if (!present) return true;
    if (ctx.messageBoxes &&
        ctx.messageBoxes->AskOkCancel("系统检测到事故总信号存在，必须复归后才能进行遥控，是否先进行复归？")) {
        SignalReset(ctx);
    }
    return false;
}

void ClockSet(EngineContext& ctx) {
    if (!ctx.transport->TransportReady()) {
        ctx.Log("串口错误，无法进行校时操作!");
        return;
    }
    if (IsBusy(ctx)) return;
    modbus::Frame frame;
    {
        std::lock_guard lock(*ctx.tablesMutex);
        frame = modbus::BuildClockSetRequest(ctx.state->DeviceAddress(), *ctx.yc, ctx.Now());
    }
    ctx.state->commandSlot.Put(frame);
    ctx.Log("正在进行校时操作...");
}

void SignalReset(EngineContext& ctx) {
    if (!ctx.transport->TransportReady()) {
        ctx.Log("串口错误，无法进行复归操作!");
        return;
    }
    if (IsBusy(ctx)) return;
    ctx.state->ApplyLegacyControlModeRule();
    if (!KnownMode(ControlMode(ctx))) {
        UploadParameters(ctx);
        ctx.Log("未找到匹配控制方式，将自动先上装参数!");
        return;
    }
    ctx.state->commandSlot.Put(modbus::BuildSignalResetRequest(ctx.state->DeviceAddress()));
    ctx.Log("正在进行复归操作...");
}

void RemoteControlOperation(EngineContext& ctx, modbus::RemoteControl op) {
    const OperationTexts texts = TextsOf(op);
    if (!ctx.transport->TransportReady()) {
        ctx.Log(texts.portError);
        return;
    }
    if (IsBusy(ctx)) return;
    if (!AccidentInterlock(ctx)) return;
    ctx.state->ApplyLegacyControlModeRule();
    const auto frame = modbus::BuildRemoteControlRequest(ctx.state->DeviceAddress(), op, ControlMode(ctx));
    if (!frame) {
        ctx.Log("未找到匹配控制方式，请先上装参数!");
        return;
    }
    ctx.state->commandSlot.Put(*frame);
    ctx.Log(texts.inProgress);
}

int PortNumberFromText(const std::string& text) {
    long value = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') break;
        value = value * 10 + (ch - '0');
        if (value > 1000000) break;  // no port number is this long; stop before it overflows
    }
    return static_cast<int>(value);
}

void LogPortAccessHint(EngineContext& ctx) {
    if (ctx.transport->PortAccessDenied()) ctx.Log(kPortAccessHint);
}

bool Reconnect(EngineContext& ctx, const std::string& portBoxText) {
    const int port = PortNumberFromText(portBoxText);
    if (!platform::ProfileWriteString(ctx.basicSettingsPath, "Settings", "Port",
                                      platform::Utf8ToGbk(portBoxText)))
        ctx.Log(kPortNotSavedText);
    bool opened = false;
    if (ctx.state->networkMode.load()) {
        opened = ctx.transport->RegisterWithCommServer(port & 0xFF);
    } else {
        if (ctx.transport->TransportReady()) ctx.transport->ClosePort();
        opened = ctx.transport->OpenPort(port, 9600, 8, 0, 0);
    }
    if (!opened) {
        ctx.Log("重新连接，打开串口失败!");
        if (!ctx.state->networkMode.load()) LogPortAccessHint(ctx);
        if (ctx.mainView) ctx.mainView->SetTitle(kMainWindowTitle);
        return false;
    }
    ctx.Log("重新连接，打开串口成功!");
    if (ctx.mainView) ctx.mainView->SetTitle(kMainWindowTitle);
    if (ctx.messageBoxes && ctx.messageBoxes->AskYesNo("打开串口成功，是否启动自动寻址功能？")) {
        ctx.state->addressSearchSlot.Put(modbus::BuildAddressSearchRequest());
    }
    return true;
}

}  // namespace engine
