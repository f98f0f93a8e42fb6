#pragma once
// The six remote-control operations and the coil each one writes in the two known control modes.
#include <cstdint>
#include <optional>

namespace modbus {

enum class RemoteControl { CloseHigh, OpenHigh, CloseLow1, OpenLow1, CloseLow2, OpenLow2 };

struct CoilCommand {
    std::uint16_t coil = 0;
    bool on = false;  // value 0xFF00 when on, 0x0000 when off
    bool operator==(const CoilCommand&) const = default;
};

// Coil and value of an operation in control mode 0 or 1; nothing for any other mode (0xFFFF included).
std::optional<CoilCommand> RemoteControlCoil(RemoteControl op, std::uint16_t controlMode);

// The operation a write-coil echo acknowledges in the given control mode, if any.
std::optional<RemoteControl> MatchRemoteControl(CoilCommand echo, std::uint16_t controlMode);

}  // namespace modbus
