#pragma once
// One Modbus RTU frame as it goes on the wire: address, function code, body, CRC low byte, CRC high byte.
#include <cstdint>
#include <vector>

namespace modbus {

using Frame = std::vector<std::uint8_t>;

}  // namespace modbus
