#pragma once
// Where every control of the main window sits, in dialog units of the 680 x 399 window, and the texts the
// window starts with. Left to right: three telemetry columns of 21 rows, telesignal column 3 (signals 41-68),
// telesignal columns 1 and 2 with the log box under them; along the bottom the clock group, the link group
// and the two rows of buttons.
#include <array>
#include <string>

namespace ui::main_layout {

struct DluRect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;
    int Right() const { return x + w; }
    int Bottom() const { return y + h; }
    friend bool operator==(const DluRect&, const DluRect&) = default;
};

inline constexpr int kWindowWidth = 680;
inline constexpr int kWindowHeight = 399;

inline constexpr int kYcColumns = 3;
inline constexpr int kYcRows = 21;
inline constexpr int kYcCapacity = kYcColumns * kYcRows;  // 63
// Telemetry labels 1..44 come with the window; 45..63 (the rest of column 3) are created at start-up.
inline constexpr int kYcTemplateLabels = 44;

inline constexpr int kYxColumnRows = 20;                     // columns 1 and 2: signals 1-20 and 21-40
inline constexpr int kYxColumn3Rows = 28;                    // column 3: signals 41-68
inline constexpr int kYxTemplateLabels = 2 * kYxColumnRows;  // 40
inline constexpr int kYxCapacity = kYxTemplateLabels + kYxColumn3Rows;  // 68

// Telemetry point i (0-based) sits in column i / 21, row i % 21.
DluRect YcFrame(int column);
DluRect YcLabel(int point);
DluRect YcValue(int point);

// Telesignal frames: 0 and 1 are columns 1 and 2, 2 is column 3.
DluRect YxFrame(int column);
DluRect YxLabel(int point);
DluRect YxState(int point);

DluRect LogBox();

enum class ClockBox { PcTime, DeviceTime, DeviceModel, DeviceVersion };
inline constexpr int kClockBoxes = 4;
DluRect ClockFrame();
DluRect ClockLabel(ClockBox box);
DluRect ClockField(ClockBox box);
const char* ClockLabelText(ClockBox box);

DluRect LinkFrame();
DluRect PortLabel();
DluRect PortBox();
DluRect AddressLabel();
DluRect AddressBox();
DluRect NetworkModeCheck();
DluRect ReconnectButton();

enum class Button {
    EventRecords,
    ClockSet,
    SignalReset,
    CloseHigh,
    CloseLow1,
    CloseLow2,
    VersionInfo,
    Monitor,
    Settings,
    OpenHigh,
    OpenLow1,
    OpenLow2,
};
inline constexpr int kButtonCount = 12;
DluRect ButtonFrame();
// Buttons in the order of the enum: the upper row left to right, then the lower row.
DluRect ButtonRect(Button button);
const char* ButtonText(Button button);

// The texts labels show until a point's name replaces them: "遥测%d" in columns 1 and 2, "Static" for the
// two template labels of column 3, "动态创建%d" for the labels created at start-up.
std::string YcPlaceholder(int point);
// "开入%d" for the template labels of columns 1 and 2, "动态创建" for the labels created in column 3.
std::string YxPlaceholder(int point);

}  // namespace ui::main_layout
