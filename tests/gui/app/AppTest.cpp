#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/ProcessObjects.h"
#include "app/StartUp.h"
#include "config/Tables.h"
#include "platform/NamedMutex.h"
#include "platform/ProgramFolder.h"
#include "resources/WaveResource.h"
#include "ui/common/FadeOut.h"
#include "ui/common/ProcessFonts.h"
#include "ui/main_window/MainWindow.h"

using namespace std::chrono_literals;

namespace {

void Silent(const std::vector<unsigned char>&) {}

}  // namespace

class AppTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        QVERIFY(programFolder_.isValid());
        QVERIFY(QDir(programFolder_.path()).mkpath(QStringLiteral("配置文件")));
        QFile ini(programFolder_.filePath(QStringLiteral("配置文件/VARN.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(
            "[YC]\r\nAskNumber=20\r\nNumber=3\r\n[YX]\r\nNumber=5\r\n[CS]\r\nStart=100\r\nNumber=7\r\n"
            "[DZ]\r\nStart=300\r\nNumber=2\r\n");
        ini.close();
        platform::SetProgramFolder(programFolder_.path().toStdString());
        res::SetWavePlayer(&Silent);
    }

    void NamedMutexReportsAnExistingNameAndFreesItOnRelease() {
        const std::string name = "varn-test-" + std::to_string(QCoreApplication::applicationPid());
        platform::NamedMutex first;
        QVERIFY(first.Create(name));
        QVERIFY(!first.AlreadyExisted());
        {
            platform::NamedMutex second;
            QVERIFY(second.Create(name));  // a second holder still starts
            QVERIFY(second.AlreadyExisted());
        }
        // The second holder leaving does not free the name the first one holds.
        platform::NamedMutex third;
        QVERIFY(third.Create(name));
        QVERIFY(third.AlreadyExisted());
        first.Release();
        QVERIFY(third.Create(name));
        QVERIFY(!third.AlreadyExisted());
        // Names differ by every byte, also beyond any length limit.
        platform::NamedMutex longName;
        QVERIFY(longName.Create(name + std::string(300, 'x')));
        QVERIFY(!longName.AlreadyExisted());
    }

    void ProcessObjectsLoadTheTablesAndHoldTheFonts() {
        QVERIFY(ui::TheProcessFonts() == nullptr);
        {
            app::ProcessObjects objects;
            QCOMPARE(int(config::Yc().Number), 3);
            QCOMPARE(int(config::Yx().Number), 5);
            QCOMPARE(int(config::Param().Number), 7);
            QCOMPARE(int(config::Setting().Number), 2);
            QVERIFY(ui::TheProcessFonts() != nullptr);
        }
        QVERIFY(ui::TheProcessFonts() == nullptr);
    }

    void HeadlessRunSavesPicturesAndEnds() {
        QTemporaryDir shots;
        QVERIFY(shots.isValid());
        const auto fadeBefore = ui::SetFadeDuration(50ms);
        app::StartUpOptions options;
        options.screenshotDir = shots.path();
        options.splashDisplayTime = 100ms;
        options.mainShotDelay = 100ms;
        options.mainAutoClose = 200ms;
        options.instanceMutexName = "varn-test-run-" + std::to_string(QCoreApplication::applicationPid());
        QCOMPARE(app::StartUpOptions().instanceMutexName, std::string("Tessel"));

        // While the program runs, it holds the instance name.
        bool heldWhileRunning = false;
        QTimer::singleShot(0, [&heldWhileRunning, &options] {
            platform::NamedMutex probe;
            heldWhileRunning = probe.Create(options.instanceMutexName) && probe.AlreadyExisted();
        });
        // The main window as it shows: its size, icon and frame.
        QSize mainSize;
        bool fixedWithIconAndNoMaximize = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            for (QWidget* top : QApplication::topLevelWidgets()) {
                auto* window = qobject_cast<ui::MainWindow*>(top);
                if (!window || !window->isVisible() || mainSize.isValid()) continue;
                mainSize = window->size();
                fixedWithIconAndNoMaximize = window->minimumSize() == window->maximumSize() &&
                                             !window->windowIcon().isNull() &&
                                             !window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint);
            }
        });
        watch.start(10);
        QCOMPARE(app::RunStartUp(*qApp, options), 0);
        watch.stop();
        QVERIFY(heldWhileRunning);
        platform::NamedMutex after;
        QVERIFY(after.Create(options.instanceMutexName));
        QVERIFY(!after.AlreadyExisted());

        const QImage splash(QDir(shots.path()).filePath(QStringLiteral("splash.png")));
        QCOMPARE(splash.size(), QSize(640, 400));
        const QImage main(QDir(shots.path()).filePath(QStringLiteral("main.png")));
        QVERIFY(!main.isNull());
        QVERIFY(mainSize.isValid());
        QVERIFY(fixedWithIconAndNoMaximize);
        QCOMPARE(main.width(), mainSize.width());
        QCOMPARE(main.height(), mainSize.height() + 28);  // with the caption bar drawn above it
        QVERIFY(!QFile::exists(QDir(shots.path()).filePath(QStringLiteral("monitor.png"))));
        ui::SetFadeDuration(fadeBefore);
    }

    // Without a relay, the pictures of every window are taken that need none; the run neither waits for a
    // window that cannot come nor stops at a warning.
    void HeadlessRunWithoutARelayPicturesTheWindowsItCan() {
        QTemporaryDir shots;
        QVERIFY(shots.isValid());
        const auto fadeBefore = ui::SetFadeDuration(50ms);
        app::StartUpOptions options;
        options.screenshotDir = shots.path();
        options.windowPictures = true;
        options.splashDisplayTime = 100ms;
        options.mainShotDelay = 100ms;
        options.instanceMutexName = "varn-test-tour-" + std::to_string(QCoreApplication::applicationPid());
        QCOMPARE(app::RunStartUp(*qApp, options), 0);
        const QDir dir(shots.path());
        for (const char* name :
             {"main.png", "monitor.png", "settings.png", "compare.png", "calibration.png", "trend.png"}) {
            const QImage picture(dir.filePath(QString::fromLatin1(name)));
            QVERIFY2(!picture.isNull(), name);
            QVERIFY2(picture.width() > 100 && picture.height() > 100, name);
        }
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("sheet.pdf"))).size() > 0);
        QVERIFY(!dir.exists(QStringLiteral("events.png")));
        QVERIFY(!dir.exists(QStringLiteral("hardware_id.png")));
        ui::SetFadeDuration(fadeBefore);
    }

  private:
    QTemporaryDir programFolder_;
};

QTEST_MAIN(AppTest)
#include "AppTest.moc"
