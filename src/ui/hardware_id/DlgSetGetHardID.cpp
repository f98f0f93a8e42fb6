#include "ui/hardware_id/DlgSetGetHardID.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>

#include "ui/common/DlgLog.h"
#include "ui/common/FadeOut.h"
#include "ui/hardware_id/DlgSureHardID.h"
#include "ui/hardware_id/HardwareIdWaits.h"

namespace ui {
namespace {

QString Qs(const std::string& text) {
    return QString::fromStdString(text);
}

class QtOperator : public HardwareIdOperator {
  public:
    QtOperator(engine::EngineContext& ctx, QWidget* mainWindow) : ctx_(ctx), mainWindow_(mainWindow) {}

    void Inform(const std::string& text) override {
        QMessageBox::information(mainWindow_, QApplication::applicationDisplayName(), Qs(text));
    }

    void WaitForParameterReply() override {
        const HardwareIdWaits waits = CurrentHardwareIdWaits();
        QElapsedTimer elapsed;
        elapsed.start();
        {
            DlgLog splash(mainWindow_);
            splash.SetDisplayTime(waits.splash);
            splash.exec();  // modal: its own event loop keeps the management thread's calls flowing
        }
        if (mainWindow_) {
            const bool before = mainWindow_->testAttribute(Qt::WA_ShowWithoutActivating);
            mainWindow_->setAttribute(Qt::WA_ShowWithoutActivating, true);
            mainWindow_->show();
            mainWindow_->setAttribute(Qt::WA_ShowWithoutActivating, before);
        }
        // Enter or Esc may have closed the wait screen early: the relay still gets its whole time. Input is
        // held back meanwhile, so no button (版本信息 again) and no window opens during the wait.
        const auto full = waits.splash + FadeDuration() + waits.further;
        const auto left =
            std::max(waits.further, std::chrono::milliseconds(full.count() - elapsed.elapsed()));
        QEventLoop loop;
        QTimer::singleShot(left, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }

    std::optional<std::string> RunInfoWindow(const HardwareInfoBytes& info) override {
        DlgSetGetHardID window(info, ctx_.Now(), mainWindow_);
        if (window.exec() != QDialog::Accepted) return std::nullopt;
        return window.IdText().toStdString();
    }

  private:
    engine::EngineContext& ctx_;
    QWidget* mainWindow_;
};

}  // namespace

DlgSetGetHardID::DlgSetGetHardID(const HardwareInfoBytes& info, const platform::LocalTime& now,
                                 QWidget* parent)
    : QDialog(parent),
      firstLabel_(new QLabel(this)),
      first_(new QLineEdit(this)),
      serialLabel_(new QLabel(QStringLiteral("在此输入流水号："), this)),
      serial_(new QLineEdit(this)),
      update_(new QPushButton(QStringLiteral("更新"), this)) {
    setWindowTitle(QStringLiteral("硬件信息"));
    setModal(true);
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    update_->setDefault(true);
    connect(update_, &QPushButton::clicked, this, &DlgSetGetHardID::Update);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(update_);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(firstLabel_);
    layout->addWidget(first_);
    layout->addWidget(serialLabel_);
    layout->addWidget(serial_);
    layout->addLayout(buttons);
    setMinimumWidth(340);

    const InfoWindowSetup setup = SetUpInfoWindow(info, now);
    firstLabel_->setText(Qs(setup.firstLabel));
    first_->setText(Qs(setup.firstText));
    if (!setup.editable) {
        update_->setEnabled(false);
        serialLabel_->hide();
        serial_->hide();
    }

    prompts.askSerialAgain = [this](const std::string& timeSequence) -> std::optional<std::string> {
        DlgSureHardID sure(Qs(timeSequence), this);
        if (sure.exec() != QDialog::Accepted) return std::nullopt;
        return sure.Serial().toStdString();
    };
    prompts.showFirstText = [this](const std::string& text) { first_->setText(Qs(text)); };
    prompts.askYesNo = [this](const std::string& question) {
        return QMessageBox::question(this, QApplication::applicationDisplayName(), Qs(question),
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };
    prompts.inform = [this](const std::string& text) {
        QMessageBox::information(this, QApplication::applicationDisplayName(), Qs(text));
    };
}

QString DlgSetGetHardID::IdText() const {
    return first_->text();
}

void DlgSetGetHardID::Update() {
    const std::string serial = SerialText(serial_->text().toStdString());
    serial_->setText(Qs(serial));
    if (UpdateInfoWindow(first_->text().toStdString(), serial, prompts)) {
        accept();
    } else {
        reject();
    }
}

void RunHardwareIdButton(engine::EngineContext& ctx, QWidget* mainWindow) {
    QtOperator op(ctx, mainWindow);
    RunHardwareIdSequence(ctx, op);
}

}  // namespace ui
