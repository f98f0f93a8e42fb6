#include "config/ColourByName.h"

#include <array>

namespace config {

namespace {

struct NamedColour {
    std::string_view gbk;
    Rgb colour;
};

// The names as GBK bytes, so the lookup needs no conversion.
constexpr std::array<NamedColour, 10> kColours{{
    {"\xBA\xEC", {255, 100, 100}},  // 红
    {"\xC2\xCC", {0, 255, 0}},      // 绿
    {"\xC0\xB6", {0, 0, 255}},      // 蓝
    {"\xD7\xD8", {200, 100, 150}},  // 棕
    {"\xD7\xCF", {255, 0, 255}},    // 紫
    {"\xBB\xC6", {255, 255, 0}},    // 黄
    {"\xBA\xDA", {0, 0, 0}},        // 黑
    {"\xB0\xD7", {255, 255, 255}},  // 白
    {"\xBB\xD2", {240, 240, 240}},  // 灰
    {"\xB5\xAD", {210, 222, 252}},  // 淡
}};

}  // namespace

Rgb ColourByName(std::string_view gbkName) {
    for (const NamedColour& named : kColours) {
        if (named.gbk == gbkName) return named.colour;
    }
    return kDefaultColour;
}

}  // namespace config
