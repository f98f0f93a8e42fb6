#include "ui/events/DlgEvent.h"

#include <QApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <atomic>
#include <memory>

#include "platform/ProgramFolder.h"
#include "ui/common/DialogLook.h"
#include "ui/events/EventRecordFormat.h"
#include "ui/monitor/SaveTextDialog.h"
#include "ui/monitor/TextFile.h"
#include "ui/monitor/UiThreadCall.h"

namespace ui {
namespace {

QString Qs(const std::string& text) {
    return QString::fromStdString(text);
}

// The box's text with CR LF line ends, as the accumulated text keeps it.
std::string BoxText(const QPlainTextEdit& box) {
    QString text = box.toPlainText();
    text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text.toStdString();
}

// A message box that does not block the UI thread: the calling (management) thread waits for the answer and
// stops waiting when the program closes; the box then closes itself.
void InformAndHold(engine::EngineState* state, const std::string& text) {
    const QString message = Qs(text);
    if (OnUiThread()) {
        QMessageBox::information(nullptr, QApplication::applicationDisplayName(), message);
        return;
    }
    auto answered = std::make_shared<std::atomic<bool>>(false);
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [message, answered, state] {
            auto* box = new QMessageBox(QMessageBox::Information, QApplication::applicationDisplayName(),
                                        message, QMessageBox::Ok);
            box->setAttribute(Qt::WA_DeleteOnClose);
            QObject::connect(box, &QDialog::finished, [answered] { answered->store(true); });
            auto* watch = new QTimer(box);
            QObject::connect(watch, &QTimer::timeout, box, [box, state] {
                if (state->AppClosing()) box->done(QMessageBox::Ok);
            });
            watch->start(50);
            box->show();
        },
        Qt::QueuedConnection);
    while (!answered->load()) {
        if (!state->SleepMs(10)) return;
    }
}

}  // namespace

void EventTextBox::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            emit Accepted();
            return;
        case Qt::Key_Escape:
            emit Rejected();
            return;
        default:
            QPlainTextEdit::keyPressEvent(event);
    }
}

DlgEvent::DlgEvent(EventRecordUpload& logic, QWidget* parent)
    : QDialog(parent),
      logic_(logic),
      text_(new EventTextBox(this)),
      save_(new QPushButton(QStringLiteral("保存记录"), this)),
      upload_(new QPushButton(QStringLiteral("上装记录"), this)) {
    setWindowTitle(Qs(kEventWindowTitle));
    setModal(true);
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text_->setFont(DialogFont());
    for (QPushButton* button : {save_, upload_}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save_);
    buttons->addWidget(upload_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_, 1);
    layout->addLayout(buttons);
    connect(text_, &EventTextBox::Accepted, this, &DlgEvent::accept);
    connect(text_, &EventTextBox::Rejected, this, &DlgEvent::reject);
    connect(save_, &QPushButton::clicked, this, &DlgEvent::Save);
    connect(upload_, &QPushButton::clicked, this, [this] { logic_.Upload(); });

    askSaveFileName = [this](const QString& title, const QString& folder, const QString& name) {
        return AskSaveFileName(this, title, folder, name);
    };
    inform = [this](const QString& text) {
        QMessageBox::warning(this, QApplication::applicationDisplayName(), text);
    };
    resize(520, 420);
    ShowEventText(logic_.Text());
    logic_.Attach(this);
}

DlgEvent::~DlgEvent() {
    logic_.Attach(nullptr);
}

void DlgEvent::ShowEventText(const std::string& text) {
    text_->setPlainText(Qs(text));  // caret and view at the beginning
}

void DlgEvent::accept() {
    logic_.SetText(BoxText(*text_));
    QDialog::accept();
}

void DlgEvent::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void DlgEvent::Save() {
    const QString name = Qs(EventSaveName(platform::CurrentClock().Now()));
    const QString folder = Qs(platform::InProgramFolder(kEventSaveFolder));
    const std::optional<QString> path = askSaveFileName(Qs(kEventSaveTitle), folder, name);
    if (!path) return;
    if (!WriteTextFile(path->toStdString(), text_->toPlainText().toStdString())) {
        inform(QStringLiteral("无法保存文件 %1").arg(Qs(platform::NativeSeparators(path->toStdString()))));
    }
}

void BindEventRecords(engine::EngineContext& ctx) {
    EventRecordUpload& upload = TheEventRecords();
    upload.Bind(&ctx);
    upload.inform = [](const std::string& text) {
        QMessageBox::information(QApplication::activeWindow(), QApplication::applicationDisplayName(),
                                 Qs(text));
    };
    engine::EngineState* state = ctx.state;
    upload.informAndHold = [state](const std::string& text) { InformAndHold(state, text); };
    ctx.eventRecords = &upload;
}

void RunEventDialog(QWidget* mainWindow) {
    DlgEvent dialog(TheEventRecords(), mainWindow);
    dialog.exec();
}

}  // namespace ui
