#pragma once
// The texts of the communication monitor: time-stamped lines, frames as hexadecimal bytes with their
// telesignal hints, the window titles and the proposed file name. Texts are UTF-8.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"

namespace ui {

inline constexpr char kMonitorTitleRunning[] = "通讯管理 - 正常监视";
inline constexpr char kMonitorTitlePaused[] = "通讯管理 - 暂停监视";
inline constexpr char kMonitorSaveTitle[] = "Tessel - 保存通讯监视记录";
inline constexpr char kMonitorSaveFolder[] = "报文存档";
inline constexpr char kMonitorOpenedLog[] = "成功打开通讯管理界面!";

// "hh:mm:ss -> " + text + CR LF.
std::string MonitorLine(const platform::LocalTime& time, const std::string& text);

// One line per telesignal whose bit is set in the frame's bytes 19 .. 30 (registers 8 .. 13 of a poll
// answer), each "\r\n" + 16 blanks + "遥信 NN 为合！". A word whose low byte would fall into the CRC or
// beyond the frame is skipped; frames shorter than 3 bytes have no words at all.
std::string TelesignalHint(const std::uint8_t* bytes, std::size_t length);

// The text of one frame, before the time stamp: "发 (LLL)" for a sent frame, "收 (LLL)" or "-- (LLL)" for a
// received one, the bytes as " %02X", and the hint of a received frame when `withHint` is set.
std::string MonitorFrameText(const std::uint8_t* bytes, std::size_t length, bool received, bool showReceived,
                             bool withHint);

// A frame read back from its monitor line, "hh:mm:ss -> 发 (LLL) XX XX ..." (line end removed). Nothing for
// any other line, nor when the length and the bytes disagree (the operator may have edited the text).
struct MonitorFrame {
    bool received = false;
    std::vector<std::uint8_t> bytes;
};
std::optional<MonitorFrame> ParseMonitorFrameLine(std::string_view line);

// A telesignal hint line of a received frame, 16 blanks and "遥信 ": it belongs to the frame above it.
bool IsTelesignalHintLine(std::string_view line);

// The icon shown for the sent frame at `phase` (0..3), and the phase after it: the two icons alternate.
int MonitorSendIcon(int phase);
int NextMonitorIconPhase(int phase);

// "(YY-MM-DD hh.mm).txt".
std::string MonitorSaveName(const platform::LocalTime& time);

}  // namespace ui
