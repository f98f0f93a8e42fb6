#include "modbus/Requests.h"

#include "modbus/Crc16.h"
#include "modbus/RegisterMap.h"

namespace modbus {

namespace {

std::uint8_t Hi(std::uint16_t v) {
    return static_cast<std::uint8_t>(v >> 8);
}
std::uint8_t Lo(std::uint16_t v) {
    return static_cast<std::uint8_t>(v & 0xFF);
}

void PutWord(Frame& f, std::uint16_t v) {
    f.push_back(Hi(v));
    f.push_back(Lo(v));
}

// Every frame the builders make stays within one CRC run, so appending cannot fail here.
Frame WithCrc(Frame f) {
    const std::size_t n = f.size();
    f.resize(n + kCrcBytes);
    AppendCrc16(f.data(), n);
    return f;
}

// Address, function code and two 16-bit words: the layout of reads and single-coil writes.
Frame FourWordRequest(std::uint8_t address, std::uint8_t function, std::uint16_t first,
                      std::uint16_t second) {
    Frame f{address, function};
    PutWord(f, first);
    PutWord(f, second);
    return WithCrc(std::move(f));
}

Frame WriteRegisters(std::uint8_t address, std::uint16_t start, std::span<const std::uint16_t> values) {
    const auto count = static_cast<std::uint16_t>(values.size());
    Frame f{address, kFnWriteMultipleRegisters};
    f.reserve(9 + 2 * values.size());
    PutWord(f, start);
    PutWord(f, count);
    f.push_back(static_cast<std::uint8_t>(2 * count));
    for (std::uint16_t v : values) PutWord(f, v);
    return WithCrc(std::move(f));
}

}  // namespace

Frame BuildPollRequest(std::uint8_t address, std::uint16_t askNumber) {
    return FourWordRequest(address, kFnReadHoldingRegisters, kPollStart, askNumber);
}

Frame BuildSoeReadRequest(std::uint8_t address, std::uint8_t readIndex, std::uint8_t count) {
    const auto start = static_cast<std::uint16_t>(kSoeRingStart + kSoeRecordRegisters * readIndex);
    const auto quantity = static_cast<std::uint16_t>(kSoeRecordRegisters * count);
    return FourWordRequest(address, kFnReadHoldingRegisters, start, quantity);
}

unsigned SoePendingRecords(std::uint8_t writeIndex, std::uint8_t readIndex) {
    if (writeIndex >= kSoeRingRecords || readIndex >= kSoeRingRecords) return 0;
    if (writeIndex >= readIndex) return writeIndex - readIndex;
    return writeIndex + kSoeRingRecords - readIndex;
}

Frame BuildAddressSearchRequest() {
    return FourWordRequest(kAddressSearchAddress, kFnReadHoldingRegisters, kAddressSearchRegister, 1);
}

std::optional<Frame> BuildBlockReadRequest(std::uint8_t address, std::uint16_t start, std::size_t number) {
    if (number == 0 || number > kMaxBlockReadEntries) return std::nullopt;
    return FourWordRequest(address, kFnReadHoldingRegisters, start, static_cast<std::uint16_t>(number));
}

std::optional<Frame> BuildBlockWriteRequest(std::uint8_t address, std::uint16_t start,
                                            std::span<const std::uint16_t> values) {
    if (values.empty() || values.size() > kMaxBlockWriteEntries) return std::nullopt;
    return WriteRegisters(address, start, values);
}

Frame BuildClockSetRequest(std::uint8_t address, std::uint16_t timePost, const platform::LocalTime& time) {
    const std::array<std::uint16_t, kClockRegisters> values = {
        static_cast<std::uint16_t>(time.year - kClockYearBase),
        static_cast<std::uint16_t>(time.month),
        static_cast<std::uint16_t>(time.day),
        static_cast<std::uint16_t>(time.hour),
        static_cast<std::uint16_t>(time.minute),
        static_cast<std::uint16_t>(time.second),
    };
    return WriteRegisters(address, timePost, values);
}

Frame BuildSignalResetRequest(std::uint8_t address) {
    return FourWordRequest(address, kFnWriteSingleCoil, kSignalResetCoil, kCoilOn);
}

std::optional<Frame> BuildRemoteControlRequest(std::uint8_t address, RemoteControl op,
                                               std::uint16_t controlMode) {
    const auto coil = RemoteControlCoil(op, controlMode);
    if (!coil) return std::nullopt;
    return FourWordRequest(address, kFnWriteSingleCoil, coil->coil, coil->on ? kCoilOn : kCoilOff);
}

Frame BuildCalibrationWrite1(std::uint8_t address, std::uint16_t reg, std::uint16_t value) {
    const std::array<std::uint16_t, 1> values = {value};
    return WriteRegisters(address, reg, values);
}

Frame BuildCalibrationWrite3(std::uint8_t address, std::uint16_t reg,
                             const std::array<std::uint16_t, 3>& values) {
    return WriteRegisters(address, reg, values);
}

std::optional<Frame> BuildEventBatchRequest(std::uint8_t address, unsigned batch) {
    const unsigned long first = static_cast<unsigned long>(batch) * kEventBatchRecords;
    if (first > 0xFFFF) return std::nullopt;
    return FourWordRequest(address, kFnReadEventRecords, static_cast<std::uint16_t>(first),
                           kEventBatchRecords);
}

}  // namespace modbus
