#include "ui/main_window/ControlLook.h"

#include <gtest/gtest.h>

namespace {

using config::Rgb;
using ui::ControlLook;
using ui::LookFont;

TEST(ControlLookTest, PointsInUseTakeTheirTableColours) {
    config::YcTable yc{};
    config::YxTable yx{};
    yc.Number = 2;
    yx.Number = 2;
    yc.ColorText[1] = {0, 0, 255};
    yc.ColorBack[1] = {255, 255, 255};
    yx.ColorText[1] = {10, 20, 30};
    yc.ColorText[2] = yx.ColorText[2] = {1, 2, 3};

    EXPECT_EQ(ui::YcLabelLook(yc, 1), (ControlLook{LookFont::YcLabel, {0, 0, 255}, {210, 222, 252}}));
    EXPECT_EQ(ui::YcValueLook(yc, 1), (ControlLook{LookFont::Dialog, {0, 0, 255}, {255, 255, 255}}));
    EXPECT_EQ(ui::YxLabelLook(yx, 1), (ControlLook{LookFont::YxLabel, {10, 20, 30}, {210, 222, 252}}));
    // Positions beyond Number keep the dialog's look.
    EXPECT_EQ(ui::YcLabelLook(yc, 2), ui::DialogLook());
    EXPECT_EQ(ui::YcValueLook(yc, 2), ui::DialogLook());
    EXPECT_EQ(ui::YxLabelLook(yx, 2), ui::DialogLook());
    EXPECT_EQ(ui::YxStateLook(yx, 2, 1), ui::DialogLook());
    EXPECT_EQ(ui::DialogLook(), (ControlLook{LookFont::Dialog, {100, 100, 0}, {210, 222, 252}}));
}

TEST(ControlLookTest, StateFieldColourFollowsTheState) {
    config::YxTable yx{};
    yx.Number = 1;
    yx.ColorText[0] = {0, 0, 0};
    EXPECT_EQ(ui::StateOfText("合"), 1);
    EXPECT_EQ(ui::StateOfText("分"), 0);
    EXPECT_EQ(ui::StateOfText(""), -1);
    EXPECT_EQ(ui::YxStateLook(yx, 0, ui::StateOfText("合")).back, (Rgb{255, 0, 0}));
    EXPECT_EQ(ui::YxStateLook(yx, 0, ui::StateOfText("分")).back, (Rgb{0, 255, 0}));
    EXPECT_EQ(ui::YxStateLook(yx, 0, ui::StateOfText("")).back, (Rgb{244, 244, 244}));
    EXPECT_EQ(ui::YxStateLook(yx, 0, 1).font, LookFont::Dialog);
}

TEST(ControlLookTest, ClockBoxesAndLogBox) {
    EXPECT_EQ(ui::PcTimeLook(), (ControlLook{LookFont::Dialog, {255, 0, 0}, {224, 224, 224}}));
    EXPECT_EQ(ui::DeviceBoxLook(), (ControlLook{LookFont::Dialog, {0, 0, 255}, {224, 224, 224}}));
    EXPECT_EQ(ui::LogBoxLook().font, LookFont::Log);
    EXPECT_TRUE(ui::LogBoxLook().systemColours);
}

}  // namespace
