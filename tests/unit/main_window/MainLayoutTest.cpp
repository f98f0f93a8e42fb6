#include "ui/main_window/MainLayout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

namespace ml = ui::main_layout;
using ml::DluRect;

bool Overlap(const DluRect& a, const DluRect& b) {
    return a.x < b.Right() && b.x < a.Right() && a.y < b.Bottom() && b.y < a.Bottom();
}
bool Inside(const DluRect& inner, const DluRect& outer) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.Right() <= outer.Right() &&
           inner.Bottom() <= outer.Bottom();
}

struct Named {
    std::string name;
    DluRect rect;
};

std::vector<Named> AllControls() {
    std::vector<Named> all;
    for (int i = 0; i < ml::kYcCapacity; ++i) {
        all.push_back({"yc label " + std::to_string(i), ml::YcLabel(i)});
        all.push_back({"yc value " + std::to_string(i), ml::YcValue(i)});
    }
    for (int i = 0; i < ml::kYxCapacity; ++i) {
        all.push_back({"yx label " + std::to_string(i), ml::YxLabel(i)});
        all.push_back({"yx state " + std::to_string(i), ml::YxState(i)});
    }
    all.push_back({"log box", ml::LogBox()});
    for (int k = 0; k < ml::kClockBoxes; ++k) {
        all.push_back({"clock label " + std::to_string(k), ml::ClockLabel(static_cast<ml::ClockBox>(k))});
        all.push_back({"clock field " + std::to_string(k), ml::ClockField(static_cast<ml::ClockBox>(k))});
    }
    for (auto rect : {ml::PortLabel(), ml::PortBox(), ml::AddressLabel(), ml::AddressBox(),
                      ml::NetworkModeCheck(), ml::ReconnectButton()}) {
        all.push_back({"link", rect});
    }
    for (int b = 0; b < ml::kButtonCount; ++b) {
        all.push_back(
            {ml::ButtonText(static_cast<ml::Button>(b)), ml::ButtonRect(static_cast<ml::Button>(b))});
    }
    return all;
}

TEST(MainLayoutTest, ControlsLieInTheWindowWithoutOverlapping) {
    const DluRect window{0, 0, ml::kWindowWidth, ml::kWindowHeight};
    const auto all = AllControls();
    for (std::size_t a = 0; a < all.size(); ++a) {
        EXPECT_TRUE(Inside(all[a].rect, window)) << all[a].name;
        EXPECT_GT(all[a].rect.w, 0) << all[a].name;
        for (std::size_t b = a + 1; b < all.size(); ++b) {
            EXPECT_FALSE(Overlap(all[a].rect, all[b].rect)) << all[a].name << " / " << all[b].name;
        }
    }
}

TEST(MainLayoutTest, TelemetryFillsThreeColumnsOf21Rows) {
    for (int i = 0; i < ml::kYcCapacity; ++i) {
        const int column = i / 21;
        const int row = i % 21;
        EXPECT_TRUE(Inside(ml::YcLabel(i), ml::YcFrame(column))) << i;
        EXPECT_TRUE(Inside(ml::YcValue(i), ml::YcFrame(column))) << i;
        // Same row as the column's first point, one row pitch further down per row; value right of label.
        EXPECT_EQ(ml::YcLabel(i).x, ml::YcLabel(column * 21).x) << i;
        EXPECT_EQ(ml::YcLabel(i).y, ml::YcLabel(row).y) << i;
        EXPECT_EQ(ml::YcValue(i).y, ml::YcLabel(i).y) << i;
        EXPECT_GT(ml::YcValue(i).x, ml::YcLabel(i).Right() - 1) << i;
    }
    // The labels created at start-up follow the column's last template label at the column's pitch.
    const int pitch = ml::YcLabel(43).y - ml::YcLabel(42).y;
    EXPECT_GT(pitch, 0);
    EXPECT_EQ(ml::YcLabel(44).y, ml::YcLabel(43).y + pitch);
    EXPECT_EQ(ml::YcLabel(62).y, ml::YcLabel(43).y + 19 * pitch);
    // Left to right: telemetry, telesignal column 3, telesignal columns 1 and 2.
    EXPECT_LT(ml::YcFrame(2).Right(), ml::YxFrame(2).x + 1);
    EXPECT_LT(ml::YxFrame(2).Right(), ml::YxFrame(0).x + 1);
    EXPECT_LT(ml::YxFrame(0).Right(), ml::YxFrame(1).x + 1);
}

