#pragma once
// What the management thread shows in the main window. The window implements it; every call is carried out
// on the UI thread while the calling thread waits (a direct call when already on the UI thread). No lock of
// the point tables is held during a call, so an implementation may lock config::TablesMutex() itself.
// Texts are UTF-8; table names have already been converted from GBK.
#include <string>

namespace engine {

class MainView {
  public:
    virtual ~MainView() = default;

    // Clock group: "电脑时间", "装置时间" (also the link texts "程序启动", "串口错误", "通讯中断"),
    // "装置型号", "装置版号".
    virtual void ShowPcTime(const std::string& text) = 0;
    virtual void ShowDeviceTime(const std::string& text) = 0;
    virtual void ShowDeviceModel(const std::string& text) = 0;
    virtual void ShowDeviceVersion(const std::string& text) = 0;

    // Value field of telemetry point `point` (0-based); empty text = no value.
    virtual void ShowYcValue(int point, const std::string& text) = 0;

    // State field of telesignal `point` (0-based): "合", "分" or empty. Called whenever the point's State
    // changed, so the field's colour (red for 合, green for 分, grey otherwise) follows this text.
    virtual void ShowYxState(int point, const std::string& text) = 0;

    // Called after ShowYxState once the table's State of `point` holds its new value: repaint the state
    // colour if the window reads it from the table.
    virtual void StateChanged(int point) { (void)point; }

    // Address box ("%d") and the window title.
    virtual void ShowAddress(const std::string& text) = 0;
    virtual void SetTitle(const std::string& text) = 0;
};

}  // namespace engine
