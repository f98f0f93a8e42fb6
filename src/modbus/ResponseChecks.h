#pragma once
// Checks of the responses the management thread verifies, and register look-ups in function-3 responses.
// Every function takes the frame and the number of bytes received and never reads beyond them.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace modbus {

enum class PollFault { None, BadHeader, TooShort, BadCrc };

inline constexpr std::string_view kPollBadHeaderText = "轮循过程收到报文头错误的报文!";
inline constexpr std::string_view kPollTooShortText = "轮循过程收到长度太短的报文!";
inline constexpr std::string_view kPollBadCrcText = "轮循过程收到CRC错误的报文!";
inline constexpr std::string_view kAddressSearchBadCrcText = "寻找地址收到CRC错误的报文!";

// Poll response checks in order: address and function code 3 (fewer than 3 bytes also fail here), at least
// byte count + 5 bytes, CRC over byte count + 3 bytes.
PollFault CheckPollResponse(const std::uint8_t* frame, std::size_t received, std::uint8_t deviceAddress);

// The log text of a poll fault; empty for PollFault::None.
std::string_view PollFaultText(PollFault fault);

// Address-search response: only the CRC is checked (the request went to 254, any address may answer).
bool CheckAddressSearchResponse(const std::uint8_t* frame, std::size_t received);

// The address reported by an address-search response: the low byte of its first register. Nothing when the
// response carries no complete register.
std::optional<std::uint8_t> SearchedAddress(const std::uint8_t* frame, std::size_t received);

// Register `index` (0-based) of a function-3 response: bytes 3 + 2 x index (high) and 4 + 2 x index (low).
// Nothing unless both bytes lie inside the byte count (frame[2]) and before the two CRC bytes of the
// received frame.
std::optional<std::uint16_t> RegisterAt(const std::uint8_t* frame, std::size_t received, std::size_t index);

// Register at 1-based position p (a block entry's Post): bytes 2p + 1 and 2p + 2. Nothing for p = 0, for
// p above kMaxRegisterPosition (those byte indices do not fit 8 bits) and where RegisterAt gives nothing.
std::optional<std::uint16_t> RegisterAtPosition(const std::uint8_t* frame, std::size_t received, unsigned p);

}  // namespace modbus
