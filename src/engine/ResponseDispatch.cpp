#include "engine/ResponseDispatch.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>

#include "engine/BlockTransfer.h"
#include "modbus/Crc16.h"
#include "modbus/RegisterMap.h"
#include "modbus/RemoteControl.h"
#include "modbus/Requests.h"
#include "modbus/ResponseChecks.h"
#include "modbus/SoeRecord.h"
#include "platform/Gbk.h"
#include "trend/TrendStore.h"

namespace engine {

namespace {

// Rows 1 to 11 compare bytes up to byte 5.
constexpr std::size_t kEchoBytes = 6;
// An event batch request: address, 17, first record, quantity, CRC.
constexpr std::size_t kEventBatchRequestBytes = 8;

std::string_view RemoteControlText(modbus::RemoteControl op) {
    switch (op) {
        case modbus::RemoteControl::CloseHigh:
            return "高压侧合闸成功!";
        case modbus::RemoteControl::OpenHigh:
            return "高压侧分闸成功!";
        case modbus::RemoteControl::CloseLow1:
            return "1#低压侧合闸成功!";
        case modbus::RemoteControl::OpenLow1:
            return "1#低压侧分闸成功!";
        case modbus::RemoteControl::CloseLow2:
            return "2#低压侧合闸成功!";
        case modbus::RemoteControl::OpenLow2:
            return "2#低压侧分闸成功!";
    }
    return {};
}

struct Numbers {
    long param = 0;
    long setting = 0;
    std::uint16_t controlWord = modbus::kControlModeUnknown;
};

Numbers ReadNumbers(EngineContext& ctx) {
    std::lock_guard lock(*ctx.tablesMutex);
    Numbers n;
    n.param = ctx.param->Number;
    n.setting = ctx.setting->Number;
    if (modbus::kControlModeEntry < config::kPointCount)
        n.controlWord = ctx.param->RawValue[modbus::kControlModeEntry];
    return n;
}

CommandRow MatchWrite16(EngineContext& ctx, const std::uint8_t* r, const Numbers& n) {
    const long quantity = long{r[4]} * 256 + r[5];
    if (r[2] == 0x00 && r[3] == 0x00 && quantity == modbus::kClockEchoQuantity) {
        ctx.Log("校时成功!");
        ctx.Play(kWaveYk);
        return CommandRow::ClockSet;
    }
    if (quantity == 1) {
        if (ctx.state->wheelAdjustPending.exchange(false)) return CommandRow::OneRegisterWrite;
        if (ctx.state->deferredCalibration.Occupied()) {
            // The first calibration step took effect: its second step may now be computed.
            ctx.state->deferredCalibration.MarkFirstStepEchoed();
            ctx.Log("下载遥测检验默认参数成功!");
        } else {
            ctx.Log("下载遥测检验设定参数成功!");
        }
        ctx.state->SleepMs(600);
        ctx.Play(kWaveHover);
        return CommandRow::OneRegisterWrite;
    }
    if (r[3] == modbus::kParamEchoStartLow && quantity == n.param) {
        ctx.Log("下载所有参数成功!");
        ctx.Play(kWaveHover);
        return CommandRow::ParamDownload;
    }
    if (r[3] == modbus::kSettingEchoStartLow && quantity == n.setting) {
        ctx.Log("下载所有定值成功!");
        ctx.Play(kWaveHover);
        return CommandRow::SettingDownload;
    }
    return CommandRow::None;
}

CommandRow MatchWriteCoil(EngineContext& ctx, const std::uint8_t* r, const Numbers& n) {
    if (r[2] == 0x00 && r[3] == modbus::kSignalResetCoil && r[4] == 0xFF) {
        ctx.Log("复归成功!");
        ctx.Play(kWaveYk);
        return CommandRow::SignalReset;
    }
    if (r[2] != 0x00 || (r[4] != 0xFF && r[4] != 0x00)) return CommandRow::None;
    const std::uint16_t mode = ctx.state->EffectiveControlMode(n.controlWord);
    const auto op = modbus::MatchRemoteControl({r[3], r[4] == 0xFF}, mode);
    if (!op) {
        const bool knownMode = mode == 0 || mode == 1;
        return knownMode ? CommandRow::None : CommandRow::UnnamedRemoteControl;
    }
    ctx.Log(std::string(RemoteControlText(*op)));
    ctx.Play(kWaveYk);
    return static_cast<CommandRow>(static_cast<int>(CommandRow::CloseHigh) + static_cast<int>(*op));
}

// A block upload is stored, shown and later written back to the relay, so a cut, corrupted or foreign
// answer must not fill the table (and be reported as read). Foreign means from another address than the one
// the request went to, whatever the address box holds by now.
bool WholeBlockFromTheRelay(std::span<const std::uint8_t> sent, const std::uint8_t* r, std::size_t length) {
    return !sent.empty() && r[0] == sent[0] && modbus::CheckResponseCrc(r, length);
}

// The whole echo of the function-16 write `sent`: its address, function, start and quantity, with a good CRC.
bool EchoOfWrite(std::span<const std::uint8_t> sent, const std::uint8_t* r, std::size_t length) {
    constexpr std::size_t kEchoFrame = kEchoBytes + modbus::kCrcBytes;
    return sent.size() >= kEchoFrame && sent[1] == modbus::kFnWriteMultipleRegisters &&
           length >= kEchoFrame && std::equal(sent.begin(), sent.begin() + kEchoBytes, r) &&
           modbus::CheckCrc16(r, kEchoBytes);
}

// The first record asked for by the event batch request `sent`; nothing when `sent` is none.
std::optional<unsigned> EventBatchStart(std::span<const std::uint8_t> sent) {
    if (sent.size() != kEventBatchRequestBytes || sent[1] != modbus::kFnReadEventRecords) return std::nullopt;
    return sent[2] * 256u + sent[3];
}

CommandRow HandleEventBatch(EngineContext& ctx, std::span<const std::uint8_t> sent, const std::uint8_t* r,
                            std::size_t length) {
    const auto first = EventBatchStart(sent);
    if (!first) return CommandRow::None;  // not the answer to what was sent
    const EventBatchResult result = ctx.eventRecords->DecodeEventBatch(*first, r, length);
    switch (result.outcome) {
        case EventBatchOutcome::Taken:
            break;
        case EventBatchOutcome::NotAwaited:
            return CommandRow::AbandonedEventBatch;
        case EventBatchOutcome::TooShort:
            // A batch too short to decode ends the upload; it is not reported as read.
            return CommandRow::None;
    }
    char text[96];
    std::snprintf(text, sizeof text, "分批上装事件记录成功：%02u/%02u",
                  result.batches * modbus::kEventBatchRecords, modbus::kEventRecordsTotal);
    ctx.Log(text);
    return CommandRow::EventBatch;
}

}  // namespace

CommandRow DispatchCommandResponse(EngineContext& ctx, std::span<const std::uint8_t> sent,
                                   const std::uint8_t* r, std::size_t length) {
    if (length < 2) return CommandRow::None;
    const Numbers n = ReadNumbers(ctx);
    const std::uint8_t function = r[1];
    if (length >= kEchoBytes) {
        if (function == modbus::kFnWriteMultipleRegisters) {
            const CommandRow row = MatchWrite16(ctx, r, n);
            if (row != CommandRow::None) return row;
            if (EchoOfWrite(sent, r, length)) return CommandRow::UnannouncedWrite;
        } else if (function == modbus::kFnWriteSingleCoil) {
            const CommandRow row = MatchWriteCoil(ctx, r, n);
            if (row != CommandRow::None) return row;
        }
    }
    if (function == modbus::kFnReadHoldingRegisters && length >= 3 &&
        WholeBlockFromTheRelay(sent, r, length)) {
        const long byteCount = r[2];
        if (byteCount == 2 * n.param) {
            ParseParameterBlock(ctx, r, length);
            return CommandRow::ParamUpload;
        }
        if (byteCount == 2 * n.setting) {
            ParseSettingBlock(ctx, r, length);
            return CommandRow::SettingUpload;
        }
    }
    if (function == modbus::kFnReadEventRecords && ctx.eventRecords)
        return HandleEventBatch(ctx, sent, r, length);
    return CommandRow::None;
}

std::string UnansweredCommandText(EngineContext& ctx,
                                  const std::array<std::uint8_t, FrameSlot::kCapacity>& frame) {
    const Numbers n = ReadNumbers(ctx);
    if (frame[1] == modbus::kFnReadHoldingRegisters) {
        if (frame[5] == n.param) return "上装参数失败!";
        if (frame[5] == n.setting) return "上装定值失败!";
    }
    return "操作失败!";
}

void HandleSoeResponse(EngineContext& ctx, const std::uint8_t* response, std::size_t length) {
    if (length < modbus::kResponseHeaderBytes) return;
    const unsigned byteCount = response[2];
    // Answers shorter than one record, and those with the byte count 180, are not walked.
    if (byteCount < modbus::kSoeRecordBytes || byteCount == 180) return;
    for (const modbus::SoeRecord& record : modbus::ParseSoeResponse(response, length)) {
        if (record.code > modbus::kSoeMaxLoggedCode) continue;
        std::string name;
        {
            std::lock_guard lock(*ctx.tablesMutex);
            const int number = std::min<int>(ctx.yx->Number, config::kPointCount);
            for (int i = 0; i < number; ++i) {
                if (ctx.yx->Post[i] == record.code) {
                    name = std::string(config::TextView(ctx.yx->Name[i]));
                    break;
                }
            }
        }
        char text[64];
        std::snprintf(text, sizeof text, "，%02u-%02u-%02u %02u:%02u:%02u_%03u", record.yearOffset,
                      record.month, record.day, record.hour, record.minute, record.second,
                      record.millisecond);
        const std::string line = "SOE发生：" + platform::GbkToUtf8(name) + text;
        if (ctx.trend) ctx.trend->AddMark(trend::ToMs(ctx.Now()), line);
        ctx.Log(line);
    }
}

void HandleAddressSearchResponse(EngineContext& ctx, const std::uint8_t* response, std::size_t length) {
    if (!modbus::CheckAddressSearchResponse(response, length)) {
        ctx.Log(std::string(modbus::kAddressSearchBadCrcText));
        return;
    }
    const auto address = modbus::SearchedAddress(response, length);
    if (!address || *address == ctx.state->DeviceAddress()) return;
    if (!ctx.state->SetDeviceAddress(*address)) return;  // only 1..247 can be adopted
    const std::string text = std::to_string(*address);
    if (ctx.mainView) ctx.mainView->ShowAddress(text);
    ctx.Log("寻找地址成功，地址为：" + text);
}

void SoeCheck(EngineContext& ctx, const std::uint8_t* response, std::size_t length) {
    const auto indices = modbus::RegisterAt(response, length, modbus::kSoeIndexRegister);
    if (!indices) return;
    const auto writeIndex = static_cast<std::uint8_t>(*indices >> 8);
    const auto readIndex = static_cast<std::uint8_t>(*indices & 0xFF);
    const unsigned count = modbus::SoePendingRecords(writeIndex, readIndex);
    if (count == 0) return;
    ctx.state->soeSlot.Put(
        modbus::BuildSoeReadRequest(ctx.state->DeviceAddress(), readIndex, static_cast<std::uint8_t>(count)));
}

}  // namespace engine
