#pragma once
// Connects the main window to the windows it opens (monitor, settings, event records, hardware ID) and ends
// them with the run.
namespace ui {
class DlgDZCS;
class MainWindowHost;
}  // namespace ui

namespace app {

// Before the main window runs: the management thread's monitor and event-record calls reach those windows,
// and the 通讯管理, 定值参数, 事件记录 and 版本信息 buttons open them.
void WireWindows(ui::MainWindowHost& host);

// The 定值参数 button: shows the settings window, whose settings sheet takes the relay's model and version
// from the main window's fields.
ui::DlgDZCS* ShowSettings(ui::MainWindowHost& host);

// After the main window has ended (its management thread joined): the windows created during the run go.
void DestroyWindows();

}  // namespace app
