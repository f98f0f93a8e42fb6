#include "ui/main_window/MainWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QThread>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <vector>

#include "SrcCom/ComSer.h"
#include "engine/BlockTransfer.h"
#include "engine/DeviceOperations.h"
#include "engine/LinkDisplay.h"
#include "engine/ManagementThread.h"
#include "engine/PollDecoder.h"
#include "log/OperationLog.h"
#include "platform/Gbk.h"
#include "platform/Profile.h"
#include "platform/ProgramFolder.h"
#include "resources/Pictures.h"
#include "resources/WaveResource.h"
#include "trend/TrendDayFile.h"
#include "trend/TrendStore.h"
#include "ui/common/DialogLook.h"
#include "ui/common/FadeOut.h"
#include "ui/main_window/DlgYCCheck.h"
#include "ui/main_window/FieldChecks.h"
#include "ui/main_window/LogBox.h"

namespace ui {

using main_layout::Button;
using main_layout::ClockBox;
using main_layout::DluRect;

namespace {

QColor ToQColor(const config::Rgb& rgb) {
    return QColor(rgb.r, rgb.g, rgb.b);
}

QString Qs(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QString NameOf(const config::Text& gbk) {
    return Qs(platform::GbkToUtf8(config::TextView(gbk)));
}

int UsedYc(const config::YcTable& yc) {
    return std::min<int>(yc.Number, main_layout::kYcCapacity);
}
int UsedYx(const config::YxTable& yx) {
    return std::min<int>(yx.Number, main_layout::kYxCapacity);
}

}  // namespace

// The window's message boxes, with the application's title; calls from other threads run on the UI thread.
// Once the window has ended, questions get the negative answer.
class MainWindow::Messages : public engine::MessageBoxes {
  public:
    Messages(MainWindow& window) : window_(window) {}
    bool AskOkCancel(const std::string& text) override {
        return Ask(text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok);
    }
    bool AskYesNo(const std::string& text) override {
        return Ask(text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    }
    void Inform(const std::string& text) override {
        window_.bridge_.Run(
            [&] { QMessageBox::information(&window_, QApplication::applicationDisplayName(), Qs(text)); });
    }

  private:
    bool Ask(const std::string& text, QMessageBox::StandardButtons buttons, QMessageBox::StandardButton yes) {
        bool answer = false;
        window_.bridge_.Run([&] {
            answer = QMessageBox::question(&window_, QApplication::applicationDisplayName(), Qs(text),
                                           buttons) == yes;
        });
        return answer;
    }
    MainWindow& window_;
};

MainWindow::MainWindow(engine::EngineContext& ctx, com::ComSer* comSer, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      ctx_(ctx),
      comSer_(comSer),
      units_(DialogUnits::FromFont(DialogFont())),
      bridge_(this),
      calibration_(ctx),
      messages_(std::make_unique<Messages>(*this)),
      trendStore_(std::make_unique<trend::TrendStore>()) {
    ctx_.UseProcessDefaults();
    if (!ctx_.trend) {
        ctx_.trend = trendStore_.get();
        setTrend_ = true;
    }
    if (!ctx_.messageBoxes) {
        ctx_.messageBoxes = messages_.get();
        setMessageBoxes_ = true;
    }
    if (!ctx_.play) ctx_.play = [](const std::string& name) { res::PlayWaveResource(name.c_str()); };
    if (!ctx_.decodePoll) {
        decode_ = std::make_unique<engine::DecodeContext>(ctx_.state->deviceVersion);
        decode_->view = this;
        decode_->tables = {ctx_.yc, ctx_.yx, ctx_.tablesMutex};
        decode_->log = ctx_.log;
        decode_->playSound = ctx_.play;
        decode_->trend = ctx_.trend;
        decode_->clock = ctx_.clock;
        ctx_.decodePoll = [decode = decode_.get()](const std::uint8_t* frame, std::size_t length) {
            engine::DecodePollResponse(frame, length, *decode);
        };
        setDecodePoll_ = true;
    }

    setFont(DialogFont());
    setFixedSize(units_.ToPixels({main_layout::kWindowWidth, main_layout::kWindowHeight}));
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    askReference_ = [this](float initial) -> std::optional<float> {
        DlgYCCheck dialog(this, [this](const std::string& text) { ctx_.messageBoxes->Inform(text); });
        dialog.SetReference(initial);
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return dialog.Reference();
    };
    BuildLayout();
    ConnectButtons();
}

MainWindow::~MainWindow() {
    EndRun();
}

void MainWindow::Place(QWidget* widget, const DluRect& rect) const {
    widget->setGeometry(units_.MapDialogRect(QRect(rect.x, rect.y, rect.w, rect.h)));
}

QFrame* MainWindow::NewFrame(const DluRect& rect) {
    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    Place(frame, rect);
    frame->lower();
    return frame;
}

QLabel* MainWindow::NewLabel(const DluRect& rect, const QString& text, bool field) {
    auto* label = new QLabel(text, this);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    label->setAlignment(field ? Qt::AlignCenter : (Qt::AlignLeft | Qt::AlignVCenter));
    if (field) label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Place(label, rect);
    ApplyLook(label, DialogLook());
    label->show();
    return label;
}

void MainWindow::BuildLayout() {
    namespace ml = main_layout;
    for (int c = 0; c < ml::kYcColumns; ++c) NewFrame(ml::YcFrame(c));
    for (int c = 0; c < 3; ++c) NewFrame(ml::YxFrame(c));
    NewFrame(ml::ClockFrame());
    NewFrame(ml::LinkFrame());
    NewFrame(ml::ButtonFrame());

    // The window's own controls; the rest of telemetry column 3 and the labels of telesignals 41 on are
    // created by the initialisation.
    for (int i = 0; i < ml::kYcCapacity; ++i) {
        if (i < ml::kYcTemplateLabels)
            ycLabels_[i] = NewLabel(ml::YcLabel(i), Qs(ml::YcPlaceholder(i)), false);
        ycValues_[i] = NewLabel(ml::YcValue(i), QString(), true);
    }
    for (int i = 0; i < ml::kYxCapacity; ++i) {
        if (i < ml::kYxTemplateLabels)
            yxLabels_[i] = NewLabel(ml::YxLabel(i), Qs(ml::YxPlaceholder(i)), false);
        yxStates_[i] = NewLabel(ml::YxState(i), QString(), true);
    }

    logBox_ = new LogBox(this);
    Place(logBox_, ml::LogBox());
    ApplyLook(logBox_, LogBoxLook());

    for (int k = 0; k < ml::kClockBoxes; ++k) {
        const auto box = static_cast<ClockBox>(k);
        NewLabel(ml::ClockLabel(box), Qs(ml::ClockLabelText(box)), false);
        clockFields_[k] = NewLabel(ml::ClockField(box), QString(), true);
        ApplyLook(clockFields_[k], box == ClockBox::PcTime ? PcTimeLook() : DeviceBoxLook());
    }

    const auto* digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    NewLabel(ml::PortLabel(), QStringLiteral("端口："), false);
    portBox_ = new QLineEdit(this);
    portBox_->setValidator(digits);
    Place(portBox_, ml::PortBox());
    NewLabel(ml::AddressLabel(), QStringLiteral("地址："), false);
    addressBox_ = new QLineEdit(QString::number(ctx_.state->DeviceAddress()), this);
    addressBox_->setValidator(digits);
    Place(addressBox_, ml::AddressBox());
    networkMode_ = new QCheckBox(QStringLiteral("网络方式"), this);
    Place(networkMode_, ml::NetworkModeCheck());
    reconnect_ = new QPushButton(QStringLiteral("重新连接"), this);
    reconnect_->setAutoDefault(false);
    Place(reconnect_, ml::ReconnectButton());

    for (int b = 0; b < ml::kButtonCount; ++b) {
        auto* button = new QPushButton(Qs(ml::ButtonText(static_cast<Button>(b))), this);
        button->setAutoDefault(false);
        Place(button, ml::ButtonRect(static_cast<Button>(b)));
        buttons_[b] = button;
    }
}

void MainWindow::ConnectButtons() {
    for (int b = 0; b < main_layout::kButtonCount; ++b) {
        connect(buttons_[b], &QPushButton::clicked, this, [this, b] { OnButton(static_cast<Button>(b)); });
    }
    connect(reconnect_, &QPushButton::clicked, this,
            [this] { engine::Reconnect(ctx_, portBox_->text().toStdString()); });
    connect(addressBox_, &QLineEdit::textChanged, this, [this] { OnAddressChanged(); });
    connect(networkMode_, &QCheckBox::clicked, this, [this](bool checked) {
        ValidateFields();
        ctx_.state->networkMode.store(checked);
    });
}

void MainWindow::OnButton(Button button) {
    switch (button) {
        case Button::ClockSet:
            engine::ClockSet(ctx_);
            return;
        case Button::SignalReset:
            engine::SignalReset(ctx_);
            return;
        case Button::CloseHigh:
            engine::CloseHighSide(ctx_);
            return;
        case Button::OpenHigh:
            engine::OpenHighSide(ctx_);
            return;
        case Button::CloseLow1:
            engine::CloseLowSide1(ctx_);
            return;
        case Button::OpenLow1:
            engine::OpenLowSide1(ctx_);
            return;
        case Button::CloseLow2:
            engine::CloseLowSide2(ctx_);
            return;
        case Button::OpenLow2:
            engine::OpenLowSide2(ctx_);
            return;
        case Button::EventRecords:
        case Button::VersionInfo:
        case Button::Monitor:
        case Button::Settings:
            if (const auto& open = openers_[static_cast<int>(button)]) open();
            return;
    }
}

void MainWindow::SetWindowOpener(Button button, std::function<void()> open) {
    openers_[static_cast<int>(button)] = std::move(open);
}

void MainWindow::SetReferenceAsker(YcCalibration::AskReference ask) {
    askReference_ = std::move(ask);
}

bool MainWindow::ValidateFields() {
    const FieldCheck<std::uint8_t> check = CheckAddressText(addressBox_->text().toStdString());
    if (!check.value) {
        ctx_.messageBoxes->Inform(check.message);
        return false;
    }
    ctx_.state->SetDeviceAddress(*check.value);
    return true;
}

void MainWindow::OnAddressChanged() {
    ValidateFields();
}

void MainWindow::CreateFonts() {
    ProcessFonts* fonts = TheProcessFonts();
    if (!fonts) fonts = &ownFonts_;
    fonts->ycLabelFont = DialogFont(11);
    fonts->yxLabelFont = DialogFont(11);
    fonts->logFont = DialogFont(9);
}

const QFont& MainWindow::FontOf(LookFont font) const {
    const ProcessFonts* fonts = TheProcessFonts();
    if (!fonts) fonts = &ownFonts_;
    switch (font) {
        case LookFont::YcLabel:
            return fonts->ycLabelFont;
        case LookFont::YxLabel:
            return fonts->yxLabelFont;
        case LookFont::Log:
            return fonts->logFont;
        case LookFont::Dialog:
            break;
    }
    return QDialog::font();
}

void MainWindow::ApplyLook(QWidget* widget, const ControlLook& look) {
    auto cached = looks_.find(widget);
    if (cached != looks_.end() && cached->second == look) return;
    looks_[widget] = look;
    widget->setFont(FontOf(look.font));
    if (look.systemColours) return;
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, ToQColor(look.text));
    palette.setColor(QPalette::Window, ToQColor(look.back));
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void MainWindow::SetFieldText(QLabel* field, const std::string& text) {
    const QString value = Qs(text);
    if (field->text() == value) return;
    field->setText(value);
    ++fieldTextWrites_;
}

void MainWindow::showEvent(QShowEvent* event) {
    if (!initialised_) OnInitDialog();
    QDialog::showEvent(event);
}

void MainWindow::OnInitDialog() {
    using namespace main_layout;
    if (initialised_) return;
    initialised_ = true;

    setWindowIcon(ResourceIcon(res::kIconProgram));
    setWindowTitle(Qs(kMainTitleStarting));
    // The box is a sink of the log from the first line on.
    oplog::SetLogBoxSink([this](const std::string& entry) { AppendLogEntry(entry); });
    ctx_.Log("欢迎使用Quenbury产品!");
    ctx_.Log("Orlin版本号：V1.63!");
    ctx_.Log("Orlin时间戳：15.04.10!");
    CreateFonts();
    ApplyLook(logBox_, LogBoxLook());

    if (!ctx_.mainView) {
        ctx_.mainView = this;
        setMainView_ = true;
    }
    if (!thread_) {
        thread_ = std::make_unique<engine::ManagementThread>(ctx_);
        if (!thread_->Start()) {
            ctx_.messageBoxes->Inform("创建管理线程失败，请检查内存使用状态!");
            QMetaObject::invokeMethod(
                this, [this] { done(QDialog::Rejected); }, Qt::QueuedConnection);
        }
    }
    engine::LinkDisplay display(ctx_);
    display.ShowPcTime();

    const int port = platform::ProfileGetInt(ctx_.basicSettingsPath, "Settings", "Port", 2);
    const bool opened = ctx_.state->networkMode.load() ? ctx_.transport->RegisterWithCommServer(port)
                                                       : ctx_.transport->OpenPort(port, 9600, 8, 0, 0);
    ctx_.Log(opened ? "打开串口成功!" : "打开串口失败!");
    if (!opened && !ctx_.state->networkMode.load()) engine::LogPortAccessHint(ctx_);
    setWindowTitle(Qs(kMainTitle));
    portBox_->setText(QString::number(port));

    // The rest of telemetry column 3, at the column's row pitch below its last template label.
    for (int i = kYcTemplateLabels; i < kYcCapacity; ++i) {
        ycLabels_[i] = NewLabel(main_layout::YcLabel(i), Qs(YcPlaceholder(i)), false);
    }
    const config::YcTable& yc = *ctx_.yc;
    const config::YxTable& yx = *ctx_.yx;
    for (int i = 0; i < UsedYc(yc); ++i) {
        ycLabels_[i]->setText(NameOf(yc.Name[i]));
        ApplyLook(ycLabels_[i], YcLabelLook(yc, i));
        ApplyLook(ycValues_[i], YcValueLook(yc, i));
    }
    for (int i = kYxTemplateLabels; i < UsedYx(yx); ++i) {
        yxLabels_[i] = NewLabel(main_layout::YxLabel(i), Qs(YxPlaceholder(i)), false);
    }
    for (int i = 0; i < UsedYx(yx); ++i) {
        yxLabels_[i]->setText(NameOf(yx.Name[i]));
        ApplyLook(yxLabels_[i], YxLabelLook(yx, i));
        ApplyLook(yxStates_[i], YxStateLook(yx, i, StateOfText(yxStates_[i]->text().toStdString())));
    }
    display.ShowLinkFault("程序启动");
    StartTrendFile();
    StartLinkReceiver();
    engine::UploadParameters(ctx_);
    setFocus();
}

void MainWindow::StartTrendFile() {
    if (!setTrend_) return;  // someone else records
    std::vector<std::string> names;
    {
        std::lock_guard lock(*ctx_.tablesMutex);
        const int used = std::min<int>(ctx_.yc->Number, trend::kTrendPoints);
        for (int i = 0; i < used; ++i) names.emplace_back(config::TextView(ctx_.yc->Name[i]));
    }
    trendWriter_ = std::make_unique<trend::TrendDayWriter>(platform::ProgramFolder(), std::move(names),
                                                           oplog::LockedFileAppender());
    trendFileTimer_ = new QTimer(this);
    connect(trendFileTimer_, &QTimer::timeout, this,
            [this] { trendWriter_->WriteUpTo(*trendStore_, trend::ToMs(ctx_.Now())); });
    trendFileTimer_->start(trend::kMsPerSecond);
}

void MainWindow::StartLinkReceiver() {
    if (!comSer_) return;
    // Replies are copied and handed to the UI thread without waiting for it, so the server's send never
    // waits on a UI thread that is itself sending to the server.
    const auto deliver = [this](const platform::CopyDataMessage& message) {
        std::vector<std::uint8_t> bytes(message.bytes.begin(), message.bytes.end());
        QMetaObject::invokeMethod(
            this,
            [this, bytes = std::move(bytes)] { comSer_->DeliverRelayReply(bytes.data(), bytes.size()); },
            Qt::QueuedConnection);
    };
    // Without its receiver network mode only shows poll time-outs; the operator learns why, once.
    const auto gaveUp = [this] { ctx_.Log(kLinkReceiverStoppedText); };
    const bool started = receiver_.Start(std::string(), deliver, gaveUp);
    if (started) comSer_->SetLinkHandle(receiver_.Handle());
}

void MainWindow::ShowPcTime(const std::string& text) {
    bridge_.Run([&] { SetFieldText(clockFields_[static_cast<int>(ClockBox::PcTime)], text); });
}

void MainWindow::ShowDeviceTime(const std::string& text) {
    bridge_.Run([&] { SetFieldText(clockFields_[static_cast<int>(ClockBox::DeviceTime)], text); });
}

void MainWindow::ShowDeviceModel(const std::string& text) {
    bridge_.Run([&] { SetFieldText(clockFields_[static_cast<int>(ClockBox::DeviceModel)], text); });
}

void MainWindow::ShowDeviceVersion(const std::string& text) {
    bridge_.Run([&] { SetFieldText(clockFields_[static_cast<int>(ClockBox::DeviceVersion)], text); });
}

void MainWindow::ShowYcValue(int point, const std::string& text) {
    if (point < 0 || point >= main_layout::kYcCapacity) return;
    bridge_.Run([&] {
        SetFieldText(ycValues_[point], text);
        ApplyLook(ycValues_[point], YcValueLook(*ctx_.yc, point));
    });
}

void MainWindow::ShowYxState(int point, const std::string& text) {
    if (point < 0 || point >= main_layout::kYxCapacity) return;
    bridge_.Run([&] {
        SetFieldText(yxStates_[point], text);
        ApplyLook(yxStates_[point], YxStateLook(*ctx_.yx, point, StateOfText(text)));
    });
}

void MainWindow::ShowAddress(const std::string& text) {
    bridge_.Run([&] { addressBox_->setText(Qs(text)); });
}

void MainWindow::SetTitle(const std::string& text) {
    bridge_.Run([&] { setWindowTitle(Qs(text)); });
}

void MainWindow::AppendLogEntry(const std::string& entry) {
    bridge_.Run([&] { logBox_->AppendEntry(Qs(entry)); });
}

int MainWindow::TelemetryFieldAt(const QPoint& pos) const {
    const int used = std::min<int>(UsedYc(*ctx_.yc), trend::kTrendPoints);
    for (int i = 0; i < used; ++i) {
        if ((ycLabels_[i] && ycLabels_[i]->geometry().contains(pos)) ||
            (ycValues_[i] && ycValues_[i]->geometry().contains(pos)))
            return i;
    }
    return -1;
}

void MainWindow::contextMenuEvent(QContextMenuEvent* event) {
    const int point = TelemetryFieldAt(event->pos());
    if (point < 0 || !trendOpener_) {
        QDialog::contextMenuEvent(event);
        return;
    }
    QMenu menu(this);
    const QAction* trend = menu.addAction(QStringLiteral("趋势图…"));
    if (menu.exec(event->globalPos()) == trend) OpenTrend(point);
}

int MainWindow::ClickablePointAt(const QPoint& pos) const {
    for (int i = 0; i < main_layout::kYcCapacity; ++i) {
        const QLabel* label = ycLabels_[i];
        if (label && label->geometry().contains(pos) && calibration_.IsClickable(i)) return i;
    }
    return -1;
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
    if (ClickablePointAt(event->position().toPoint()) >= 0) {
        setCursor(Qt::PointingHandCursor);
        // Wheel messages follow the keyboard focus.
        setFocus(Qt::MouseFocusReason);
    } else {
        setCursor(Qt::ArrowCursor);
    }
    QDialog::mouseMoveEvent(event);
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const int point = ClickablePointAt(event->position().toPoint());
        if (point >= 0) calibration_.Click(point, askReference_);
    }
    QDialog::mousePressEvent(event);
}

void MainWindow::wheelEvent(QWheelEvent* event) {
    const QPoint pos = event->position().toPoint();
    const int point = ClickablePointAt(pos);
    if (point >= 0) {
        const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
        calibration_.Wheel(point, event->angleDelta().y(), ctrl, pos.x() - ycLabels_[point]->x());
    }
    QDialog::wheelEvent(event);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // A focused button takes Enter as a press; otherwise the window ends when its fields are valid.
            if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
                button->click();
            } else if (ValidateFields()) {
                done(QDialog::Accepted);
            }
            return;
        case Qt::Key_Escape:
            done(QDialog::Rejected);
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (ended_) return;
    ctx_.transport->RegisterWithCommServer(com::kClosingPort);
    ctx_.state->RequestClose();
    FadeOutWindow(this);
    done(QDialog::Rejected);
}

void MainWindow::done(int result) {
    EndRun();
    QDialog::done(result);
}

void MainWindow::EndRun() {
    if (ended_) return;
    ended_ = true;
    ctx_.state->RequestClose();
    // Calls the management thread makes into the window while it ends are carried out meanwhile.
    bridge_.Close();
    if (beforeJoin_) beforeJoin_();
    // Other windows (monitor, settings, event records) take the thread's calls through the event loop, so
    // events are processed until the thread has ended; only then is it joined.
    while (thread_ && thread_->Running() && !thread_->Finished()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    if (thread_) thread_->Join();
    if (trendFileTimer_) trendFileTimer_->stop();
    // The second in progress is written too.
    if (trendWriter_) trendWriter_->WriteUpTo(*trendStore_, trend::ToMs(ctx_.Now()) + trend::kMsPerSecond);
    receiver_.Stop();
    if (comSer_) comSer_->SetLinkHandle(0);
    oplog::SetLogBoxSink({});
    if (setMainView_) ctx_.mainView = nullptr;
    if (setMessageBoxes_) ctx_.messageBoxes = nullptr;
    if (setDecodePoll_) ctx_.decodePoll = nullptr;
    if (setTrend_) ctx_.trend = nullptr;
}

}  // namespace ui
