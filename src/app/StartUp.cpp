#include "app/StartUp.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <optional>

#include "SrcCom/ComSer.h"
#include "app/WindowWiring.h"
#include "platform/NamedMutex.h"
#include "platform/ProgramFolder.h"
#include "ui/common/DialogLook.h"
#include "ui/common/DlgLog.h"
#include "ui/common/RunModeless.h"
#include "ui/main_window/MainWindowHost.h"

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

}  // namespace

StartUpOptions StartUpOptionsFromEnvironment() {
    StartUpOptions options;
    options.screenshotDir = qEnvironmentVariable("VARN_SCREENSHOT_DIR");
    return options;
}

int RunStartUp(QApplication& application, const StartUpOptions& options) {
    // Held for the whole run; a second instance starts all the same.
    platform::NamedMutex instanceMutex;
    instanceMutex.Create(options.instanceMutexName);

    ui::ApplyDialogColours(application);
    platform::ProgramFolder();

    const bool headless = !options.screenshotDir.isEmpty();
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
            QTimer::singleShot(options.mainShotDelay, &mainDialog,
                               [&] { takeShot(mainDialog, QStringLiteral("main.png")); });
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
