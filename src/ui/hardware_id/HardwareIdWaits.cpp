#include "ui/hardware_id/HardwareIdWaits.h"

namespace ui {
namespace {

HardwareIdWaits waits;

}  // namespace

HardwareIdWaits CurrentHardwareIdWaits() {
    return waits;
}
void SetHardwareIdWaits(const HardwareIdWaits& w) {
    waits = w;
}

}  // namespace ui
