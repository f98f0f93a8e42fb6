#pragma once
// Requests built straight from the point tables: the poll, the clock set and the block transfers.
#include <cstdint>
#include <optional>

#include "config/PointTables.h"
#include "modbus/Frame.h"
#include "platform/Clock.h"

namespace modbus {

// Poll of registers 0 .. AskNumber - 1.
Frame BuildPollRequest(std::uint8_t address, const config::YcTable& yc);

// Clock set at the table's TimePost.
Frame BuildClockSetRequest(std::uint8_t address, const config::YcTable& yc, const platform::LocalTime& time);

// Block reads of Number entries from Start; nothing when Number is 0 or above kMaxBlockReadEntries.
std::optional<Frame> BuildBlockReadRequest(std::uint8_t address, const config::ParamTable& table);
std::optional<Frame> BuildBlockReadRequest(std::uint8_t address, const config::SettingTable& table);

// Block writes of the RawValues of entries 0 .. Number - 1 to Start + j; nothing when Number is 0 or above
// kMaxBlockWriteEntries. The parameter block carries the baud-rate entries as relay codes.
std::optional<Frame> BuildBlockWriteRequest(std::uint8_t address, const config::ParamTable& table);
std::optional<Frame> BuildBlockWriteRequest(std::uint8_t address, const config::SettingTable& table);

}  // namespace modbus
