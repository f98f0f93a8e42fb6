#include "app/StartUp.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QTextDocument>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "SrcCom/ComSer.h"
#include "app/WindowWiring.h"
#include "platform/NamedMutex.h"
#include "platform/ProgramFolder.h"
#include "ui/common/DialogLook.h"
#include "ui/common/DlgLog.h"
#include "ui/common/RunModeless.h"
#include "ui/events/DlgEvent.h"
#include "ui/hardware_id/DlgSetGetHardID.h"
#include "ui/main_window/DlgYCCheck.h"
#include "ui/main_window/MainWindowHost.h"
#include "ui/monitor/DlgComLook.h"
#include "ui/settings/DlgDZCS.h"
#include "ui/settings/ProjectComparisonWindow.h"
#include "ui/settings/ProjectFile.h"
#include "ui/settings/SettingsWindow.h"
#include "ui/trend/DlgTrend.h"

namespace app {
namespace {

// A picture of a window. A headless display has no window manager to draw captions, so a captioned window
// gets a plain caption bar with its icon and title drawn above its content.
QPixmap WindowPicture(QWidget& window) {
    const QPixmap content = window.grab();
    if (window.windowFlags().testFlag(Qt::FramelessWindowHint)) return content;
    constexpr int kCaption = 28;
    QPixmap picture(content.width(), content.height() + kCaption);
    picture.fill(QColor(0, 84, 166));
    QPainter painter(&picture);
    window.windowIcon().paint(&painter, QRect(6, (kCaption - 16) / 2, 16, 16));
    painter.setPen(Qt::white);
    painter.setFont(window.font());
    painter.drawText(QRect(28, 0, content.width() - 34, kCaption), Qt::AlignVCenter | Qt::AlignLeft,
                     window.windowTitle());
    painter.drawPixmap(0, kCaption, content);
    return picture;
}

// Saves a picture of `window` as `fileName` in the screenshot folder; returns its path, or empty on failure.
QString SaveShot(QWidget& window, const QString& dir, const QString& fileName) {
    const QString path = QDir(dir).absoluteFilePath(fileName);
    return WindowPicture(window).save(path, "PNG") ? path : QString();
}

using Shot = std::function<void(QWidget&, const QString&)>;

// Processes events for `ms` milliseconds.
void Pause(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Calls `then` with the first visible top-level window of type T once one shows, or with nullptr after
// `timeoutMs`. It checks on a timer instead of waiting, so the modal loops opened meanwhile can end.
// The returned timer does the checking; deleting it cancels the call.
template <class T>
QTimer* WhenShown(int timeoutMs, std::function<void(T*)> then) {
    auto* timer = new QTimer;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(timer, &QTimer::timeout, [timer, clock, timeoutMs, then] {
        T* found = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<T*>(widget); window && window->isVisible()) found = window;
        }
        if (!found && clock.elapsed() < timeoutMs) return;
        timer->stop();
        then(found);
    });
    timer->start(100);
    return timer;
}

// A modal window opened by `run`: after it shows, `prepare` runs; once `progress` (what the window has
// received so far) has stood still for a second (at most 30 s), the window is pictured and closed.
template <class T>
bool PictureModal(const Shot& take, const QString& fileName, const std::function<void(T&)>& prepare,
                  const std::function<qsizetype(T&)>& progress, const std::function<void()>& run) {
    bool shown = false;
    QTimer* watch = WhenShown<T>(10000, [&](T* window) {
        if (!window) {
            // Something else holds the screen (a message box): end it so the run goes on.
            if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
            return;
        }
        shown = true;
        prepare(*window);
        auto* settle = new QTimer(window);
        QElapsedTimer sinceStart, sinceChange;
        sinceStart.start();
        sinceChange.start();
        QObject::connect(settle, &QTimer::timeout,
                         [&, settle, window, sinceStart, sinceChange, last = progress(*window)]() mutable {
                             if (const qsizetype now = progress(*window); now != last) {
                                 last = now;
                                 sinceChange.restart();
                             }
                             if (sinceChange.elapsed() < 1000 && sinceStart.elapsed() < 30000) return;
                             settle->stop();
                             take(*window, fileName);
                             // A message box the window opened goes first.
                             if (QWidget* modal = QApplication::activeModalWidget();
                                 modal && modal != window) {
                                 modal->close();
                             }
                             window->reject();
                         });
        settle->start(250);
    });
    run();
    delete watch;
    return shown;
}

// A project file of the tables as they are, then edited: one setting and one parameter changed, so the
// comparison with it has something to show.
bool WriteEditedProject(engine::EngineContext& ctx, const std::string& path) {
    auto setting = std::make_unique<config::SettingTable>();
    auto param = std::make_unique<config::ParamTable>();
    {
        std::lock_guard lock(*ctx.tablesMutex);
        *setting = *ctx.setting;
        *param = *ctx.param;
    }
    if (setting->Number > 1) {
        setting->RawValue[1] = static_cast<std::uint16_t>(setting->RawValue[1] == 150 ? 200 : 150);
        setting->Value[1] =
            setting->CC2[1] == 0 ? 0.0f : static_cast<float>(setting->RawValue[1]) / setting->CC2[1];
    }
    if (param->Number > 2)
        param->RawValue[2] = static_cast<std::uint16_t>(param->RawValue[2] == 600 ? 800 : 600);
    return ui::WriteProjectFile(path, ui::EncodeProject(*setting, *param)) == ui::ProjectFileResult::Ok;
}

// The settings sheet as 打印定值单 writes it (window-pictures.sh turns its first page into sheet.png), and
// the comparison window against an edited project file.
bool TakeSheetAndComparison(ui::DlgDZCS& settings, engine::EngineContext& ctx, const Shot& take,
                            const QString& dir) {
    bool ok = settings.WriteSettingsSheet(QDir(dir).filePath(QStringLiteral("sheet.pdf")).toStdString());
    const std::string project = QDir(dir).filePath(QStringLiteral("compare.prj")).toStdString();
    if (!WriteEditedProject(ctx, project)) return false;
    settings.CompareWithProjectFile(project);
    ui::ProjectComparisonWindow* comparison = settings.ComparisonWindow();
    if (!comparison) return false;
    Pause(300);
    take(*comparison, QStringLiteral("compare.png"));
    comparison->hide();
    return ok;
}

// Opens every window besides the main window in turn, against the relay, and takes its picture. Without an
// answering relay the event and hardware windows are left out (their commands would only warn).
bool TakeWindowPictures(ui::MainWindowHost& host, const Shot& take, const QString& dir) {
    ui::MainWindow& main = host.Window();
    engine::EngineContext& ctx = host.Context();
    const bool relayAnswers = ctx.state->commOk.load();
    bool ok = true;

    ui::DlgComLook* monitor = ui::ShowComLook(&main);
    Pause(2000);  // a few polls' frames
    take(*monitor, QStringLiteral("monitor.png"));
    monitor->hide();

    ui::DlgDZCS* settings = ShowSettings(host);
    if (relayAnswers) settings->UploadSettingsCommand();
    Pause(relayAnswers ? 2500 : 300);
    take(*settings, QStringLiteral("settings.png"));
    ok &= TakeSheetAndComparison(*settings, ctx, take, dir);
    settings->hide();

    if (relayAnswers) {
        // The upload goes on in batches until the relay has no more records; the text then stands still.
        ok &= PictureModal<ui::DlgEvent>(
            take, QStringLiteral("events.png"),
            [](ui::DlgEvent& events) { QTimer::singleShot(0, events.UploadButton(), &QPushButton::click); },
            [](ui::DlgEvent& events) { return events.TextBox()->document()->characterCount(); },
            [&main] { ui::RunEventDialog(&main); });
        ok &= PictureModal<ui::DlgSetGetHardID>(
            take, QStringLiteral("hardware_id.png"), [](ui::DlgSetGetHardID&) {},
            [](ui::DlgSetGetHardID&) { return qsizetype{0}; },
            [&ctx, &main] { ui::RunHardwareIdButton(ctx, &main); });
    }

    ui::DlgYCCheck calibration(&main);
    calibration.SetReference(100.0f);
    calibration.show();
    Pause(300);
    take(calibration, QStringLiteral("calibration.png"));
    calibration.hide();

    // The trend of the first points over the last minute, as the context menu of a telemetry field opens it.
    ui::DlgTrend* trendWindow = nullptr;
    for (int point : {2, 1, 0}) {
        main.OpenTrend(point);
        trendWindow = main.findChild<ui::DlgTrend*>();
    }
    if (trendWindow) {
        trendWindow->Chart().State().Zoom(0.1, 0, 0);
        trendWindow->Chart().Changed();
        Pause(1500);
        take(*trendWindow, QStringLiteral("trend.png"));
        trendWindow->hide();
    } else {
        ok = false;
    }
    return ok;
}

}  // namespace

