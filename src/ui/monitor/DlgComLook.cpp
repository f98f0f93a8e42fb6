#include "ui/monitor/DlgComLook.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolTip>

#include "log/LogBoxText.h"
#include "log/OperationLog.h"
#include "platform/ProgramFolder.h"
#include "platform/Shell.h"
#include "resources/Pictures.h"
#include "ui/common/CentreWindow.h"
#include "ui/common/DialogLook.h"
#include "ui/common/FadeOut.h"
#include "ui/monitor/MonitorFormat.h"
#include "ui/monitor/SaveTextDialog.h"
#include "ui/monitor/TextFile.h"
#include "ui/monitor/UiThreadCall.h"

namespace ui {
namespace {

QString Qs(const std::string& text) {
    return QString::fromStdString(text);
}

bool IsCloseKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

DlgComLook* theWindow = nullptr;

// How far up from a received frame the frame sent before it is looked for (log lines may lie between).
constexpr int kRequestSearchLines = 64;
// How far up from a hint line its frame is looked for (96 hints at most).
constexpr int kHintLines = 100;

}  // namespace

MonitorTextBox::MonitorTextBox(QWidget* parent) : QPlainTextEdit(parent) {
    setContextMenuPolicy(Qt::PreventContextMenu);
    viewport()->setContextMenuPolicy(Qt::PreventContextMenu);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(false);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

void MonitorTextBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) clear();
    QPlainTextEdit::mouseDoubleClickEvent(event);
}

void MonitorTextBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QPlainTextEdit::mousePressEvent(event);
}

void MonitorTextBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        event->accept();
        emit RightButtonReleased();
        return;
    }
    QPlainTextEdit::mouseReleaseEvent(event);
}

void MonitorTextBox::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
}

