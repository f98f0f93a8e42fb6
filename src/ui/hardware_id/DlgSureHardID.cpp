#include "ui/hardware_id/DlgSureHardID.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace ui {

DlgSureHardID::DlgSureHardID(const QString& timeSequence, QWidget* parent)
    : QDialog(parent),
      time_(new QLineEdit(timeSequence, this)),
      serial_(new QLineEdit(this)),
      ok_(new QPushButton(QStringLiteral("确定"), this)) {
    setWindowTitle(QStringLiteral("请确认输入"));
    setModal(true);
    time_->setEnabled(false);
    auto* cancel = new QPushButton(QStringLiteral("取消"), this);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(time_);
    layout->addWidget(new QLabel(QStringLiteral("请再次输入8位流水信息："), this));
    layout->addWidget(serial_);
    layout->addLayout(buttons);
    setMinimumWidth(300);
}

QString DlgSureHardID::Serial() const {
    return serial_->text();
}

}  // namespace ui
