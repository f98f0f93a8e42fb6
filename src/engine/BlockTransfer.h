#pragma once
// Upload and download of the parameter and setting blocks. The queue operations overwrite the command slot
// whatever it holds; the parsers run on the management thread when it recognises an upload reply.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "engine/EngineContext.h"
#include "modbus/Frame.h"

namespace engine {

// Queue the block read or write. False (nothing queued) when the block cannot be carried by one request:
// more than 127 entries for an upload or 123 for a download (logged), or no entries at all.
bool UploadParameters(EngineContext& ctx);
bool DownloadParameters(EngineContext& ctx);
bool UploadSettings(EngineContext& ctx);
bool DownloadSettings(EngineContext& ctx);
// The parameter read, queued only when the command slot is empty: the engine's own re-read must not replace
// a request the operator has queued.
bool UploadParametersWhenFree(EngineContext& ctx);

// The parameter download frame (baud entries as relay codes) without queueing it.
std::optional<modbus::Frame> BuildParameterDownload(EngineContext& ctx);

// Store an upload reply (address at byte 0, `length` bytes received) into its table. Entries whose register
// is not in the reply become 0xFFFF. The parameter reply also renews the control mode and HardwareInfo.
void ParseParameterBlock(EngineContext& ctx, const std::uint8_t* response, std::size_t length);
void ParseSettingBlock(EngineContext& ctx, const std::uint8_t* response, std::size_t length);

}  // namespace engine
