#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <vector>

#include "gui/common/Suites.h"
#include "resources/Pictures.h"
#include "resources/WaveResource.h"
#include "ui/common/DlgLog.h"
#include "ui/common/FadeOut.h"

using namespace std::chrono_literals;

namespace {

std::vector<std::vector<unsigned char>> played;

void RecordWave(const std::vector<unsigned char>& wave) {
    played.push_back(wave);
}

// Presses `key` on the splash as soon as it has been shown (after `delay`).
void PressWhenShown(ui::DlgLog& splash, int key, std::chrono::milliseconds delay = 0ms) {
    QObject::connect(
        &splash, &ui::DlgLog::Shown, &splash,
        [&splash, key, delay] {
            QTimer::singleShot(delay, &splash, [&splash, key] { QTest::keyClick(&splash, Qt::Key(key)); });
        },
        Qt::SingleShotConnection);
}

}  // namespace

void DlgLogTest::init() {
    played.clear();
    res::SetWavePlayer(&RecordWave);
}

void DlgLogTest::cleanup() {
    res::SetWavePlayer(nullptr);
    ui::SetFadeDuration(800ms);
}

void DlgLogTest::ShowsThePictureOneToOneWithTitleAndIcon() {
    ui::DlgLog splash;
    QVERIFY(splash.HasPicture());
    QCOMPARE(splash.windowTitle(), QStringLiteral("VARNTessel"));
    QVERIFY(!splash.windowIcon().isNull());
    QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(splash.size(), QSize(res::kSplashWidth, res::kSplashHeight));
    QCOMPARE(splash.minimumSize(), splash.maximumSize());

    // Every pixel of the window is the picture's pixel at the same place.
    const QImage picture =
        QImage(QString::fromLatin1(res::kSplashBitmap)).convertToFormat(QImage::Format_RGB32);
    const QImage shot = splash.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(shot.size(), picture.size());
    QVERIFY(shot == picture);
}

void DlgLogTest::ClosesItselfAfterTheTimerAndTheFade() {
    ui::SetFadeDuration(150ms);
    ui::DlgLog splash;
    QCOMPARE(splash.DisplayTime(), 2000ms);
    splash.SetDisplayTime(100ms);
    QElapsedTimer elapsed;
    elapsed.start();
    QCOMPARE(splash.exec(), int(QDialog::Accepted));
    QVERIFY2(elapsed.elapsed() >= 240, "display time and fade both pass before it closes");
    QVERIFY(!splash.isVisible());
    QCOMPARE(played.size(), std::size_t(1));
    QVERIFY(played.front() == *res::LoadWaveResource("IDR_WAVE_START"));
}

void DlgLogTest::EnterAndEscCloseAtOnceWithoutFade() {
    ui::SetFadeDuration(3s);
    for (int key : {int(Qt::Key_Escape), int(Qt::Key_Return), int(Qt::Key_Enter)}) {
        ui::DlgLog splash;
        splash.SetDisplayTime(10s);
        PressWhenShown(splash, key);
        QElapsedTimer elapsed;
        elapsed.start();
        const int result = splash.exec();
        QVERIFY2(elapsed.elapsed() < 2000, "closed at once, neither timer nor fade");
        QCOMPARE(result, key == Qt::Key_Escape ? int(QDialog::Rejected) : int(QDialog::Accepted));
        QCOMPARE(splash.windowOpacity(), 1.0);
    }
}

void DlgLogTest::KeyDuringTheFadeKeepsItsResult() {
    ui::SetFadeDuration(2s);
    ui::DlgLog splash;
    splash.SetDisplayTime(10ms);
    PressWhenShown(splash, Qt::Key_Escape, 200ms);
    QElapsedTimer elapsed;
    elapsed.start();
    QCOMPARE(splash.exec(), int(QDialog::Rejected));
    QVERIFY2(elapsed.elapsed() < 1500, "the rest of the fade is not waited for");
    QVERIFY(!splash.isVisible());
}

void DlgLogTest::CanBeRunAgain() {
    ui::SetFadeDuration(50ms);
    ui::DlgLog splash;
    splash.SetDisplayTime(50ms);
    QCOMPARE(splash.exec(), int(QDialog::Accepted));
    // Closed early the second time: the timer of the first run must not leak into it.
    PressWhenShown(splash, Qt::Key_Escape);
    QCOMPARE(splash.exec(), int(QDialog::Rejected));
    QCOMPARE(splash.exec(), int(QDialog::Accepted));
    QCOMPARE(played.size(), std::size_t(3));
    QVERIFY(splash.isHidden());
}
