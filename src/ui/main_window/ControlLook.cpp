#include "ui/main_window/ControlLook.h"

#include <algorithm>

namespace ui {
namespace {

bool InUse(int point, int number) {
    return point >= 0 && point < std::min<int>(number, config::kPointCount);
}

}  // namespace

int StateOfText(std::string_view utf8) {
    if (utf8 == "合") return 1;
    if (utf8 == "分") return 0;
    return -1;
}

ControlLook DialogLook() {
    return {};
}

ControlLook YcLabelLook(const config::YcTable& yc, int point) {
    if (!InUse(point, yc.Number)) return DialogLook();
    return {LookFont::YcLabel, yc.ColorText[point], kLookDialogBackground};
}

ControlLook YcValueLook(const config::YcTable& yc, int point) {
    if (!InUse(point, yc.Number)) return DialogLook();
    return {LookFont::Dialog, yc.ColorText[point], yc.ColorBack[point]};
}

ControlLook YxLabelLook(const config::YxTable& yx, int point) {
    if (!InUse(point, yx.Number)) return DialogLook();
    return {LookFont::YxLabel, yx.ColorText[point], kLookDialogBackground};
}

ControlLook YxStateLook(const config::YxTable& yx, int point, int state) {
    if (!InUse(point, yx.Number)) return DialogLook();
    const config::Rgb back = state == 1 ? kStateClosed : state == 0 ? kStateOpen : kStateOther;
    return {LookFont::Dialog, yx.ColorText[point], back};
}

ControlLook LogBoxLook() {
    ControlLook look;
    look.font = LookFont::Log;
    look.systemColours = true;
    return look;
}

ControlLook PcTimeLook() {
    return {LookFont::Dialog, {255, 0, 0}, kClockBack};
}

ControlLook DeviceBoxLook() {
    return {LookFont::Dialog, {0, 0, 255}, kClockBack};
}

}  // namespace ui
