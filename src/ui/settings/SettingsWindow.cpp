#include "ui/settings/SettingsWindow.h"

#include <QPointer>

#include "ui/common/CentreWindow.h"
#include "ui/settings/DlgDZCS.h"

namespace ui {

namespace {
QPointer<DlgDZCS>& Instance() {
    static QPointer<DlgDZCS> instance;
    return instance;
}
}  // namespace

DlgDZCS* ShowSettingsWindow(engine::EngineContext& ctx, QWidget* mainWindow) {
    if (Instance().isNull()) Instance() = new DlgDZCS(ctx);
    DlgDZCS* window = Instance().data();
    if (mainWindow != nullptr) CentreOn(*window, *mainWindow);
    window->showNormal();
    window->raise();
    window->activateWindow();
    return window;
}

DlgDZCS* SettingsWindow() {
    return Instance().data();
}

void DetachSettingsWindow() {
    if (!Instance().isNull()) Instance()->Detach();
}

void DestroySettingsWindow() {
    delete Instance().data();
}

}  // namespace ui
