#pragma once
// Builders of every request the host sends to the relay. Each returns the complete frame with its CRC; the
// builders that can be asked for a frame the relay or the command slot cannot take return nothing instead.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "modbus/Frame.h"
#include "modbus/RemoteControl.h"
#include "platform/Clock.h"

namespace modbus {

// Function-3 read of the poll image, registers 0 .. askNumber - 1. 8 bytes.
Frame BuildPollRequest(std::uint8_t address, std::uint16_t askNumber);

// Function-3 read of `count` SOE records from ring record `readIndex`: start 500 + 5 x readIndex, quantity
// 5 x count. A read may run past the ring's last record when the relay's indices have wrapped. 8 bytes.
Frame BuildSoeReadRequest(std::uint8_t address, std::uint8_t readIndex, std::uint8_t count);

// Records waiting in the SOE ring for the indices of poll register 6 (0 when equal). Indices outside the
// ring (20 or more) give 0: such a word is not a valid ring state and nothing sensible can be read.
unsigned SoePendingRecords(std::uint8_t writeIndex, std::uint8_t readIndex);

// Function-3 read of register 0 sent to address 254, whatever the configured address. 8 bytes.
Frame BuildAddressSearchRequest();

// Function-3 read of a parameter or setting block: quantity high byte 0x00, low byte `number`.
// Nothing for 0 entries or more than kMaxBlockReadEntries. 8 bytes.
std::optional<Frame> BuildBlockReadRequest(std::uint8_t address, std::uint16_t start, std::size_t number);

// Function-16 write of a parameter or setting block, values in table order. 9 + 2N bytes.
// Nothing for 0 entries (a zero-quantity write is not a valid request) or more than kMaxBlockWriteEntries.
std::optional<Frame> BuildBlockWriteRequest(std::uint8_t address, std::uint16_t start,
                                            std::span<const std::uint16_t> values);

// Function-16 write of the relay clock at timePost: year - 2000, month, day, hour, minute, second. 21 bytes.
Frame BuildClockSetRequest(std::uint8_t address, std::uint16_t timePost, const platform::LocalTime& time);

// Function-5 write of coil 11 on. 8 bytes.
Frame BuildSignalResetRequest(std::uint8_t address);

// Function-5 write of the coil of `op` in `controlMode`; nothing when the mode is neither 0 nor 1. 8 bytes.
std::optional<Frame> BuildRemoteControlRequest(std::uint8_t address, RemoteControl op,
                                               std::uint16_t controlMode);

// Function-16 calibration writes of one register (11 bytes) and of three consecutive registers (15 bytes).
Frame BuildCalibrationWrite1(std::uint8_t address, std::uint16_t reg, std::uint16_t value);
Frame BuildCalibrationWrite3(std::uint8_t address, std::uint16_t reg,
                             const std::array<std::uint16_t, 3>& values);

// Function-17 read of event-record batch `batch`: first record batch x 25, 25 records. Nothing when the
// first record would not fit 16 bits. 8 bytes.
std::optional<Frame> BuildEventBatchRequest(std::uint8_t address, unsigned batch);

// Byte offsets inside the one-register calibration write, for filling in the value of a prepared frame.
inline constexpr std::size_t kCalibrationValueOffset = 7;
inline constexpr std::size_t kCalibrationWrite1Body = 9;  // bytes covered by the CRC

}  // namespace modbus
