#include "modbus/RemoteControl.h"

#include <array>

namespace modbus {

namespace {

constexpr std::array<RemoteControl, 6> kOperations = {
    RemoteControl::CloseHigh, RemoteControl::OpenHigh,  RemoteControl::CloseLow1,
    RemoteControl::OpenLow1,  RemoteControl::CloseLow2, RemoteControl::OpenLow2,
};

// Mode 0 drives a separate coil per operation; mode 1 one coil per side, switched on to close and off to
// open.
constexpr std::array<CoilCommand, 6> kMode0 = {
    {{0, true}, {2, true}, {3, true}, {4, true}, {13, true}, {14, true}}};
constexpr std::array<CoilCommand, 6> kMode1 = {
    {{0, true}, {0, false}, {1, true}, {1, false}, {2, true}, {2, false}}};

}  // namespace

std::optional<CoilCommand> RemoteControlCoil(RemoteControl op, std::uint16_t controlMode) {
    const auto index = static_cast<std::size_t>(op);
    if (index >= kOperations.size()) return std::nullopt;
    if (controlMode == 0) return kMode0[index];
    if (controlMode == 1) return kMode1[index];
    return std::nullopt;
}

std::optional<RemoteControl> MatchRemoteControl(CoilCommand echo, std::uint16_t controlMode) {
    for (RemoteControl op : kOperations) {
        if (RemoteControlCoil(op, controlMode) == echo) return op;
    }
    return std::nullopt;
}

}  // namespace modbus
