#include "config/ColourByName.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/Gbk.h"

namespace config {
namespace {

TEST(ColourByName, EachOfTheTenNamesGivesItsColour) {
    const std::vector<std::pair<const char*, Rgb>> expected = {
        {"红", {255, 100, 100}}, {"绿", {0, 255, 0}},     {"蓝", {0, 0, 255}}, {"棕", {200, 100, 150}},
        {"紫", {255, 0, 255}},   {"黄", {255, 255, 0}},   {"黑", {0, 0, 0}},   {"白", {255, 255, 255}},
        {"灰", {240, 240, 240}}, {"淡", {210, 222, 252}},
    };
    for (const auto& [utf8, colour] : expected) {
        EXPECT_EQ(ColourByName(platform::Utf8ToGbk(utf8)), colour) << utf8;
    }
}

TEST(ColourByName, AnythingButAnExactNameGivesTheDefault) {
    for (const char* utf8 : {"红色", "", " 红", "红 ", "red", "青", "红红"}) {
        EXPECT_EQ(ColourByName(platform::Utf8ToGbk(utf8)), kDefaultColour) << utf8;
    }
    // The UTF-8 bytes of a name are not its GBK bytes.
    EXPECT_EQ(ColourByName("红"), kDefaultColour);
    // Half of a double-byte name.
    EXPECT_EQ(ColourByName(platform::Utf8ToGbk("红").substr(0, 1)), kDefaultColour);
    EXPECT_EQ(kDefaultColour, (Rgb{200, 100, 150}));
}

TEST(Rgb, ColorRefHasRedInTheLowestByte) {
    constexpr Rgb colour{0x12, 0x34, 0x56};
    EXPECT_EQ(colour.ToColorRef(), 0x00563412u);
    EXPECT_EQ(Rgb::FromColorRef(0xFF563412u), colour);
}

}  // namespace
}  // namespace config
