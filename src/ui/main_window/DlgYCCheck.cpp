#include "ui/main_window/DlgYCCheck.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "resources/Pictures.h"
#include "ui/common/DialogLook.h"
#include "ui/common/DialogUnits.h"
#include "ui/common/FadeOut.h"
#include "ui/main_window/FieldChecks.h"

namespace ui {
namespace {

void PlaceDlu(QWidget* widget, const DialogUnits& units, int x, int y, int w, int h) {
    widget->setGeometry(units.MapDialogRect(QRect(x, y, w, h)));
}

}  // namespace

DlgYCCheck::DlgYCCheck(QWidget* parent, Refusal refusal)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint),
      field_(new QLineEdit(this)),
      ok_(new QPushButton(QStringLiteral("确定"), this)),
      cancel_(new QPushButton(QStringLiteral("取消"), this)),
      refusal_(std::move(refusal)) {
    setWindowTitle(QStringLiteral("遥测校正"));
    setFont(DialogFont());
    const DialogUnits units = DialogUnits::FromFont(font());
    setFixedSize(units.ToPixels({186, 62}));
    auto* prompt = new QLabel(QStringLiteral("请输入测试仪所加值："), this);
    PlaceDlu(prompt, units, 7, 9, 82, 10);
    PlaceDlu(field_, units, 90, 7, 88, 13);
    PlaceDlu(ok_, units, 36, 36, 50, 16);
    PlaceDlu(cancel_, units, 100, 36, 50, 16);
    // Enter and Esc are handled by the dialog itself, never by a focused button.
    ok_->setAutoDefault(false);
    cancel_->setAutoDefault(false);
    connect(ok_, &QPushButton::clicked, this, &DlgYCCheck::OnOk);
    connect(cancel_, &QPushButton::clicked, this, &DlgYCCheck::OnCancel);
    if (!refusal_) {
        refusal_ = [this](const std::string& text) {
            QMessageBox::warning(this, QApplication::applicationDisplayName(), QString::fromStdString(text));
        };
    }
    field_->setFocus();
}

void DlgYCCheck::SetReference(float value) {
    reference_ = value;
    field_->setText(QString::fromStdString(FormatReference(value)));
}

bool DlgYCCheck::TakeField() {
    const FieldCheck<float> check = CheckReferenceText(field_->text().toStdString());
    if (!check.value) {
        refusal_(check.message);
        field_->setFocus();
        field_->selectAll();
        return false;
    }
    reference_ = *check.value;
    return true;
}

void DlgYCCheck::OnOk() {
    if (!TakeField()) return;
    FadeOutWindow(this);
    accept();
}

void DlgYCCheck::OnCancel() {
    FadeOutWindow(this);
    reject();
}

void DlgYCCheck::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (TakeField()) accept();
            return;
        case Qt::Key_Escape:
            reject();
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

}  // namespace ui
