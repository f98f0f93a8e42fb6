#pragma once
// The hardware information window: the relay's ID read-only when it is valid, otherwise the time sequence
// and the serial number to enter, confirmed a second time before the window closes with OK.
#include <QDialog>
#include <optional>

#include "ui/hardware_id/HardwareIdSequence.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {

class DlgSetGetHardID : public QDialog {
    Q_OBJECT
  public:
    DlgSetGetHardID(const HardwareInfoBytes& info, const platform::LocalTime& now, QWidget* parent = nullptr);

    // The ID text after OK.
    QString IdText() const;

    // The confirmation, the question and the boxes of 更新; tests replace them.
    InfoWindowPrompts prompts;

    QLabel* FirstLabel() const { return firstLabel_; }
    QLineEdit* FirstBox() const { return first_; }
    QLabel* SerialLabel() const { return serialLabel_; }
    QLineEdit* SerialBox() const { return serial_; }
    QPushButton* UpdateButton() const { return update_; }

    void Update();

  private:
    QLabel* firstLabel_;
    QLineEdit* first_;
    QLabel* serialLabel_;
    QLineEdit* serial_;
    QPushButton* update_;
};

// The 版本信息 button: the whole sequence on the UI thread, with the splash as the wait screen.
void RunHardwareIdButton(engine::EngineContext& ctx, QWidget* mainWindow);

}  // namespace ui
