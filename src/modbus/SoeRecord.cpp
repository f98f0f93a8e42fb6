#include "modbus/SoeRecord.h"

#include <algorithm>

#include "modbus/RegisterMap.h"

namespace modbus {

std::optional<SoeRecord> ParseSoeRecord(const std::uint8_t* data, std::size_t available) {
    if (available < kSoeRecordBytes) return std::nullopt;
    SoeRecord r;
    r.code = data[0];
    r.spare = data[1];
    r.millisecond = static_cast<std::uint16_t>(data[2] << 8 | data[3]);
    r.second = data[4];
    r.minute = data[5];
    r.hour = data[6];
    r.day = data[7];
    r.month = data[8];
    r.yearOffset = data[9];
    return r;
}

std::vector<SoeRecord> ParseSoeResponse(const std::uint8_t* frame, std::size_t received) {
    std::vector<SoeRecord> records;
    if (received <= kResponseHeaderBytes) return records;
    const std::size_t end = std::min(received, kResponseHeaderBytes + frame[2]);
    for (std::size_t at = kResponseHeaderBytes; at + kSoeRecordBytes <= end; at += kSoeRecordBytes) {
        records.push_back(*ParseSoeRecord(frame + at, end - at));
    }
    return records;
}

}  // namespace modbus