TEST(MainLayoutTest, TelesignalColumnsAndLogBox) {
    for (int i = 0; i < ml::kYxCapacity; ++i) {
        const int frame = i < 20 ? 0 : i < 40 ? 1 : 2;
        EXPECT_TRUE(Inside(ml::YxLabel(i), ml::YxFrame(frame))) << i;
        EXPECT_TRUE(Inside(ml::YxState(i), ml::YxFrame(frame))) << i;
        EXPECT_EQ(ml::YxState(i).y, ml::YxLabel(i).y) << i;
    }
    EXPECT_EQ(ml::YxLabel(40).y, ml::YxLabel(0).y);   // signal 41 heads column 3
    EXPECT_EQ(ml::YxLabel(20).y, ml::YxLabel(0).y);   // signal 21 heads column 2
    EXPECT_GT(ml::YxLabel(67).y, ml::YxLabel(19).y);  // column 3 is the longer one
    // The log box lies under columns 1 and 2, as wide as both.
    EXPECT_GE(ml::LogBox().y, ml::YxFrame(0).Bottom());
    EXPECT_EQ(ml::LogBox().x, ml::YxFrame(0).x);
    EXPECT_EQ(ml::LogBox().Right(), ml::YxFrame(1).Right());
}

TEST(MainLayoutTest, BottomGroupsAndButtonRows) {
    EXPECT_LT(ml::ClockFrame().Right(), ml::LinkFrame().x);
    EXPECT_LT(ml::LinkFrame().Right(), ml::ButtonFrame().x);
    for (int k = 0; k < ml::kClockBoxes; ++k) {
        EXPECT_TRUE(Inside(ml::ClockField(static_cast<ml::ClockBox>(k)), ml::ClockFrame()));
    }
    EXPECT_TRUE(Inside(ml::ReconnectButton(), ml::LinkFrame()));
    EXPECT_TRUE(Inside(ml::AddressBox(), ml::LinkFrame()));
    const char* upper[] = {"事件记录", "校对时钟", "信号复归", "合高压侧", "合1#低压侧", "合2#低压侧"};
    const char* lower[] = {"版本信息", "通讯管理", "定值参数", "分高压侧", "分1#低压侧", "分2#低压侧"};
    for (int c = 0; c < 6; ++c) {
        const auto up = static_cast<ml::Button>(c);
        const auto down = static_cast<ml::Button>(c + 6);
        EXPECT_STREQ(ml::ButtonText(up), upper[c]);
        EXPECT_STREQ(ml::ButtonText(down), lower[c]);
        EXPECT_TRUE(Inside(ml::ButtonRect(up), ml::ButtonFrame()));
        EXPECT_EQ(ml::ButtonRect(up).x, ml::ButtonRect(down).x);
        EXPECT_LT(ml::ButtonRect(up).y, ml::ButtonRect(down).y);
        if (c > 0) {
            EXPECT_GT(ml::ButtonRect(up).x, ml::ButtonRect(static_cast<ml::Button>(c - 1)).x);
        }
    }
}

TEST(MainLayoutTest, PlaceholderTexts) {
    EXPECT_EQ(ml::YcPlaceholder(0), "遥测1");
    EXPECT_EQ(ml::YcPlaceholder(13), "遥测14");
    EXPECT_EQ(ml::YcPlaceholder(41), "遥测42");
    EXPECT_EQ(ml::YcPlaceholder(42), "Static");
    EXPECT_EQ(ml::YcPlaceholder(43), "Static");
    EXPECT_EQ(ml::YcPlaceholder(44), "动态创建45");
    EXPECT_EQ(ml::YcPlaceholder(62), "动态创建63");
    EXPECT_EQ(ml::YxPlaceholder(0), "开入1");
    EXPECT_EQ(ml::YxPlaceholder(39), "开入40");
    EXPECT_EQ(ml::YxPlaceholder(40), "动态创建");
}

}  // namespace
