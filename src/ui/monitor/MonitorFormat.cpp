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
