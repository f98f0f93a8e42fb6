#pragma once
// The confirmation window of a new hardware ID: the time sequence read-only and the serial number typed a
// second time.
#include <QDialog>

class QLineEdit;
class QPushButton;

namespace ui {

class DlgSureHardID : public QDialog {
    Q_OBJECT
  public:
    DlgSureHardID(const QString& timeSequence, QWidget* parent = nullptr);

    QString Serial() const;
    QLineEdit* TimeBox() const { return time_; }
    QLineEdit* SerialBox() const { return serial_; }
    QPushButton* OkButton() const { return ok_; }

  private:
    QLineEdit* time_;
    QLineEdit* serial_;
    QPushButton* ok_;
};

}  // namespace ui
