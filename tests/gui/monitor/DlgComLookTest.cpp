#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolTip>
#include <mutex>
#include <thread>

#include "engine/EngineContext.h"
#include "engine/EngineState.h"
#include "modbus/Requests.h"
#include "platform/Gbk.h"
#include "support/Frames.h"
#include "support/GuiShots.h"
#include "ui/monitor/DlgComLook.h"

using namespace ui;

class DlgComLookTest : public QObject {
    Q_OBJECT
  private slots:
    void LayoutFollowsTheWindowSize() {
        ComLook look;
        DlgComLook w(look);
        w.resize(800, 500);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.TextBox()->geometry(), QRect(0, 0, 800, 460));
        QCOMPARE(w.HintBox()->geometry(), QRect(360, 470, 80, 22));
        QCOMPARE(w.ShowReceivedBox()->geometry(), QRect(440, 470, 80, 22));
        QCOMPARE(w.PauseBox()->geometry(), QRect(520, 470, 80, 22));
        QCOMPARE(w.SaveButton()->geometry(), QRect(600, 470, 80, 22));
        QCOMPARE(w.ViewButton()->geometry(), QRect(700, 470, 80, 22));
        look.Attach(&w);
        look.AppendMonitorText("成功打开通讯管理界面!");
        std::vector<std::uint8_t> frame(25, 0x11);
        look.ShowMonitorFrame(frame.data(), frame.size(), true);
        w.grab().save(test_support::GuiShotPath(QStringLiteral("DlgComLook.png")));
        look.Attach(nullptr);
    }

    void CutsTheFrontAtCapacityAndAppendsWholeLines() {
        ComLook look;
        DlgComLook w(look);
        look.Attach(&w);
        w.TextBox()->setPlainText(QString(9'000'000, QLatin1Char('a')));
        QCOMPARE(w.TextLength(), 9'000'000);
        look.AppendMonitorText("x");
        QCOMPARE(w.TextLength(), 9'000'000 - 15'000 + 14);  // "hh:mm:ss -> x" and one line end
        look.AppendMonitorText("y");                        // below the limit now: no further cut
        QCOMPARE(w.TextLength(), 9'000'000 - 15'000 + 28);
        look.Attach(nullptr);
    }

    void TwoThreadsAppendWholeLinesInOrder() {
        ComLook look;
        DlgComLook w(look);
        look.Attach(&w);
        std::atomic<bool> done{false};
        std::thread worker([&] {
            for (int i = 0; i < 200; ++i) look.AppendMonitorText("worker " + std::to_string(i));
            done = true;
        });
        int ui = 0;
        while (!done.load()) {
            look.AppendMonitorText("ui " + std::to_string(ui++));
            QCoreApplication::processEvents();
        }
        worker.join();
        const QStringList lines = w.TextBox()->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        int nextWorker = 0, nextUi = 0;
        for (const QString& line : lines) {
            const QString body = line.mid(12);  // after "hh:mm:ss -> "
            if (body.startsWith(QLatin1String("worker "))) {
                QCOMPARE(body, QStringLiteral("worker %1").arg(nextWorker++));
            } else {
                QCOMPARE(body, QStringLiteral("ui %1").arg(nextUi++));
            }
        }
        QCOMPARE(nextWorker, 200);
        QCOMPARE(nextUi, ui);
        look.Attach(nullptr);
    }

    void MouseKeysAndCheckBoxes() {
        ComLook look;
        DlgComLook w(look);
        look.Attach(&w);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        look.AppendMonitorText("one");
        QWidget* viewport = w.TextBox()->viewport();
        QTest::mouseDClick(viewport, Qt::LeftButton);
        QCOMPARE(w.TextBox()->toPlainText(), QString());
        QTest::mouseClick(viewport, Qt::RightButton);
        QVERIFY(look.Paused());
        QVERIFY(w.PauseBox()->isChecked());
        QCOMPARE(w.windowTitle(), QStringLiteral("通讯管理 - 暂停监视"));
        look.AppendMonitorText("dropped");
        QCOMPARE(w.TextBox()->toPlainText(), QString());
        w.PauseBox()->click();
        QVERIFY(!look.Paused());
        QCOMPARE(w.windowTitle(), QStringLiteral("通讯管理 - 正常监视"));
        w.ShowReceivedBox()->click();
        QVERIFY(look.ShowReceived());
        w.HintBox()->click();
        QVERIFY(!look.TelesignalHintOn());
        const std::uint8_t sent[] = {1, 2};
        look.ShowMonitorFrame(sent, 2, false);
        QCOMPARE(w.IconId(), 132);
        look.ShowMonitorFrame(sent, 2, false);
        QCOMPARE(w.IconId(), 131);
        // The two sent frames, one line each; Return closes the window and types no line break.
        const QString shown = w.TextBox()->toPlainText();
        static const QRegularExpression twoLines(
            QStringLiteral("^(\\d\\d:\\d\\d:\\d\\d -> 发 \\(002\\) 01 02\n){2}$"));
        QVERIFY2(twoLines.match(shown).hasMatch(), qPrintable(shown));
        QTest::keyClick(w.TextBox(), Qt::Key_Return);
        QVERIFY(!w.isVisible());
        QCOMPARE(w.TextBox()->toPlainText(), shown);
        w.show();
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        look.Attach(nullptr);
    }

    void SaveWritesGbkCrLfAndViewPassesThePath() {
        QTemporaryDir dir;
        ComLook look;
        DlgComLook w(look);
        look.Attach(&w);
        QStringList opened;
        w.openInTextEditor = [&](const QString& p) { opened << p; };
        w.View();
        QCOMPARE(opened, QStringList{QString()});
        QString title, name;
        const QString path = dir.filePath(QStringLiteral("(26-01-02 03.04).txt"));
        w.askSaveFileName = [&](const QString& t, const QString&,
                                const QString& n) -> std::optional<QString> {
            title = t;
            name = n;
            return path;
        };
        w.TextBox()->setPlainText(QStringLiteral("收 01\n发 02"));
        w.Save();
        QCOMPARE(title, QStringLiteral("Tessel - 保存通讯监视记录"));
        QVERIFY(name.startsWith(QLatin1Char('(')) && name.endsWith(QLatin1String(").txt")));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().toStdString(),
                 platform::Utf8ToGbk("收 01") + "\r\n" + platform::Utf8ToGbk("发 02"));
        w.View();
        QCOMPARE(opened.last(), path);  // one argument, spaces and all
        QStringList errors;
        w.inform = [&](const QString& t) { errors << t; };
        w.askSaveFileName = [&](const QString&, const QString&, const QString&) -> std::optional<QString> {
            return dir.filePath(QStringLiteral("missing/x.txt"));
        };
        w.Save();
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors.first().contains(QStringLiteral("missing/x.txt")));
        look.Attach(nullptr);
    }

    void RestingOnAFrameLineExplainsIt() {
        // One telemetry point "Ia" at register 1 of a ten-register poll.
        engine::EngineState state;
        config::YcTable yc;
        config::YxTable yx;
        config::ParamTable param;
        config::SettingTable setting;
        std::mutex mutex;
        yc.AskNumber = 10;
        yc.Number = 1;
        yc.YXPost = 8;
        yc.Post[0] = 2;
        yc.CC2[0] = 100;
        config::SetText(yc.Name[0], "Ia");
        engine::EngineContext ctx;
        ctx.state = &state;
        ctx.yc = &yc;
        ctx.yx = &yx;
        ctx.param = &param;
        ctx.setting = &setting;
        ctx.tablesMutex = &mutex;

        ComLook look;
        DlgComLook w(look);
        look.Attach(&w);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const modbus::Frame poll = modbus::BuildPollRequest(1, yc.AskNumber);
        std::vector<std::uint16_t> registers(10, 0);
        registers[1] = 123;
        registers[8] = 0x0001;  // a closed telesignal: a hint line under the answer
        const auto answer = test_support::ReadAnswer(1, registers);
        look.ShowMonitorFrame(poll.data(), poll.size(), false);
        look.ShowMonitorFrame(answer.data(), answer.size(), true);
        look.AppendMonitorText("校时成功!");

        MonitorTextBox* box = w.TextBox();
        const auto tipAt = [box](int line) {
            const QTextBlock block = box->document()->findBlockByNumber(line);
            const QPoint at = box->cursorRect(QTextCursor(block)).center() + QPoint(40, 0);
            QHelpEvent event(QEvent::ToolTip, at, box->viewport()->mapToGlobal(at));
            QApplication::sendEvent(box->viewport(), &event);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        QCOMPARE(tipAt(0), QString());  // no engine bound: nothing to explain with
        QVERIFY(!QToolTip::isVisible());
        look.BindEngine(&ctx);
        QVERIFY(tipAt(0).startsWith(
            QStringLiteral("发送：地址 1，功能码 3 读保持寄存器\n起始寄存器 0，数量 10")));
        QVERIFY(tipAt(0).contains(QStringLiteral("轮询：")));
        const QString received = tipAt(1);
        QVERIFY2(received.contains(QStringLiteral("寄存器 1 Ia = 1.23")), qPrintable(received));
        QVERIFY(received.startsWith(QStringLiteral("接收：")));
        QVERIFY(box->document()->findBlockByNumber(2).text().contains(QStringLiteral("遥信 01 为合！")));
        QCOMPARE(tipAt(2), received);  // a hint line explains its frame
        tipAt(3);                      // a log line has none: the tooltip goes
        QTRY_VERIFY(!QToolTip::isVisible());
        look.BindEngine(nullptr);
        look.Attach(nullptr);
    }
};

QTEST_MAIN(DlgComLookTest)
#include "DlgComLookTest.moc"
