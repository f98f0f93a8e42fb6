// The main window under the offscreen platform: layout from dialog units, placeholder texts, the
// initialisation's order, the buttons, calibration by mouse, the log box at capacity, colours and the ways
// the window ends.
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGlyphRun>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainterPath>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextLayout>
#include <QTimer>
#include <QWheelEvent>

#include <filesystem>
#include <thread>

#include "SrcCom/ComSer.h"
#include "modbus/Crc16.h"
#include "modbus/Requests.h"
#include "platform/Gbk.h"
#include "platform/WindowLink.h"
#include "support/GuiShots.h"
#include "trend/TrendStore.h"
#include "ui/common/DialogLook.h"
#include "ui/common/FadeOut.h"
#include "ui/main_window/DlgYCCheck.h"
#include "ui/main_window/LogBox.h"
#include "ui/main_window/MainWindow.h"
#include "unit/main_window/EngineFixture.h"

namespace ml = ui::main_layout;

namespace {

QColor Background(const QWidget* w) {
    return w->palette().color(QPalette::Window);
}

void Move(QWidget* w, QPoint pos) {
    QMouseEvent e(QEvent::MouseMove, pos, w->mapToGlobal(pos), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void Wheel(QWidget* w, QPoint pos, int delta, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWheelEvent e(pos, w->mapToGlobal(pos), QPoint(), QPoint(0, delta), Qt::NoButton, mods, Qt::NoScrollPhase,
                  false);
    QApplication::sendEvent(w, &e);
}

modbus::Frame Body(const modbus::Frame& f) {
    return modbus::Frame(f.begin(), f.end() - 2);
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;
    std::unique_ptr<mwtest::Fixture> f_;

    std::unique_ptr<ui::MainWindow> NewWindow() {
        auto w = std::make_unique<ui::MainWindow>(f_->ctx);
        return w;
    }

  private slots:
    void initTestCase() {
        ui::ApplyDialogColours(*qApp);
        QVERIFY(dir_.isValid());
        ui::SetFadeDuration(std::chrono::milliseconds(50));
    }

    void init() {
        f_ = std::make_unique<mwtest::Fixture>();
        f_->ctx.basicSettingsPath = QDir(dir_.path()).filePath("基本配置.ini").toStdString();
        QFile::remove(QString::fromStdString(f_->ctx.basicSettingsPath));
    }

    void cleanup() { f_.reset(); }

    void layoutFollowsDialogUnits() {
        auto w = NewWindow();
        // Dialog units of the template: x and width in quarters of the base width, y and height in eighths of
        // the base height, each edge rounded on its own.
        const int bw = w->Units().BaseWidth();
        const int bh = w->Units().BaseHeight();
        const auto px = [&](int x, int y, int width, int height) {
            const auto round = [](int v, int base, int d) { return (v * base + d / 2) / d; };
            const int left = round(x, bw, 4);
            const int top = round(y, bh, 8);
            return QRect(left, top, round(x + width, bw, 4) - left, round(y + height, bh, 8) - top);
        };
        QCOMPARE(w->size(), px(0, 0, 680, 399).size());
        QCOMPARE(w->minimumSize(), w->maximumSize());  // fixed size
        QVERIFY(w->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!w->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        const std::pair<QWidget*, QRect> placed[] = {
            {w->YcLabel(0), px(6, 10, 70, 12)},
            {w->YcValue(62), px(301, 310, 33, 12)},
            {w->YxState(67), px(410, 307, 26, 10)},
            {w->LogBoxWidget(), px(441, 237, 236, 93)},
            {w->ButtonWidget(ml::Button::OpenLow2), px(623, 367, 52, 22)},
            {w->AddressBox(), px(244, 359, 40, 13)},
        };
        for (const auto& [widget, rect] : placed) QCOMPARE(widget->geometry(), rect);
        QCOMPARE(w->ButtonWidget(ml::Button::OpenLow2)->text(), QStringLiteral("分2#低压侧"));
        // Before the initialisation only the template's labels exist.
        QVERIFY(w->YcLabel(43) && !w->YcLabel(44));
        QVERIFY(w->YxLabel(39) && !w->YxLabel(40));
    }

    void initialisationInOrder() {
        QFile ini(QString::fromStdString(f_->ctx.basicSettingsPath));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Settings]\r\nPort=7\r\n");
        ini.close();
        auto w = NewWindow();
        std::vector<std::pair<std::string, QString>> seen;
        f_->ctx.log = [&](const std::string& text) {
            seen.emplace_back(text, w->windowTitle());
            std::lock_guard lock(f_->logMutex);
            f_->logged.push_back(text);
        };
        w->OnInitDialog();
        const QString starting = QString::fromUtf8(ui::kMainTitleStarting);
        QCOMPARE(seen.size(), std::size_t{4});
        QCOMPARE(seen[0], std::make_pair(std::string("欢迎使用Quenbury产品!"), starting));
        QCOMPARE(seen[1], std::make_pair(std::string("Orlin版本号：V1.63!"), starting));
        QCOMPARE(seen[2], std::make_pair(std::string("Orlin时间戳：15.04.10!"), starting));
        QCOMPARE(seen[3], std::make_pair(std::string("打开串口成功!"), starting));
        QCOMPARE(w->windowTitle(), QStringLiteral("Orlin - VARN"));
        QCOMPARE(f_->transport.opened, std::vector<int>{7});
        QCOMPARE(w->PortBox()->text(), QStringLiteral("7"));
        QCOMPARE(w->ClockField(ml::ClockBox::DeviceTime)->text(), QStringLiteral("程序启动"));
        QVERIFY(!w->ClockField(ml::ClockBox::PcTime)->text().isEmpty());
        // The first transaction of the run is the parameter read.
        const auto upload = modbus::BuildBlockReadRequest(1, 100, 64);
        QTRY_VERIFY_WITH_TIMEOUT(!f_->transport.sent.empty() || f_->Command() == *upload, 3000);
        {
            std::lock_guard lock(f_->transport.mutex);
            if (!f_->transport.sent.empty()) QCOMPARE(f_->transport.sent.front(), *upload);
        }
        w->done(QDialog::Accepted);
        QVERIFY(f_->ctx.mainView == nullptr);
    }

    void failedPortIsLoggedAndDefaultPortUsed() {
        f_->transport.openResult = false;
        auto w = NewWindow();
        w->OnInitDialog();
        const auto logged = f_->Logged();
        QVERIFY(std::find(logged.begin(), logged.end(), "打开串口失败!") != logged.end());
        QCOMPARE(f_->transport.opened, std::vector<int>{2});
        QCOMPARE(w->windowTitle(), QStringLiteral("Orlin - VARN"));
    }

    void deadLinkReceiverIsLoggedOnce() {
        QTemporaryDir links;
        QVERIFY(links.isValid());
        QFile::setPermissions(links.path(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        platform::SetLinkFolderOverride(links.path().toStdString());
        com::ComSer comSer;
        auto w = std::make_unique<ui::MainWindow>(f_->ctx, &comSer);
        w->OnInitDialog();
        std::vector<std::string> sockets;
        for (const auto& entry : std::filesystem::directory_iterator(links.path().toStdString()))
            if (entry.path().filename().string().rfind("h-", 0) == 0)
                sockets.push_back(entry.path().string());
        QCOMPARE(sockets.size(), std::size_t{1});
        const int client = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        QVERIFY(client >= 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", sockets[0].c_str());
        {
            // The sanitizers' runtime cannot open files while no descriptor is left; it has seen the
            // receiver's own types once before then.
            platform::LinkReceiver warmUp;
            QVERIFY(warmUp.Start(
                "", [](const platform::CopyDataMessage&) {}, [] {}));
        }
        // With no descriptor to spare the receiver's accept pauses, and its next wait fails.
        rlimit saved{};
        QCOMPARE(::getrlimit(RLIMIT_NOFILE, &saved), 0);
        rlimit tight = saved;
        tight.rlim_cur = 1;
        QCOMPARE(::setrlimit(RLIMIT_NOFILE, &tight), 0);
        const int connected = ::connect(client, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        const auto told = [this] {
            const auto logged = f_->Logged();
            return std::count(logged.begin(), logged.end(),
                              "接收通讯服务器回复的通道已停止，网络方式下收不到装置的回复，请重新启动程序!");
        };
        for (int i = 0; i < 300 && told() == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ::setrlimit(RLIMIT_NOFILE, &saved);
        ::close(client);
        QCOMPARE(connected, 0);
        QTest::qWait(300);
        QCOMPARE(told(), 1);
        w->done(QDialog::Accepted);
        platform::SetLinkFolderOverride("");
    }

    void placeholdersOfUnusedPositions() {
        f_->yx.Number = 45;
        auto w = NewWindow();
        w->OnInitDialog();
        QCOMPARE(w->YcLabel(0)->text(), QStringLiteral("遥测量1"));
        QCOMPARE(w->YcLabel(29)->text(), QStringLiteral("遥测量30"));
        QCOMPARE(w->YcLabel(30)->text(), QStringLiteral("遥测31"));  // column 2, row 10
        QCOMPARE(w->YcLabel(41)->text(), QStringLiteral("遥测42"));
        QCOMPARE(w->YcLabel(42)->text(), QStringLiteral("Static"));
        for (int i = 44; i < 63; ++i)
            QCOMPARE(w->YcLabel(i)->text(), QStringLiteral("动态创建%1").arg(i + 1));
        // Created labels follow the column's last template label at its row pitch.
        const int pitch = w->YcLabel(43)->y() - w->YcLabel(42)->y();
        QCOMPARE(w->YcLabel(44)->y(), w->YcLabel(43)->y() + pitch);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QVERIFY(w->YcLabel(62)->isVisible());
        for (int i = 30; i < 63; ++i) QVERIFY(w->YcValue(i)->text().isEmpty());
        QCOMPARE(w->YxLabel(39)->text(), QStringLiteral("开关40"));
        QCOMPARE(w->YxLabel(44)->text(), QStringLiteral("开关45"));
        QVERIFY(w->YxLabel(45) == nullptr);
        for (int i = 0; i < 68; ++i) QVERIFY(w->YxState(i)->text().isEmpty());
        w->done(QDialog::Accepted);

        init();
        f_->yx.Number = 40;
        auto w40 = NewWindow();
        w40->OnInitDialog();
        for (int i = 40; i < 68; ++i) QVERIFY(w40->YxLabel(i) == nullptr);
        QCOMPARE(w40->YxLabel(0)->text(), QStringLiteral("开关1"));
    }

    void addressBoxRangeMessages() {
        auto w = NewWindow();
        f_->state.SetDeviceAddress(5);
        w->AddressBox()->setText("12");
        QCOMPARE(int(f_->state.DeviceAddress()), 12);
        w->AddressBox()->setText("");
        w->AddressBox()->setText("300");
        w->AddressBox()->setText("0");
        w->AddressBox()->setText("248");
        QCOMPARE(int(f_->state.DeviceAddress()), 12);  // kept on every bad value
        QCOMPARE(f_->boxes.shown,
                 (std::vector<std::string>{
                     "“请填入一个在0和255之间的整数。”", "“请填入一个在0和255之间的整数。”",
                     "“请填入一个在1和247之间的整数。”", "“请填入一个在1和247之间的整数。”"}));
        // The network check box runs the same check and keeps its tick.
        f_->boxes.shown.clear();
        w->NetworkModeBox()->click();
        QCOMPARE(f_->boxes.shown.size(), std::size_t{1});
        QVERIFY(f_->state.networkMode.load());
    }

    void buttonsQueueTheirFrames() {
        auto w = NewWindow();
        auto press = [&](ml::Button b) {
            f_->state.commandSlot.Clear();
            w->ButtonWidget(b)->click();
            return f_->Command();
        };
        const std::pair<ml::Button, modbus::RemoteControl> controls[] = {
            {ml::Button::CloseHigh, modbus::RemoteControl::CloseHigh},
            {ml::Button::OpenHigh, modbus::RemoteControl::OpenHigh},
            {ml::Button::CloseLow1, modbus::RemoteControl::CloseLow1},
            {ml::Button::OpenLow1, modbus::RemoteControl::OpenLow1},
            {ml::Button::CloseLow2, modbus::RemoteControl::CloseLow2},
            {ml::Button::OpenLow2, modbus::RemoteControl::OpenLow2},
        };
        for (const auto& [button, op] : controls) {
            QCOMPARE(press(button), *modbus::BuildRemoteControlRequest(1, op, 0));
        }
        QCOMPARE(press(ml::Button::SignalReset), modbus::BuildSignalResetRequest(1));
        const auto clock = press(ml::Button::ClockSet);
        QCOMPARE(clock.size(), std::size_t{21});
        QCOMPARE(clock[1], std::uint8_t{16});
        // Busy: the frame still waiting refuses the next operation.
        w->ButtonWidget(ml::Button::CloseHigh)->click();
        QCOMPARE(f_->Logged().back(), std::string("已经下发操作命令，请等待本次操作结束后重试!"));
        // Port error.
        f_->state.commandSlot.Clear();
        f_->transport.ready = false;
        w->ButtonWidget(ml::Button::ClockSet)->click();
        QCOMPARE(f_->Logged().back(), std::string("串口错误，无法进行校时操作!"));
        QVERIFY(f_->state.commandSlot.Empty());
        // Buttons of windows not there yet do nothing visible.
        const auto before = f_->Logged().size();
        for (auto b :
             {ml::Button::EventRecords, ml::Button::VersionInfo, ml::Button::Monitor, ml::Button::Settings}) {
            w->ButtonWidget(b)->click();
        }
        QCOMPARE(f_->Logged().size(), before);
        QVERIFY(f_->state.commandSlot.Empty());
        int opened = 0;
        w->SetWindowOpener(ml::Button::Settings, [&] { ++opened; });
        w->ButtonWidget(ml::Button::Settings)->click();
        QCOMPARE(opened, 1);
    }

    void remoteControlRefusals() {
        auto w = NewWindow();
        // Unknown control mode on a relay that has both.
        f_->state.deviceVersion = 200;
        f_->param.RawValue[50] = 0xFFFF;
        w->ButtonWidget(ml::Button::CloseHigh)->click();
        QCOMPARE(f_->Logged().back(), std::string("未找到匹配控制方式，请先上装参数!"));
        QVERIFY(f_->state.commandSlot.Empty());
        // Accident signal present: Cancel queues nothing, OK queues the signal reset instead.
        f_->param.RawValue[50] = 0;
        config::SetText(f_->yx.Name[3], platform::Utf8ToGbk("事故总信号"));
        f_->yx.State[3] = 1;
        f_->boxes.answers = {false};
        w->ButtonWidget(ml::Button::CloseHigh)->click();
        QVERIFY(f_->state.commandSlot.Empty());
        QCOMPARE(f_->boxes.shown.back(),
                 std::string("系统检测到事故总信号存在，必须复归后才能进行遥控，是否先进行复归？"));
        f_->boxes.answers = {true};
        w->ButtonWidget(ml::Button::CloseHigh)->click();
        QCOMPARE(f_->Command(), modbus::BuildSignalResetRequest(1));
    }

    void hoverAndClickCalibration() {
        auto w = NewWindow();
        w->OnInitDialog();
        w->done(QDialog::Accepted);  // no thread competing for the command slot
        f_->state.commandSlot.Clear();
        QLabel* label = w->YcLabel(0);
        const QPoint inside = label->geometry().topLeft() + QPoint(10, label->height() / 2);
        Move(w.get(), inside);
        QCOMPARE(w->cursor().shape(), Qt::PointingHandCursor);
        Move(w.get(), w->YcLabel(20)->geometry().center());  // not clickable
        QCOMPARE(w->cursor().shape(), Qt::ArrowCursor);
        Move(w.get(), w->YcValue(0)->geometry().center());
        QCOMPARE(w->cursor().shape(), Qt::ArrowCursor);

        std::vector<float> offered;
        std::optional<float> answer;
        w->SetReferenceAsker([&](float initial) {
            offered.push_back(initial);
            return answer;
        });
        // No reading yet.
        QTest::mousePress(w.get(), Qt::LeftButton, Qt::NoModifier, inside);
        QCOMPARE(f_->Logged().back(), std::string("下载参数失败：不能用缺省值来校正遥测参数!"));
        QVERIFY(offered.empty());
        // Zero, out of range, not ready.
        f_->yc.Value[0] = 5.0f;
        answer = 0.0f;
        QTest::mousePress(w.get(), Qt::LeftButton, Qt::NoModifier, inside);
        QCOMPARE(f_->Logged().back(), std::string("下载参数失败：不能用零值来校正遥测参数!"));
        answer = 150.0f;
        QTest::mousePress(w.get(), Qt::LeftButton, Qt::NoModifier, inside);
        QCOMPARE(f_->Logged().back(), std::string("下载参数失败：参数范围：0.00~100.00!"));
        f_->transport.ready = false;
        answer = 5.2f;
        QTest::mousePress(w.get(), Qt::LeftButton, Qt::NoModifier, inside);
        QCOMPARE(f_->Logged().back(), std::string("串口错误，无法下载参数： 遥测量1 !"));
        QVERIFY(f_->state.commandSlot.Empty());
        // The two steps.
        f_->transport.ready = true;
        QTest::mousePress(w.get(), Qt::LeftButton, Qt::NoModifier, inside);
        QCOMPARE(offered.back(), 5.0f);
        QCOMPARE(Body(f_->Command()), (modbus::Frame{1, 16, 0x00, 0x70, 0, 1, 2, 0x04, 0x00}));
        QVERIFY(f_->state.deferredCalibration.Occupied());
        QCOMPARE(f_->Logged().back(), std::string("正在下载默认参数：遥测量1 ..."));
    }

    // The context menu of a telemetry label or value offers the trend of its point; elsewhere nothing.
    void rightClickOffersTheTrendOfThePoint() {
        auto w = NewWindow();
        w->OnInitDialog();
        w->done(QDialog::Accepted);
        std::vector<int> opened;
        w->SetTrendOpener([&](int point) { opened.push_back(point); });
        QStringList offered;
        const auto rightClick = [&](QPoint pos) {
            QTimer::singleShot(50, [&] {
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                if (!menu) return;
                for (const QAction* action : menu->actions()) offered << action->text();
                QTest::keyClick(menu, Qt::Key_Down);
                QTest::keyClick(menu, Qt::Key_Return);
            });
            QContextMenuEvent event(QContextMenuEvent::Mouse, pos, w->mapToGlobal(pos));
            QApplication::sendEvent(w.get(), &event);
            QTest::qWait(100);
        };
        rightClick(w->YcValue(3)->geometry().center());
        rightClick(w->YcLabel(29)->geometry().center());
        rightClick(w->YcLabel(30)->geometry().center());  // beyond the points in use
        rightClick(w->YxState(0)->geometry().center());
        QCOMPARE(offered, (QStringList{QStringLiteral("趋势图…"), QStringLiteral("趋势图…")}));
        QCOMPARE(opened, (std::vector<int>{3, 29}));
        // The start's link fault is already in the recording as a gap.
        const auto held = w->TrendRecording().Held();
        QVERIFY(held.has_value());
        const auto samples = w->TrendRecording().Copy(*held, 3);
        QCOMPARE(samples.size(), std::size_t{1});
        QVERIFY(trend::IsGap(samples[0].value));
    }

    void wheelCalibration() {
        auto w = NewWindow();
        w->OnInitDialog();
        w->done(QDialog::Accepted);
        f_->state.commandSlot.Clear();
        f_->yc.Value[0] = 5.0f;
        QLabel* label = w->YcLabel(0);
        auto at = [&](int x) { return label->pos() + QPoint(x, label->height() / 2); };
        struct Case {
            int x;
            Qt::KeyboardModifiers mods;
            std::vector<std::uint8_t> values;
        } cases[] = {
            {10, Qt::NoModifier, {0x04, 0x1E}},                               // 1054
            {30, Qt::NoModifier, {0x04, 0x08}},                               // 1032
            {50, Qt::NoModifier, {0x04, 0x03}},                               // 1027
            {30, Qt::ControlModifier, {0x04, 0x08, 0x04, 0x0A, 0x04, 0x0A}},  // 1032, 1034, 1034
        };
        for (const Case& c : cases) {
            f_->param.RawValue[12] = f_->param.RawValue[13] = f_->param.RawValue[14] = 1024;
            f_->state.commandSlot.Clear();
            Wheel(w.get(), at(c.x), 120, c.mods);
            const auto frame = f_->Command();
            QVERIFY2(frame.size() == 7 + c.values.size() + 2, qPrintable(QString::number(c.x)));
            QVERIFY(std::equal(c.values.begin(), c.values.end(), frame.begin() + 7));
            QVERIFY(modbus::CheckCrc16(frame.data(), frame.size() - 2));
        }
        // At the limit the parameter block is read again.
        f_->param.RawValue[12] = 8000;
        Wheel(w.get(), at(10), 120);
        QCOMPARE(f_->Command(), *modbus::BuildBlockReadRequest(1, 100, 64));
        f_->param.RawValue[12] = 50;
        f_->state.commandSlot.Clear();
        Wheel(w.get(), at(10), -120);
        QCOMPARE(f_->Command(), *modbus::BuildBlockReadRequest(1, 100, 64));
    }

    void calibrationDialogChecksItsField() {
        std::vector<std::string> refusals;
        ui::DlgYCCheck dialog(nullptr, [&](const std::string& text) { refusals.push_back(text); });
        QCOMPARE(dialog.windowTitle(), QStringLiteral("遥测校正"));
        dialog.SetReference(12345.67f);
        QCOMPARE(dialog.Field()->text(), QStringLiteral("12345.7"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        dialog.Field()->setText("abc");
        dialog.OkButton()->click();
        dialog.Field()->setText("200000000");
        QTest::keyClick(dialog.Field(), Qt::Key_Return);
        QVERIFY(dialog.isVisible());  // stays open after a refusal
        QCOMPARE(refusals,
                 (std::vector<std::string>{"请键入一个数。", "“请填入一个在0和100000000之间的数字。”"}));
        dialog.Field()->setText(" 5.2 ");
        dialog.OkButton()->click();  // fades, then closes
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Reference(), 5.2f);
        QVERIFY(!dialog.isVisible());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }

    void logBoxCutsAtCapacity() {
        ui::LogBox box;
        QString big;
        big.reserve(9'000'000);
        const QString line = QStringLiteral("12:00:00 -> 一行日志文本0123456789\n");
        while (big.size() + line.size() <= 9'000'000) big += line;
        big += QString(9'000'000 - big.size(), QLatin1Char('x'));
        box.setPlainText(big);
        QCOMPARE(box.Length(), qsizetype{9'000'000});
        const QString entry = QStringLiteral("12:00:01 -> 新的一行\r\n");
        box.AppendEntry(entry);
        // The first 15,000 characters went, at that count and not at a line boundary; the entry is at the
        // end.
        QCOMPARE(box.Length(), qsizetype{9'000'000 - 15'000 + entry.size() - 1});
        const QString text = box.toPlainText();
        QCOMPARE(text.left(50), big.mid(15'000, 50));
        QVERIFY(text.endsWith(QStringLiteral("12:00:01 -> 新的一行\n")));
        QCOMPARE(box.textCursor().position(), box.document()->characterCount() - 1);
        // Below the limit nothing is cut.
        const qsizetype before = box.Length();
        box.AppendEntry(entry);
        QCOMPARE(box.Length(), before + entry.size() - 1);
    }

    void stateColourFollowsEveryChange() {
        auto w = NewWindow();
        w->OnInitDialog();
        QLabel* field = w->YxState(3);
        QCOMPARE(Background(field), QColor(244, 244, 244));   // link fault at start
        std::thread other([&] { w->ShowYxState(3, "合"); });  // from the management thread's side
        while (!other.joinable() || field->text().isEmpty()) QCoreApplication::processEvents();
        other.join();
        QCOMPARE(field->text(), QStringLiteral("合"));
        QCOMPARE(Background(field), QColor(255, 0, 0));
        w->ShowYxState(3, "分");
        QCOMPARE(Background(field), QColor(0, 255, 0));
        w->ShowYxState(3, "");
        QCOMPARE(Background(field), QColor(244, 244, 244));
        QCOMPARE(Background(w->ClockField(ml::ClockBox::PcTime)), QColor(224, 224, 224));
        QCOMPARE(w->ClockField(ml::ClockBox::PcTime)->palette().color(QPalette::WindowText),
                 QColor(255, 0, 0));
        // A value shown again unchanged costs no widget update.
        w->ShowDeviceModel("VARN");
        const long writes = w->FieldTextWrites();
        w->ShowDeviceModel("VARN");
        w->ShowYcValue(0, "");
        QCOMPARE(w->FieldTextWrites(), writes);
        w->done(QDialog::Accepted);
    }

    void escapeEndsWithoutFarewellOrFade() {
        auto w = NewWindow();
        w->show();
        QVERIFY(w->Initialised());
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const auto previous = ui::SetFadeDuration(std::chrono::seconds(3));
        QElapsedTimer timer;
        timer.start();
        QTest::keyClick(w.get(), Qt::Key_Escape);
        QVERIFY(timer.elapsed() < 2500);
        ui::SetFadeDuration(previous);
        QCOMPARE(w->result(), int(QDialog::Rejected));
        QVERIFY(!w->isVisible());
        QVERIFY(f_->transport.registered.empty());
        QVERIFY(f_->state.AppClosing());
    }

    void enterValidatesThenEnds() {
        auto w = NewWindow();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->AddressBox()->setFocus();
        w->AddressBox()->setText("0");
        f_->boxes.shown.clear();
        QTest::keyClick(w->AddressBox(), Qt::Key_Return);
        QVERIFY(w->isVisible());
        QCOMPARE(f_->boxes.shown.size(), std::size_t{1});
        w->AddressBox()->setText("9");
        QTest::keyClick(w->AddressBox(), Qt::Key_Return);
        QVERIFY(!w->isVisible());
        QCOMPARE(w->result(), int(QDialog::Accepted));
        QVERIFY(f_->transport.registered.empty());
    }

    void closeSaysFarewellAndEndsTheThread() {
        auto w = NewWindow();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QTest::qWait(300);  // the thread is polling
        QVERIFY(w->close() || !w->isVisible());
        QTRY_VERIFY(!w->isVisible());
        QCOMPARE(f_->transport.registered, std::vector<int>{200});
        QVERIFY(f_->state.AppClosing());
    }

    // Units in telemetry names (油温(℃)) must show: a CJK font that maps ℃ to an empty glyph is not enough.
    void degreeSignIsDrawn() {
        config::SetText(f_->yc.Name[0], platform::Utf8ToGbk("油温(℃)"));
        auto w = NewWindow();
        w->OnInitDialog();
        w->done(QDialog::Accepted);
        QCOMPARE(w->YcLabel(0)->text(), QStringLiteral("油温(℃)"));
        for (const QFont& font : {w->YcLabel(0)->font(), w->YcValue(0)->font()}) {
            QTextLayout layout(QStringLiteral("℃"), font);
            layout.beginLayout();
            layout.createLine();
            layout.endLayout();
            int outlines = 0;
            for (const QGlyphRun& run : layout.glyphRuns()) {
                for (quint32 glyph : run.glyphIndexes()) {
                    if (!run.rawFont().pathForGlyph(glyph).isEmpty()) ++outlines;
                }
            }
            QVERIFY2(outlines == 1, qPrintable(font.families().join(',')));
        }
    }

    void valuesAreDrawnInTheirColours() {
        f_->yx.Number = 50;
        config::SetText(f_->yc.Name[0], platform::Utf8ToGbk("油温(℃)"));
        auto w = NewWindow();
        w->OnInitDialog();
        w->done(QDialog::Accepted);
        for (int i = 0; i < 30; ++i) {
            f_->yc.ColorText[i] = i % 2 ? config::Rgb{0, 0, 255} : config::Rgb{0, 128, 0};
            f_->yc.ColorBack[i] = {255, 255, 255};
            w->ShowYcValue(i, QString::number(100.0 + i * 1.25, 'f', 2).toStdString());
        }
        for (int i = 0; i < 50; ++i) w->ShowYxState(i, i % 3 == 0 ? "合" : i % 3 == 1 ? "分" : "");
        w->ShowDeviceTime("26-12-07 08:05:09");
        w->ShowDeviceModel("VARN");
        w->ShowDeviceVersion("V1.63");
        for (int i = 0; i < 5; ++i) w->AppendLogEntry("08:05:0" + std::to_string(i) + " -> 欢迎使用\r\n");
        QVERIFY(w->grab().save(test_support::GuiShotPath(QStringLiteral("main-window-test.png"))));
        // The drawn window shows each value in its table's colours: a white box with green or blue text.
        const QImage shot = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const qreal scale = shot.devicePixelRatio();
        for (int i : {0, 1, 28, 29}) {
            const QRect box = w->YcValue(i)->geometry();
            int white = 0;
            int inked = 0;
            for (int y = box.top(); y <= box.bottom(); ++y)
                for (int x = box.left(); x <= box.right(); ++x) {
                    const QColor c = shot.pixelColor(QPoint(x, y) * scale);
                    if (c == Qt::white) ++white;
                    const bool green = c.green() > 60 && c.red() < 90 && c.blue() < 90;
                    const bool blue = c.blue() > 120 && c.red() < 90 && c.green() < 90;
                    if (i % 2 ? blue : green) ++inked;
                }
            QVERIFY2(white > box.width() * box.height() / 2, qPrintable(QString::number(i)));
            QVERIFY2(inked > 5, qPrintable(QString::number(i)));
        }
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
