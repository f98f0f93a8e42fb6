#pragma once
// What the management thread does with the answers to queued requests. Command and SOE answers are
// recognised by their content, and never read past their end; only a block upload, whose values can be
// written back to the relay, must come whole, with its CRC, from the relay that was asked. Whatever the
// content names, an answer is judged against the frame that was sent: the slot and the address box may
// already hold something newer when it arrives.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "engine/EngineContext.h"
#include "engine/Slots.h"

namespace engine {

// Rows of the command-answer table, for tests and the monitor of what was recognised.
enum class CommandRow {
    None = 0,
    ClockSet = 1,
    OneRegisterWrite = 2,
    ParamDownload = 3,
    SettingDownload = 4,
    SignalReset = 5,
    CloseHigh = 6,
    OpenHigh = 7,
    CloseLow1 = 8,
    OpenLow1 = 9,
    CloseLow2 = 10,
    OpenLow2 = 11,
    ParamUpload = 12,
    SettingUpload = 13,
    EventBatch = 14,
    // A remote-control echo that cannot be named while the control mode is unknown: nothing is logged,
    // because the relay did act on it.
    UnnamedRemoteControl = 15,
    // The whole, CRC-checked echo of a function-16 write that no row names (a clock set at another TimePost,
    // a block at a Start of its own, a three-register wheel write): the relay did the write, nothing is
    // announced.
    UnannouncedWrite = 16,
    // A batch reply to a request of an event upload that 上装记录 has since started again: ignored.
    AbandonedEventBatch = 17,
};

// Recognises and handles the answer to the command `sent` (first matching row wins); returns the row, None
// when the answer matched nothing (or was an event batch too short to decode) and nothing was logged: the
// command then failed as far as the operator can know, and the caller logs its failure text.
CommandRow DispatchCommandResponse(EngineContext& ctx, std::span<const std::uint8_t> sent,
                                   const std::uint8_t* response, std::size_t length);

// The failure text of a command, chosen from its frame: the one sent when its answer was not recognised, the
// one the command slot holds when no answer came.
std::string UnansweredCommandText(EngineContext& ctx,
                                  const std::array<std::uint8_t, FrameSlot::kCapacity>& frame);

// Logs the SOE records of an SOE read answer.
void HandleSoeResponse(EngineContext& ctx, const std::uint8_t* response, std::size_t length);

// Adopts the address reported by an address-search answer.
void HandleAddressSearchResponse(EngineContext& ctx, const std::uint8_t* response, std::size_t length);

// Queues the SOE read for the ring indices of poll register 6, when present and different.
void SoeCheck(EngineContext& ctx, const std::uint8_t* response, std::size_t length);

}  // namespace engine
