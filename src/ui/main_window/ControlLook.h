#pragma once
// Fonts and colours of the main window's controls: each label and field takes its point's colours from the
// tables, a telesignal state field shows red for 合, green for 分 and grey otherwise, and the clock boxes
// have their fixed colours. Controls of unused positions keep the dialog's look.
#include <string_view>

#include "config/PointTables.h"
#include "config/Rgb.h"

namespace ui {

enum class LookFont { Dialog, YcLabel, YxLabel, Log };

struct ControlLook {
    LookFont font = LookFont::Dialog;
    config::Rgb text{100, 100, 0};
    config::Rgb back{210, 222, 252};
    // The log box keeps the system's colours of an edit box.
    bool systemColours = false;
    friend bool operator==(const ControlLook&, const ControlLook&) = default;
};

inline constexpr config::Rgb kLookDialogBackground{210, 222, 252};
inline constexpr config::Rgb kLookDialogText{100, 100, 0};
inline constexpr config::Rgb kStateClosed{255, 0, 0};
inline constexpr config::Rgb kStateOpen{0, 255, 0};
inline constexpr config::Rgb kStateOther{244, 244, 244};
inline constexpr config::Rgb kClockBack{224, 224, 224};

// What a state field's text says about the signal: 1 for "合", 0 for "分", -1 for anything else.
int StateOfText(std::string_view utf8);

ControlLook YcLabelLook(const config::YcTable& yc, int point);
ControlLook YcValueLook(const config::YcTable& yc, int point);
ControlLook YxLabelLook(const config::YxTable& yx, int point);
// `state` as StateOfText gives it.
ControlLook YxStateLook(const config::YxTable& yx, int point, int state);
ControlLook LogBoxLook();
ControlLook PcTimeLook();
// Device time, model and version.
ControlLook DeviceBoxLook();
// Everything else: the dialog font and colours.
ControlLook DialogLook();

}  // namespace ui
