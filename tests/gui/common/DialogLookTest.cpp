#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPixmapCache>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "gui/common/Suites.h"
#include "ui/common/CentreWindow.h"
#include "ui/common/DialogLook.h"
#include "ui/common/DialogUnits.h"
#include "ui/common/FadeOut.h"

using namespace std::chrono_literals;

void DialogLookTest::DialogUnitsRoundLikeTheDialogManager() {
    // 宋体 9 pt on a 96 dpi screen has base units 6 x 12.
    const ui::DialogUnits simsun(6, 12);
    QCOMPARE(simsun.ToPixels(QSize(366, 246)), QSize(549, 369));
    QCOMPARE(simsun.ToPixels(QSize(680, 399)), QSize(1020, 599));  // 598.5 rounds up
    // Halves round away from zero, on both sides of zero.
    QCOMPARE(ui::MulDiv(366, 7, 4), 641);
    QCOMPARE(ui::MulDiv(-366, 7, 4), -641);
    QCOMPARE(ui::MulDiv(5, 1, 4), 1);
    QCOMPARE(ui::MulDiv(7, 0, 0), 0);
    // Rectangles map each edge, so the size can differ from the mapped size.
    const ui::DialogUnits units(7, 13);
    QCOMPARE(units.ToPixels(QSize(1, 1)), QSize(2, 2));
    QCOMPARE(units.MapDialogRect(QRect(1, 1, 1, 1)), QRect(2, 2, 2, 1));
    QCOMPARE(units.MapDialogRect(QRect(0, 0, 366, 246)), QRect(0, 0, 641, 400));
}

void DialogLookTest::DialogUnitsFollowTheFont() {
    const QFont font = ui::DialogFont();
    const ui::DialogUnits units = ui::DialogUnits::FromFont(font);
    const QFontMetrics metrics(font);
    QCOMPARE(units.BaseHeight(), metrics.height());
    const double average =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
        52.0;
    QVERIFY2(std::abs(units.BaseWidth() - average) <= 0.5 + 1e-9,
             "average width rounded to the nearest pixel");
    // A bigger font gives bigger dialogs.
    const ui::DialogUnits large = ui::DialogUnits::FromFont(ui::DialogFont(18));
    QVERIFY(large.ToPixelsX(100) > units.ToPixelsX(100));
    QVERIFY(large.ToPixelsY(100) > units.ToPixelsY(100));
}

void DialogLookTest::DialogFontRendersChinese() {
    const QFont font = ui::DialogFont();
    QCOMPARE(font.pointSize(), 9);
    const QFontMetrics metrics(font);
    for (QChar c : QStringLiteral("变压器宋体"))
        QVERIFY2(metrics.inFont(c), "the dialog font has no CJK glyphs");
}

void DialogLookTest::MessageBoxesGetTheDialogColours() {
    const QPalette before = QApplication::palette();
    const QFont fontBefore = QApplication::font();
    ui::ApplyDialogColours(*qApp);
    const QColor background(210, 222, 252);
    const QColor text(100, 100, 0);

    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("VARN"), QStringLiteral("通讯错误，暂时不能上装定值"),
                    QMessageBox::Ok);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QCOMPARE(box.palette().color(QPalette::Window), background);
    const auto labels = box.findChildren<QLabel*>();
    QVERIFY(!labels.isEmpty());
    for (QLabel* label : labels) QCOMPARE(label->palette().color(QPalette::WindowText), text);
    // The surface really is drawn in the colour.
    const QImage shot = box.grab().toImage();
    QCOMPARE(QColor(shot.pixel(1, 1)), background);
    box.close();

    QDialog dialog;
    QCOMPARE(dialog.palette().color(QPalette::Window), background);

    QApplication::setPalette(before);
    QApplication::setFont(fontBefore);
}

