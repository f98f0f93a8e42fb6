#pragma once
// How long the 版本信息 sequence waits for the parameter reply: the wait screen's display time (its fade
// follows) and the further wait after it. Tests shorten them.
#include <chrono>

namespace ui {

struct HardwareIdWaits {
    std::chrono::milliseconds splash{2000};
    std::chrono::milliseconds further{1000};  // 100 x 10 ms
};

HardwareIdWaits CurrentHardwareIdWaits();
void SetHardwareIdWaits(const HardwareIdWaits& waits);

}  // namespace ui
