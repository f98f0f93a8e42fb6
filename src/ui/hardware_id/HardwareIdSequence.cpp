#include "ui/hardware_id/HardwareIdSequence.h"

#include "engine/BlockTransfer.h"
#include "modbus/Crc16.h"
#include "modbus/RegisterMap.h"

namespace ui {
namespace {

constexpr std::size_t kWriteHeaderBytes = 7;
constexpr std::size_t kMinBlockEntries = modbus::kHardwareInfoLastRegister + 1;

}  // namespace

bool QueueHardwareIdWrite(engine::EngineContext& ctx, const HardwareInfoBytes& info) {
    std::size_t number = 0;
    {
        std::lock_guard lock(*ctx.tablesMutex);
        number = ctx.param->Number;
    }
    if (number < kMinBlockEntries || number > modbus::kMaxBlockWriteEntries) {
        ctx.Log(kHardwareIdBlockSize);
        return false;
    }
    std::optional<modbus::Frame> frame = engine::BuildParameterDownload(ctx);
    if (!frame || frame->size() != kWriteHeaderBytes + 2 * number + modbus::kCrcBytes) return false;
    std::copy(info.begin(), info.end(),
              frame->begin() + kWriteHeaderBytes + 2 * modbus::kHardwareInfoFirstRegister);
    modbus::AppendCrc16(frame->data(), kWriteHeaderBytes + 2 * number);
    return ctx.state->commandSlot.Put(*frame);
}

void RunHardwareIdSequence(engine::EngineContext& ctx, HardwareIdOperator& op) {
    // The wait processes events; a second start from within it would refill the record the first pass is
    // waiting for and open a second window. The sequence runs on the UI thread only.
    static bool running = false;
    if (running) return;
    running = true;
    struct Done {
        ~Done() { running = false; }
    } done;

    ctx.state->hardwareInfo.Fill(0xFF);
    if (!ctx.state->commOk.load()) op.Inform(kHardwareIdLinkError);
    engine::UploadParameters(ctx);
    op.WaitForParameterReply();

    const HardwareInfoBytes info = ctx.state->hardwareInfo.Get();
    if (info[0] == 0xFF) {
        ctx.Log(kHardwareIdReadFailed);
        return;
    }
    const bool isProtected = HardwareIdProtected(info);
    const std::optional<std::string> text = op.RunInfoWindow(info);
    if (!text) {
        ctx.Log(kHardwareIdCancelled);
        return;
    }
    if (isProtected) {
        ctx.Log(kHardwareIdProtectedLog);
        return;
    }
    const ParsedId parsed = ParseHardwareIdText(*text);
    if (parsed.fault == IdTextFault::Length) {
        ctx.Log(kHardwareIdLengthError);
        return;
    }
    if (parsed.fault == IdTextFault::Format) {
        ctx.Log(kHardwareIdFormatError);
        return;
    }
    const HardwareInfoBytes written = WithHardwareIdCrc(parsed.bytes);
    ctx.state->hardwareInfo.Set(written.data());
    if (!QueueHardwareIdWrite(ctx, written)) return;
    ctx.Log(kHardwareIdWriting);
}

std::string HardwareIdQuestion(const std::string& id) {
    const std::string pattern = kHardwareIdQuestion;
    const std::size_t at = pattern.find("%s");
    return pattern.substr(0, at) + id + pattern.substr(at + 2);
}

InfoWindowSetup SetUpInfoWindow(const HardwareInfoBytes& info, const platform::LocalTime& now) {
    InfoWindowSetup setup;
    if (HardwareIdShownValid(info)) {
        setup.firstText = HardwareIdText(info);
        setup.firstLabel = "设备SN信息：";
        setup.editable = false;
    } else {
        setup.firstText = DefaultTimeSequence(now);
        setup.firstLabel = "时间序列(如有需要请更改)：";
    }
    return setup;
}

std::optional<std::string> UpdateInfoWindow(const std::string& firstText, const std::string& serial,
                                            const InfoWindowPrompts& prompts) {
    const std::optional<std::string> again = prompts.askSerialAgain(firstText.substr(0, kTimeSequenceDigits));
    if (!again) {
        prompts.inform(kHardwareIdCancelled);
        return std::nullopt;
    }
    const DoubleEntry entry = CheckDoubleEntry(firstText, serial, *again);
    prompts.showFirstText(entry.combined);
    if (!entry.same) {
        prompts.inform(kHardwareIdDiffer);
        return std::nullopt;
    }
    if (!prompts.askYesNo(HardwareIdQuestion(entry.combined))) {
        prompts.inform(kHardwareIdAbandoned);
        return std::nullopt;
    }
    return entry.combined;
}

}  // namespace ui
