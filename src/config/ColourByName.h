#pragma once
// Colour names of VARN.ini: one Chinese character each, in GBK.
#include <string_view>

#include "config/Rgb.h"

namespace config {

// Colour of any name that is not one of the ten known ones (also of an empty text).
inline constexpr Rgb kDefaultColour{200, 100, 150};

// Looks up a colour by its GBK name: 红 绿 蓝 棕 紫 黄 黑 白 灰 淡. The bytes must match exactly, so "红色"
// or " 红" are unknown names and give kDefaultColour.
Rgb ColourByName(std::string_view gbkName);

}  // namespace config
