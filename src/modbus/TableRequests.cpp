#include "modbus/TableRequests.h"

#include <span>
#include <vector>

#include "modbus/RegisterMap.h"
#include "modbus/Requests.h"

namespace modbus {

namespace {

template <typename Table>
std::optional<Frame> BlockWrite(std::uint8_t address, const Table& table, bool baudCodes) {
    if (table.Number == 0 || table.Number > kMaxBlockWriteEntries) return std::nullopt;
    std::vector<std::uint16_t> values(table.RawValue.begin(), table.RawValue.begin() + table.Number);
    if (baudCodes) {
        for (std::size_t entry : {kBaudCodeEntry1, kBaudCodeEntry2}) {
            if (entry < values.size()) values[entry] = CodeFromBaud(values[entry]);
        }
    }
    return BuildBlockWriteRequest(address, table.Start, values);
}

}  // namespace

Frame BuildPollRequest(std::uint8_t address, const config::YcTable& yc) {
    return BuildPollRequest(address, yc.AskNumber);
}

Frame BuildClockSetRequest(std::uint8_t address, const config::YcTable& yc, const platform::LocalTime& time) {
    return BuildClockSetRequest(address, yc.TimePost, time);
}

std::optional<Frame> BuildBlockReadRequest(std::uint8_t address, const config::ParamTable& table) {
    return BuildBlockReadRequest(address, table.Start, table.Number);
}

std::optional<Frame> BuildBlockReadRequest(std::uint8_t address, const config::SettingTable& table) {
    return BuildBlockReadRequest(address, table.Start, table.Number);
}

std::optional<Frame> BuildBlockWriteRequest(std::uint8_t address, const config::ParamTable& table) {
    return BlockWrite(address, table, true);
}

std::optional<Frame> BuildBlockWriteRequest(std::uint8_t address, const config::SettingTable& table) {
    return BlockWrite(address, table, false);
}

}  // namespace modbus