void DialogLookTest::ClosedDialogsLeaveNoPixmapsInTheCache() {
    const QPalette before = QApplication::palette();
    const QFont fontBefore = QApplication::font();
    ui::ApplyDialogColours(*qApp);
    ui::ApplyDialogColours(*qApp);  // a second call (every test suite makes its own) changes nothing
    QPixmap probe(8, 8);
    probe.fill(Qt::red);
    auto cached = [] {
        QPixmap found;
        return QPixmapCache::find(QStringLiteral("probe"), &found);
    };

    // A window that is no dialog comes and goes: the cache stays.
    QVERIFY(QPixmapCache::insert(QStringLiteral("probe"), probe));
    QWidget tool;
    tool.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tool));
    tool.hide();
    QVERIFY(cached());

    // A message box painted and closed: what its painting and everything before it left is gone.
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("VARN"), QStringLiteral("操作失败!"),
                    QMessageBox::Ok);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    QVERIFY(cached());
    box.close();
    QVERIFY(!cached());

    // The same for a dialog of the program's own.
    QVERIFY(QPixmapCache::insert(QStringLiteral("probe"), probe));
    QDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.reject();
    QVERIFY(!cached());

    QApplication::setPalette(before);
    QApplication::setFont(fontBefore);
}

void DialogLookTest::FadeTakesItsTimeKeepsEventsFlowingAndHides() {
    QWidget window;
    window.resize(100, 100);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    bool timerRan = false;
    QTimer::singleShot(20, [&timerRan] { timerRan = true; });

    QElapsedTimer elapsed;
    elapsed.start();
    ui::FadeOutWindow(&window, 200ms);
    QVERIFY(elapsed.elapsed() >= 190);
    QVERIFY(timerRan);
    QVERIFY(!window.isVisible());
    QCOMPARE(window.windowOpacity(), 1.0);  // shows normally the next time

    // The default duration is the 800 ms blend and can be shortened for every caller.
    QCOMPARE(ui::FadeDuration(), 800ms);
    const auto before = ui::SetFadeDuration(50ms);
    window.show();
    elapsed.restart();
    ui::FadeOutWindow(&window);
    QVERIFY(elapsed.elapsed() >= 45 && elapsed.elapsed() < 800);
    QVERIFY(!window.isVisible());
    ui::SetFadeDuration(before);
}

void DialogLookTest::FadeOfNullHiddenOrDestroyedWindowReturns() {
    QElapsedTimer elapsed;
    elapsed.start();
    ui::FadeOutWindow(nullptr, 5s);
    QWidget hidden;
    ui::FadeOutWindow(&hidden, 5s);
    QVERIFY(elapsed.elapsed() < 1000);
    QVERIFY(!hidden.isVisible());

    auto* doomed = new QWidget;
    QPointer<QWidget> guard(doomed);
    doomed->show();
    QTimer::singleShot(30, doomed, &QObject::deleteLater);
    elapsed.restart();
    ui::FadeOutWindow(doomed, 5s);
    QVERIFY(elapsed.elapsed() < 2000);
    QVERIFY(guard.isNull());

    // Hidden by someone else while fading: the fade ends there.
    QWidget closed;
    closed.show();
    QTimer::singleShot(30, &closed, &QWidget::hide);
    elapsed.restart();
    ui::FadeOutWindow(&closed, 5s);
    QVERIFY(elapsed.elapsed() < 2000);
    QCOMPARE(closed.windowOpacity(), 1.0);
}

void DialogLookTest::CentredWindowStaysOnTheScreen() {
    const QRect area = QApplication::primaryScreen()->availableGeometry();
    QDialog owner;
    owner.setFixedSize(area.width() / 2, area.height() / 2);
    QDialog window;
    window.setFixedSize(area.width() * 3 / 4, area.height() * 3 / 4);

    // Centred where it fits.
    owner.move(area.topLeft() + QPoint(area.width() / 4, area.height() / 4));
    ui::CentreOn(window, owner);
    QCOMPARE(window.frameGeometry().center(), owner.frameGeometry().center());

    // An owner near a corner would push the window off the screen: it is kept inside instead.
    for (const QPoint corner : {area.topLeft(), area.bottomRight() - QPoint(owner.width(), owner.height())}) {
        owner.move(corner);
        ui::CentreOn(window, owner);
        QVERIFY2(area.contains(window.frameGeometry()), "the window left the screen");
    }
}
