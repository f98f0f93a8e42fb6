#include "engine/BlockTransfer.h"

#include "modbus/RegisterMap.h"
#include "modbus/ResponseChecks.h"
#include "modbus/TableRequests.h"

namespace engine {

namespace {

constexpr std::size_t kHardwareInfoEnd = modbus::kHardwareInfoResponseOffset + modbus::kHardwareInfoBytes;

template <typename Table>
bool QueueRead(EngineContext& ctx, const Table& table, const char* tooMany, bool onlyWhenFree = false) {
    std::optional<modbus::Frame> frame;
    {
        std::lock_guard lock(*ctx.tablesMutex);
        if (table.Number > modbus::kMaxBlockReadEntries) {
            frame.reset();
        } else {
            frame = modbus::BuildBlockReadRequest(ctx.state->DeviceAddress(), table);
            if (!frame) return false;  // an empty block has nothing to read
        }
    }
    if (!frame) {
        ctx.Log(tooMany);
        return false;
    }
    if (onlyWhenFree) return ctx.state->commandSlot.PutIfEmpty(frame->data(), frame->size());
    return ctx.state->commandSlot.Put(*frame);
}

template <typename Table>
std::optional<modbus::Frame> BuildWrite(EngineContext& ctx, const Table& table, const char* tooMany) {
    bool overflow = false;
    std::optional<modbus::Frame> frame;
    {
        std::lock_guard lock(*ctx.tablesMutex);
        overflow = table.Number > modbus::kMaxBlockWriteEntries;
        if (!overflow) frame = modbus::BuildBlockWriteRequest(ctx.state->DeviceAddress(), table);
    }
    if (overflow) ctx.Log(tooMany);
    return frame;
}

// Entry j comes from block position Post[j]; registers not in the reply give 0xFFFF. Returns whether the
// entry was taken from the reply.
template <typename Table>
bool ReadEntry(Table& table, std::size_t j, const std::uint8_t* response, std::size_t length) {
    const auto value = modbus::RegisterAtPosition(response, length, table.Post[j]);
    table.RawValue[j] = value.value_or(config::kRawNone);
    return value.has_value();
}

}  // namespace

bool UploadParameters(EngineContext& ctx) {
    return QueueRead(ctx, *ctx.param, "参数个数超过127，无法上装参数!");
}

bool UploadParametersWhenFree(EngineContext& ctx) {
    return QueueRead(ctx, *ctx.param, "参数个数超过127，无法上装参数!", true);
}

bool UploadSettings(EngineContext& ctx) {
    return QueueRead(ctx, *ctx.setting, "定值个数超过127，无法上装定值!");
}

std::optional<modbus::Frame> BuildParameterDownload(EngineContext& ctx) {
    return BuildWrite(ctx, *ctx.param, "参数个数超过123，无法下载参数!");
}

bool DownloadParameters(EngineContext& ctx) {
    const auto frame = BuildParameterDownload(ctx);
    return frame && ctx.state->commandSlot.Put(*frame);
}

bool DownloadSettings(EngineContext& ctx) {
    const auto frame = BuildWrite(ctx, *ctx.setting, "定值个数超过123，无法下载定值!");
    return frame && ctx.state->commandSlot.Put(*frame);
}

void ParseParameterBlock(EngineContext& ctx, const std::uint8_t* response, std::size_t length) {
    {
        std::lock_guard lock(*ctx.tablesMutex);
        config::ParamTable& table = *ctx.param;
        const std::size_t number = std::min<std::size_t>(table.Number, config::kPointCount);
        for (std::size_t j = 0; j < number; ++j) ReadEntry(table, j, response, length);
        for (std::size_t entry : {modbus::kBaudCodeEntry1, modbus::kBaudCodeEntry2}) {
            if (entry < number) table.RawValue[entry] = modbus::BaudFromCode(table.RawValue[entry]);
        }
    }
    ctx.state->ClearControlModeOverride();
    ctx.Log("上装所有参数成功!");
    if (SettingsView* view = ctx.settingsView.load()) view->RefreshParamList();
    ctx.Play(kWaveHover);
    // A reply that ends before registers 21..27 are complete leaves the record as it was.
    if (length >= kHardwareInfoEnd + modbus::kCrcBytes) {
        ctx.state->hardwareInfo.Set(response + modbus::kHardwareInfoResponseOffset);
    }
}

void ParseSettingBlock(EngineContext& ctx, const std::uint8_t* response, std::size_t length) {
    {
        std::lock_guard lock(*ctx.tablesMutex);
        config::SettingTable& table = *ctx.setting;
        const std::size_t number = std::min<std::size_t>(table.Number, config::kPointCount);
        for (std::size_t j = 0; j < number; ++j) {
            if (ReadEntry(table, j, response, length)) {
                const unsigned divisor = table.CC2[j] == 0 ? 1u : table.CC2[j];
                table.Value[j] = static_cast<float>(table.RawValue[j]) / static_cast<float>(divisor);
            }
        }
    }
    ctx.Log("上装所有定值成功!");
    if (SettingsView* view = ctx.settingsView.load()) view->RefreshSettingList();
    ctx.Play(kWaveHover);
}

}  // namespace engine
