#include "modbus/ResponseChecks.h"

#include "modbus/Crc16.h"
#include "modbus/RegisterMap.h"

namespace modbus {

PollFault CheckPollResponse(const std::uint8_t* frame, std::size_t received, std::uint8_t deviceAddress) {
    if (received < kResponseHeaderBytes || frame[0] != deviceAddress || frame[1] != kFnReadHoldingRegisters) {
        return PollFault::BadHeader;
    }
    if (received < static_cast<std::size_t>(frame[2]) + kResponseHeaderBytes + kCrcBytes)
        return PollFault::TooShort;
    if (!CheckResponseCrc(frame, received)) return PollFault::BadCrc;
    return PollFault::None;
}

std::string_view PollFaultText(PollFault fault) {
    switch (fault) {
        case PollFault::BadHeader:
            return kPollBadHeaderText;
        case PollFault::TooShort:
            return kPollTooShortText;
        case PollFault::BadCrc:
            return kPollBadCrcText;
        case PollFault::None:
            break;
    }
    return {};
}

bool CheckAddressSearchResponse(const std::uint8_t* frame, std::size_t received) {
    return CheckResponseCrc(frame, received);
}

std::optional<std::uint8_t> SearchedAddress(const std::uint8_t* frame, std::size_t received) {
    const auto value = RegisterAt(frame, received, 0);
    if (!value) return std::nullopt;
    return static_cast<std::uint8_t>(*value & 0xFF);
}

std::optional<std::uint16_t> RegisterAt(const std::uint8_t* frame, std::size_t received, std::size_t index) {
    if (received < kResponseHeaderBytes + kCrcBytes) return std::nullopt;
    const std::size_t lo = kResponseHeaderBytes + 2 * index + 1;
    const std::size_t dataEnd = kResponseHeaderBytes + frame[2];
    if (lo >= dataEnd || lo >= received - kCrcBytes) return std::nullopt;
    return static_cast<std::uint16_t>(frame[lo - 1] << 8 | frame[lo]);
}

std::optional<std::uint16_t> RegisterAtPosition(const std::uint8_t* frame, std::size_t received, unsigned p) {
    if (p == 0 || p > kMaxRegisterPosition) return std::nullopt;
    return RegisterAt(frame, received, p - 1);
}

}  // namespace modbus
