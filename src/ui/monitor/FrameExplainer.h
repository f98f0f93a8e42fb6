#pragma once
// What one frame of the monitor means for this relay: direction, address and function, the request's start
// and count (or the answer's byte count), whether the CRC is right, and what the point tables make of it:
// the operation a request asks for, and for a poll answer each register's point name and scaled value.
// Qt-free; texts are UTF-8, one line each.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "config/PointTables.h"

namespace ui {

enum class FrameDirection { Sent, Received };

// The tables a frame is read against; a null table counts as an empty one. Remote controls are named in
// `controlMode` (the mode the program reads their echoes in); in an unknown mode both readings are given.
struct ExplainTables {
    const config::YcTable* yc = nullptr;
    const config::YxTable* yx = nullptr;
    const config::ParamTable* param = nullptr;
    const config::SettingTable* setting = nullptr;
    std::uint16_t controlMode = 0xFFFF;
};

struct FrameExplanation {
    std::vector<std::string> lines;
    std::string Text() const;  // the lines joined by '\n'
};

// `request`, for a received frame: the last frame sent before it, empty when unknown. A register read's
// answer is read as the answer to that request when their sizes agree, otherwise recognised by its byte
// count, as the poll answer first, then as the parameter and the setting block.
FrameExplanation ExplainFrame(std::span<const std::uint8_t> frame, FrameDirection direction,
                              const ExplainTables& tables, std::span<const std::uint8_t> request = {});

}  // namespace ui
