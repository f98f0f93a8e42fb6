#pragma once
// Project files: the settings table's image (137988 bytes) followed by the parameter table's (6536 bytes),
// little-endian, written and read field by field. Definitions and runtime values travel together.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/PointTables.h"

namespace ui {

inline constexpr std::size_t kSettingRecordSize = 137988;
inline constexpr std::size_t kParamRecordSize = 6536;
inline constexpr std::size_t kProjectFileSize = kSettingRecordSize + kParamRecordSize;  // 144524

std::vector<std::uint8_t> EncodeProject(const config::SettingTable& setting, const config::ParamTable& param);

// Fills both tables from an image of exactly kProjectFileSize bytes; false (tables untouched) for any other
// size. Number is clamped to 128 and ValueNmuber to 32, and every text keeps at most 31 bytes.
bool DecodeProject(const std::vector<std::uint8_t>& image, config::SettingTable& setting,
                   config::ParamTable& param);

enum class ProjectFileResult { Ok, CannotOpen, WrongSize, CannotWrite };

// Replaces the file's content with `image`, written completely before it takes the old file's place.
ProjectFileResult WriteProjectFile(const std::string& path, const std::vector<std::uint8_t>& image);
// Reads the whole file; WrongSize unless it is exactly kProjectFileSize bytes, CannotOpen for anything that
// is not a regular file (a FIFO or a device is never read).
ProjectFileResult ReadProjectFile(const std::string& path, std::vector<std::uint8_t>& image);

}  // namespace ui
