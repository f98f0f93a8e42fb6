#include "app/WindowWiring.h"

#include <QLabel>

#include "platform/ProgramFolder.h"
#include "platform/Shell.h"
#include "ui/events/DlgEvent.h"
#include "ui/hardware_id/DlgSetGetHardID.h"
#include "ui/main_window/MainWindowHost.h"
#include "ui/monitor/ComLook.h"
#include "ui/monitor/DlgComLook.h"
#include "ui/settings/DlgDZCS.h"
#include "ui/settings/SettingsWindow.h"

namespace app {

ui::DlgDZCS* ShowSettings(ui::MainWindowHost& host) {
    ui::MainWindow& window = host.Window();
    ui::DlgDZCS* settings = ui::ShowSettingsWindow(host.Context(), &window);
    settings->SetDeviceTexts([&window] {
        using ui::main_layout::ClockBox;
        return ui::DeviceTexts{window.ClockField(ClockBox::DeviceModel)->text().toStdString(),
                               window.ClockField(ClockBox::DeviceVersion)->text().toStdString()};
    });
    return settings;
}

void WireWindows(ui::MainWindowHost& host) {
    engine::EngineContext& ctx = host.Context();
    ui::MainWindow& window = host.Window();
    using ui::main_layout::Button;

    ctx.monitor = &ui::TheComLook();
    ui::TheComLook().BindEngine(&ctx);
    ui::BindEventRecords(ctx);

    window.SetWindowOpener(Button::Monitor, [&window] { ui::ShowComLook(&window); });
    window.SetWindowOpener(Button::Settings, [&host] { ShowSettings(host); });
    window.SetWindowOpener(Button::EventRecords, [&window] {
        ui::RunEventDialog(&window);
        // Shown again without taking the focus, then the help document is opened, as after every event view.
        window.setAttribute(Qt::WA_ShowWithoutActivating);
        window.show();
        window.setAttribute(Qt::WA_ShowWithoutActivating, false);
        platform::OpenDocument(platform::InProgramFolder("帮助文件/help.pdf"));
    });
    window.SetWindowOpener(Button::VersionInfo, [&ctx, &window] { ui::RunHardwareIdButton(ctx, &window); });
    window.SetBeforeJoin([] {
        ui::DetachSettingsWindow();
        ui::TheComLook().BindEngine(nullptr);  // the context ends with the main window
    });
}

void DestroyWindows() {
    ui::DestroySettingsWindow();
    ui::DestroyComLook();
}

}  // namespace app
