#pragma once
// The one settings and parameters window of the run, for the main window's 定值参数 button.
class QWidget;

namespace engine {
struct EngineContext;
}

namespace ui {

class DlgDZCS;

// Creates the window at the first call (modeless, without parent) and shows it centred on `mainWindow`;
// later calls only show and centre it again.
DlgDZCS* ShowSettingsWindow(engine::EngineContext& ctx, QWidget* mainWindow);
// The window, or nullptr before the first ShowSettingsWindow.
DlgDZCS* SettingsWindow();
// Stops the management thread's refresh calls reaching the window. Call on the UI thread before waiting for
// the management thread to end.
void DetachSettingsWindow();
// Destroys the window; only once the management thread has ended.
void DestroySettingsWindow();

}  // namespace ui
