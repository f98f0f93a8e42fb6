#pragma once
// One event (SOE) record of the relay's ring, 10 bytes as returned by the SOE read.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace modbus {

struct SoeRecord {
    std::uint8_t code = 0;  // the Post of the telesignal concerned
    std::uint8_t spare = 0;
    std::uint16_t millisecond = 0;
    std::uint8_t second = 0;
    std::uint8_t minute = 0;
    std::uint8_t hour = 0;
    std::uint8_t day = 0;
    std::uint8_t month = 0;
    std::uint8_t yearOffset = 0;  // year - 2000
    bool operator==(const SoeRecord&) const = default;
};

// Parses one record from `available` bytes; nothing when fewer than 10 bytes are available.
std::optional<SoeRecord> ParseSoeRecord(const std::uint8_t* data, std::size_t available);

// The complete records of a function-3 SOE response, in order: record r at bytes 3 + 10r. Only records that
// lie entirely inside both the byte count and the received bytes are returned, so a byte count larger than
// the frame or not a multiple of 10 never leads past the data.
std::vector<SoeRecord> ParseSoeResponse(const std::uint8_t* frame, std::size_t received);

}  // namespace modbus