void MonitorTextBox::keyPressEvent(QKeyEvent* event) {
    if (IsCloseKey(event->key())) {
        event->accept();
        emit CloseKeyPressed();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

bool MonitorTextBox::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip) return QPlainTextEdit::viewportEvent(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    const QTextBlock line = cursorForPosition(help->pos()).block();
    const QRect area = blockBoundingGeometry(line).translated(contentOffset()).toAlignedRect();
    const QString text = explainLine && area.contains(help->pos()) ? explainLine(line) : QString();
    if (text.isEmpty()) {
        QToolTip::hideText();
    } else {
        QToolTip::showText(help->globalPos(), text, viewport(), area);
    }
    return true;
}

DlgComLook::DlgComLook(ComLook& logic, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      logic_(logic),
      text_(new MonitorTextBox(this)),
      hint_(new QCheckBox(QStringLiteral("遥信提示"), this)),
      showReceived_(new QCheckBox(QStringLiteral("显示收字"), this)),
      pause_(new QCheckBox(QStringLiteral("暂停监视"), this)),
      save_(new QPushButton(QStringLiteral("保存报文"), this)),
      view_(new QPushButton(QStringLiteral("查看报文"), this)),
      sendIcon_(ResourceIcon(res::kIconMonitorSend)),
      receiveIcon_(ResourceIcon(res::kIconMonitorReceive)) {
    setModal(false);
    setSizeGripEnabled(true);
    setWindowTitle(Qs(logic_.Title()));
    text_->setFont(DialogFont());
    hint_->setChecked(logic_.TelesignalHintOn());
    showReceived_->setChecked(logic_.ShowReceived());
    pause_->setChecked(logic_.Paused());
    for (QPushButton* button : {save_, view_}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    for (QCheckBox* box : {hint_, showReceived_, pause_}) {
        connect(box, &QCheckBox::clicked, this, &DlgComLook::ReadCheckBoxes);
    }
    connect(save_, &QPushButton::clicked, this, &DlgComLook::Save);
    connect(view_, &QPushButton::clicked, this, &DlgComLook::View);
    connect(text_, &MonitorTextBox::RightButtonReleased, this, &DlgComLook::TogglePauseByMouse);
    connect(text_, &MonitorTextBox::CloseKeyPressed, this, &QWidget::hide);
    text_->explainLine = [this](const QTextBlock& line) { return ExplainLine(line); };

    askSaveFileName = [this](const QString& title, const QString& folder, const QString& name) {
        return AskSaveFileName(this, title, folder, name);
    };
    inform = [this](const QString& text) {
        QMessageBox::warning(this, QApplication::applicationDisplayName(), text);
    };
    openInTextEditor = [](const QString& path) { platform::OpenInTextEditor(path.toStdString()); };
    resize(720, 480);
}

DlgComLook::~DlgComLook() {
    logic_.Attach(nullptr);
    if (theWindow == this) theWindow = nullptr;
}

void DlgComLook::AppendMonitorLine(const std::string& line) {
    const QString text = Qs(line);
    RunOnUiThread([this, &text] { AppendNow(text); });
}

void DlgComLook::ShowMonitorIcon(int iconId) {
    RunOnUiThread([this, iconId] {
        iconId_ = iconId;
        setWindowIcon(iconId == res::kIconMonitorSend ? sendIcon_ : receiveIcon_);
    });
}

qsizetype DlgComLook::TextLength() const {
    return text_->document()->characterCount() - 1;
}

void DlgComLook::AppendNow(const QString& line) {
    QTextDocument* doc = text_->document();
    QScrollBar* bar = text_->verticalScrollBar();
    const bool following = bar->value() == bar->maximum();
    qsizetype cut = static_cast<qsizetype>(oplog::LogBoxCutCount(static_cast<std::size_t>(TextLength())));
    if (cut > 0) {
        // Never leave half a surrogate pair at the start.
        if (doc->characterAt(static_cast<int>(cut)).isLowSurrogate()) ++cut;
        QTextCursor front(doc);
        front.setPosition(static_cast<int>(cut), QTextCursor::KeepAnchor);
        front.removeSelectedText();
    }
    QTextCursor end(doc);
    end.movePosition(QTextCursor::End);
    end.insertText(line);  // CR LF becomes one line end
    // Lines arrive at the end; the view follows them only when it was showing the end already.
    if (following) bar->setValue(bar->maximum());
}

void DlgComLook::ReadCheckBoxes() {
    logic_.SetFlags(pause_->isChecked(), showReceived_->isChecked(), hint_->isChecked());
    setWindowTitle(Qs(logic_.Title()));
}

void DlgComLook::TogglePauseByMouse() {
    const bool paused = logic_.TogglePause();
    setWindowTitle(Qs(logic_.Title()));
    pause_->setChecked(paused);
}

void DlgComLook::Save() {
    const QString name = Qs(MonitorSaveName(platform::CurrentClock().Now()));
    const QString folder = Qs(platform::InProgramFolder(kMonitorSaveFolder));
    const std::optional<QString> path = askSaveFileName(Qs(kMonitorSaveTitle), folder, name);
    if (!path) return;
    logic_.SetLastSavedMonitorFile(path->toStdString());
    if (!WriteTextFile(path->toStdString(), text_->toPlainText().toStdString())) {
        inform(QStringLiteral("无法保存文件 %1").arg(Qs(platform::NativeSeparators(path->toStdString()))));
    }
}

void DlgComLook::View() {
    openInTextEditor(Qs(logic_.LastSavedMonitorFile()));
}

QString DlgComLook::ExplainLine(const QTextBlock& line) const {
    QTextBlock block = line;
    for (int i = 0; block.isValid() && i < kHintLines && IsTelesignalHintLine(block.text().toStdString());
         ++i)
        block = block.previous();
    if (!block.isValid()) return {};
    const std::optional<MonitorFrame> frame = ParseMonitorFrameLine(block.text().toStdString());
    if (!frame) return {};
    std::vector<std::uint8_t> request;
    if (frame->received) {
        // The nearest frame line above; a received one there leaves the request unknown.
        QTextBlock above = block.previous();
        for (int i = 0; above.isValid() && i < kRequestSearchLines; ++i, above = above.previous()) {
            const std::optional<MonitorFrame> earlier = ParseMonitorFrameLine(above.text().toStdString());
            if (!earlier) continue;
            if (!earlier->received) request = earlier->bytes;
            break;
        }
    }
    return Qs(logic_.ExplainFrame(frame->bytes, frame->received, request));
}

void DlgComLook::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const int w = width();
    const int h = height();
    text_->setGeometry(0, 0, w, h - 40);
    hint_->setGeometry(w - 440, h - 30, 80, 22);
    showReceived_->setGeometry(w - 360, h - 30, 80, 22);
    pause_->setGeometry(w - 280, h - 30, 80, 22);
    save_->setGeometry(w - 200, h - 30, 80, 22);
    view_->setGeometry(w - 100, h - 30, 80, 22);
}

void DlgComLook::keyPressEvent(QKeyEvent* event) {
    if (IsCloseKey(event->key())) {
        event->accept();
        hide();
        return;
    }
    QDialog::keyPressEvent(event);
}

void DlgComLook::closeEvent(QCloseEvent* event) {
    FadeOutWindow(this);
    event->accept();
}

DlgComLook* TheDlgComLook() {
    return theWindow;
}

void DestroyComLook() {
    oplog::SetMonitorSink({});
    delete theWindow;  // detaches itself from the logic
}

DlgComLook* ShowComLook(QWidget* mainWindow) {
    const bool first = theWindow == nullptr;
    if (first) {
        theWindow = new DlgComLook(TheComLook());
        theWindow->setAttribute(Qt::WA_DeleteOnClose, false);
        TheComLook().Attach(theWindow);
        oplog::SetMonitorSink([](const std::string& text) { TheComLook().AppendMonitorText(text); });
        oplog::LogOperation(kMonitorOpenedLog);
    }
    theWindow->setAttribute(Qt::WA_ShowWithoutActivating, !first);
    theWindow->show();
    if (mainWindow) CentreOn(*theWindow, *mainWindow);
    if (first) {
        theWindow->raise();
        theWindow->activateWindow();
    }
    return theWindow;
}

}  // namespace ui