StartUpOptions StartUpOptionsFromEnvironment() {
    StartUpOptions options;
    options.screenshotDir = qEnvironmentVariable("VARN_SCREENSHOT_DIR");
    options.windowPictures = !options.screenshotDir.isEmpty();
    return options;
}

int RunStartUp(QApplication& application, const StartUpOptions& options) {
    // Held for the whole run; a second instance starts all the same.
    platform::NamedMutex instanceMutex;
    instanceMutex.Create(options.instanceMutexName);

    ui::ApplyDialogColours(application);
    platform::ProgramFolder();

    const bool headless = !options.screenshotDir.isEmpty();
    // An installed program whose user's own folder cannot be used runs from the installed folder, where
    // nothing can be written: the operator hears it once, before the first log line is lost.
    if (const std::string problem = platform::UnusableUserFolderText(); !problem.empty()) {
        std::fprintf(stderr, "varn: %s\n", problem.c_str());
        if (!headless) {
            QMessageBox::warning(nullptr, QApplication::applicationDisplayName(),
                                 QString::fromStdString(problem));
        }
    }
    if (headless) QDir().mkpath(options.screenshotDir);
    QStringList shots;
    bool shotsOk = true;
    auto takeShot = [&](QWidget& window, const QString& fileName) {
        const QString path = SaveShot(window, options.screenshotDir, fileName);
        if (path.isEmpty()) {
            std::fprintf(stderr, "varn: cannot save %s in %s\n", qPrintable(fileName),
                         qPrintable(options.screenshotDir));
            shotsOk = false;
        } else {
            shots << path;
        }
    };

    ui::DlgLog splash;
    splash.SetDisplayTime(options.splashDisplayTime);
    if (headless) {
        QObject::connect(
            &splash, &ui::DlgLog::Shown, &splash, [&] { takeShot(splash, QStringLiteral("splash.png")); },
            Qt::QueuedConnection);
    }
    splash.exec();

    {
        std::optional<com::ComSer> ownComSer;
        com::ComSer* comSer = options.comSer;
        if (!comSer) comSer = &ownComSer.emplace();
        ui::MainWindowHost host(*comSer);
        WireWindows(host);
        ui::MainWindow& mainDialog = host.Window();
        if (headless) {
            QTimer::singleShot(options.mainShotDelay, &mainDialog, [&] {
                takeShot(mainDialog, QStringLiteral("main.png"));
                if (!options.windowPictures) return;
                if (!TakeWindowPictures(host, takeShot, options.screenshotDir)) {
                    std::fprintf(stderr, "varn: a window did not show for its picture\n");
                    shotsOk = false;
                }
                mainDialog.accept();
            });
            if (!options.windowPictures)
                QTimer::singleShot(options.mainAutoClose, &mainDialog, &QDialog::accept);
        }
        // The settings window and the monitor work beside the main window, so it blocks no other window.
        ui::RunModeless(mainDialog);
    }
    DestroyWindows();

    if (headless) {
        for (const QString& path : shots) std::printf("%s\n", qPrintable(path));
        std::fflush(stdout);
        return shotsOk ? 0 : 1;
    }
    return 0;
}

}  // namespace app
