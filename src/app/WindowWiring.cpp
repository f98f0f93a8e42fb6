#include "app/WindowWiring.h"

#include <QLabel>
#include <algorithm>
#include <mutex>

#include "platform/Gbk.h"
#include "platform/ProgramFolder.h"
#include "platform/Shell.h"
#include "ui/events/DlgEvent.h"
#include "ui/hardware_id/DlgSetGetHardID.h"
#include "ui/main_window/MainWindowHost.h"
#include "ui/monitor/ComLook.h"
#include "ui/monitor/DlgComLook.h"
#include "ui/settings/DlgDZCS.h"
#include "ui/settings/SettingsWindow.h"
#include "ui/trend/DlgTrend.h"

namespace app {
namespace {

// The trend window's points: the telemetry points in use with their names, colours and divisors.
std::vector<ui::TrendPoint> TrendPoints(engine::EngineContext& ctx) {
    std::vector<ui::TrendPoint> points;
    std::lock_guard lock(*ctx.tablesMutex);
    const config::YcTable& yc = *ctx.yc;
    const int used = std::min<int>(yc.Number, trend::kTrendPoints);
    for (int i = 0; i < used; ++i) {
        const std::string gbk(config::TextView(yc.Name[i]));
        const config::Rgb& text = yc.ColorText[i];
        const config::Rgb& back = yc.ColorBack[i];
        points.push_back(ui::TrendPoint{platform::GbkToUtf8(gbk), gbk,
                                        ui::CurveColour({text.r, text.g, text.b}, {back.r, back.g, back.b}),
                                        yc.CC2[i]});
    }
    return points;
}

}  // namespace

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
    window.SetTrendOpener([&ctx, &window](int point) {
        ui::ShowTrendWindow(window.TrendRecording(), TrendPoints(ctx), point, &window);
    });
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
