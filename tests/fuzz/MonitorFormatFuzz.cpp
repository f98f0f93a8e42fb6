// The communication monitor's texts for any frame: the line of a sent or received frame reads back as the
// same frame, its telesignal hints name only set bits, any other text gives no frame or a consistent one, and
// the explanation against the sample tables is made for every frame in both directions.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "FuzzEngine.h"
#include "ui/monitor/FrameExplainer.h"
#include "ui/monitor/MonitorFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::Engine engine;  // the sample configuration's tables
    if (size == 0) return 0;
    const std::uint8_t flags = data[0];
    const std::uint8_t* frame = data + 1;
    const std::size_t length = size - 1;

    const bool received = flags & 1;
    const std::string text = ui::MonitorFrameText(frame, length, received, flags & 2, flags & 4);
    platform::LocalTime time;
    time.hour = flags % 24, time.minute = flags % 60, time.second = 59;
    std::string line = ui::MonitorLine(time, text);
    if (line.size() < 2 || line.substr(line.size() - 2) != "\r\n") __builtin_trap();
    line.resize(line.size() - 2);
    // The hint lines follow the frame's own line.
    const std::string_view first = std::string_view(line).substr(0, line.find("\r\n"));
    const auto back = ui::ParseMonitorFrameLine(first);
    if (!back || back->received != received || back->bytes.size() != length ||
        !std::equal(back->bytes.begin(), back->bytes.end(), frame))
        __builtin_trap();
    for (std::size_t at = line.find("\r\n"); at != std::string::npos; at = line.find("\r\n", at + 2)) {
        const std::string_view hint =
            std::string_view(line).substr(at + 2, line.find("\r\n", at + 2) - at - 2);
        if (!ui::IsTelesignalHintLine(hint)) __builtin_trap();
    }

    // Any text as a line of a saved monitor.
    const std::string_view any(reinterpret_cast<const char*>(frame), length);
    if (const auto parsed = ui::ParseMonitorFrameLine(any)) {
        const std::string again =
            "00:00:00 -> " +
            ui::MonitorFrameText(parsed->bytes.data(), parsed->bytes.size(), parsed->received, true, false);
        const auto reread = ui::ParseMonitorFrameLine(again);
        if (!reread || reread->received != parsed->received || reread->bytes != parsed->bytes)
            __builtin_trap();
    }

    ui::ExplainTables tables;
    tables.yc = engine.yc.get();
    tables.yx = engine.yx.get();
    tables.param = engine.param.get();
    tables.setting = engine.setting.get();
    tables.controlMode = flags & 8 ? 0xFFFF : flags >> 4;
    const std::span<const std::uint8_t> bytes(frame, length);
    // The frame before it as the request it answers: its first half.
    ui::ExplainFrame(bytes, ui::FrameDirection::Sent, tables);
    ui::ExplainFrame(bytes, ui::FrameDirection::Received, tables, bytes.first(length / 2));
    ui::ExplainFrame(bytes, ui::FrameDirection::Received, tables);
    return 0;
}
