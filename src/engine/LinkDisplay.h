#pragma once
// The PC-time box and the link texts of the device-time box, with the blanking of every value on a link
// fault. Texts that have not changed are not pushed to the view again: while the port is missing the
// management thread passes here every millisecond.
#include <string>

#include "engine/EngineContext.h"

namespace engine {

class LinkDisplay {
  public:
    explicit LinkDisplay(EngineContext& ctx) : ctx_(ctx) {}

    // "%02d-%02d-%02d %02d:%02d:%02d" of the PC's local time (year - 2000 first).
    void ShowPcTime();
    // Shows `text` in the device-time box and blanks every telemetry value and telesignal state.
    void ShowLinkFault(const std::string& text);
    // Someone else (the poll decoding) wrote the device-time box: the next link text must be shown again.
    // It also wrote the tables' runtime fields, so the next link fault must blank them again.
    void DeviceTimeOverwritten() {
        lastDeviceTime_.clear();
        tablesBlank_ = false;
    }

  private:
    EngineContext& ctx_;
    std::string lastPcTime_;
    std::string lastDeviceTime_;
    // Every value and state already holds its link-fault marker and its field is blank.
    bool tablesBlank_ = false;
};

std::string FormatPcTime(const platform::LocalTime& t);

}  // namespace engine
