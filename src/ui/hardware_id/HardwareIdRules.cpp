#include "ui/hardware_id/HardwareIdRules.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdio>

#include "modbus/Crc16.h"

namespace ui {

bool HardwareIdProtected(const HardwareInfoBytes& info) {
    return modbus::CheckCrc16(info.data(), 12);
}

bool HardwareIdShownValid(const HardwareInfoBytes& info) {
    return HardwareIdProtected(info) && info[2] != 0 && info[3] >= 15 && info[4] <= 12 && info[5] <= 31 &&
           info[6] <= 24 && info[7] <= 60 && (info[8] | info[9] | info[10] | info[11]) != 0;
}

bool HardwareIdAcceptedForWriting(const HardwareIdBytes& id) {
    return id[0] == 0 && id[1] == 0 && id[2] == 2 && id[3] >= 14 && id[4] <= 12 && id[5] <= 31 &&
           id[6] <= 24 && id[7] <= 60;
}

std::string HardwareIdText(const HardwareInfoBytes& info) {
    std::string text;
    for (int i = 0; i < 12; ++i) {
        char pair[8];
        std::snprintf(pair, sizeof pair, "%02d", info[i]);
        text += pair;
    }
    return text;
}

std::string DefaultTimeSequence(const platform::LocalTime& time) {
    char text[40];
    std::snprintf(text, sizeof text, "000002%02d%02d%02d%02d%02d", time.year - 2000, time.month, time.day,
                  time.hour, time.minute);
    return text;
}

long long TypedNumber(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = std::min<long long>(value * 10 + (text[i] - '0'), static_cast<long long>(INT_MAX) + 1);
    }
    value = negative ? -value : value;
    return std::clamp<long long>(value, INT_MIN, INT_MAX);
}

std::string SerialText(const std::string& typed) {
    char text[32];
    std::snprintf(text, sizeof text, "%08lld", TypedNumber(typed));
    return text;
}

DoubleEntry CheckDoubleEntry(const std::string& timeText, const std::string& serial,
                             const std::string& serialAgain) {
    DoubleEntry entry;
    entry.combined = timeText + SerialText(serial);
    const std::string check = timeText.substr(0, kTimeSequenceDigits) + SerialText(serialAgain);
    entry.same = check == entry.combined;
    return entry;
}

ParsedId ParseHardwareIdText(const std::string& text) {
    ParsedId parsed;
    if (text.size() != kHardwareIdDigits) {
        parsed.fault = IdTextFault::Length;
        return parsed;
    }
    for (std::size_t k = 0; k < 12; ++k) {
        const char hi = text[2 * k], lo = text[2 * k + 1];
        // Only digits make a pair; anything else would be read into a wrong byte.
        if (!std::isdigit(static_cast<unsigned char>(hi)) || !std::isdigit(static_cast<unsigned char>(lo))) {
            parsed.fault = IdTextFault::Format;
            return parsed;
        }
        parsed.bytes[k] = static_cast<std::uint8_t>((hi - '0') * 10 + (lo - '0'));
    }
    if (!HardwareIdAcceptedForWriting(parsed.bytes)) parsed.fault = IdTextFault::Format;
    return parsed;
}

HardwareInfoBytes WithHardwareIdCrc(const HardwareIdBytes& id) {
    HardwareInfoBytes info{};
    std::copy(id.begin(), id.end(), info.begin());
    modbus::AppendCrc16(info.data(), 12);
    return info;
}

}  // namespace ui
