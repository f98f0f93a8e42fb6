#include "ui/monitor/MonitorFormat.h"

#include <cstdio>

#include "resources/Pictures.h"

namespace ui {

std::string MonitorLine(const platform::LocalTime& time, const std::string& text) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d -> ", time.hour, time.minute, time.second);
    std::string line;
    line.reserve(text.size() + 16);
    line += stamp;
    line += text;
    line += "\r\n";
    return line;
}

std::string TelesignalHint(const std::uint8_t* bytes, std::size_t length) {
    std::string hint;
    // Signed, so that a frame of one or two bytes has no word instead of a huge unsigned bound.
    const long lastDataByte = static_cast<long>(length) - 3;
    for (int a = 0; a < 96; ++a) {
        const long hi = 19 + 2 * (a / 16);
        const long lo = hi + 1;
        if (lo > lastDataByte) continue;
        const unsigned word = bytes[hi] * 256u + bytes[lo];
        if ((word >> (a % 16)) & 1u) {
            char text[64];
            std::snprintf(text, sizeof text, "\r\n                遥信 %02d 为合！", a + 1);
            hint += text;
        }
    }
    return hint;
}

std::string MonitorFrameText(const std::uint8_t* bytes, std::size_t length, bool received, bool showReceived,
                             bool withHint) {
    static const char kHex[] = "0123456789ABCDEF";
    char head[32];
    const char* mark = !received ? "发" : (showReceived ? "收" : "--");
    std::snprintf(head, sizeof head, "%s (%03zu)", mark, length);
    std::string text;
    text.reserve(16 + 3 * length);
    text += head;
    for (std::size_t i = 0; i < length; ++i) {
        const char hex[3] = {' ', kHex[bytes[i] >> 4], kHex[bytes[i] & 0x0F]};
        text.append(hex, 3);
    }
    if (received && withHint) text += TelesignalHint(bytes, length);
    return text;
}

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::optional<MonitorFrame> ParseMonitorFrameLine(std::string_view line) {
    // "hh:mm:ss -> "
    constexpr std::string_view kArrow = " -> ";
    if (line.size() < 12 || line.substr(8, kArrow.size()) != kArrow) return std::nullopt;
    for (std::size_t i : {0u, 1u, 3u, 4u, 6u, 7u}) {
        if (!IsDigit(line[i])) return std::nullopt;
    }
    if (line[2] != ':' || line[5] != ':') return std::nullopt;
    std::string_view rest = line.substr(12);
    MonitorFrame frame;
    if (rest.starts_with("发")) {
        rest.remove_prefix(std::string_view("发").size());
    } else if (rest.starts_with("收")) {
        frame.received = true;
        rest.remove_prefix(std::string_view("收").size());
    } else if (rest.starts_with("--")) {
        frame.received = true;
        rest.remove_prefix(2);
    } else {
        return std::nullopt;
    }
    // " (LLL)", at least three digits.
    if (!rest.starts_with(" (")) return std::nullopt;
    rest.remove_prefix(2);
    std::size_t length = 0;
    std::size_t digits = 0;
    while (digits < rest.size() && IsDigit(rest[digits])) {
        length = length * 10 + static_cast<std::size_t>(rest[digits] - '0');
        if (length > 100000) return std::nullopt;
        ++digits;
    }
    if (digits < 3 || digits >= rest.size() || rest[digits] != ')') return std::nullopt;
    rest.remove_prefix(digits + 1);
    if (rest.size() != 3 * length) return std::nullopt;
    frame.bytes.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        const int high = HexDigit(rest[3 * i + 1]);
        const int low = HexDigit(rest[3 * i + 2]);
        if (rest[3 * i] != ' ' || high < 0 || low < 0) return std::nullopt;
        frame.bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
    }
    return frame;
}

bool IsTelesignalHintLine(std::string_view line) {
    return line.starts_with("                遥信 ");
}

int MonitorSendIcon(int phase) {
    return phase % 2 == 0 ? res::kIconMonitorSend : res::kIconMonitorReceive;
}

int NextMonitorIconPhase(int phase) {
    return (phase + 1) % 4;
}

std::string MonitorSaveName(const platform::LocalTime& time) {
    char name[64];
    std::snprintf(name, sizeof name, "(%02d-%02d-%02d %02d.%02d).txt", time.year - 2000, time.month, time.day,
                  time.hour, time.minute);
    return name;
}

}  // namespace ui
