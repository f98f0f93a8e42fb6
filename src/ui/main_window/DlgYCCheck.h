#pragma once
// The calibration dialog: asks for the value the test set applies. 确定 takes the value when it is a number
// from 0 to 100000000 and fades the dialog out; 取消 fades it out without one. Enter and Esc act as the two
// buttons without the fade. A refused value leaves the dialog open with its message.
#include <QDialog>
#include <functional>
#include <string>

class QLineEdit;
class QPushButton;

namespace ui {

class DlgYCCheck : public QDialog {
    Q_OBJECT
  public:
    // Shows a refusal message; the default is a message box with the application's title.
    using Refusal = std::function<void(const std::string&)>;

    explicit DlgYCCheck(QWidget* parent = nullptr, Refusal refusal = {});

    void SetReference(float value);
    float Reference() const { return reference_; }

    QLineEdit* Field() const { return field_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // Takes the field's value; false (after the message) when it is refused.
    bool TakeField();
    void OnOk();
    void OnCancel();

    QLineEdit* field_;
    QPushButton* ok_;
    QPushButton* cancel_;
    Refusal refusal_;
    float reference_ = 0.0f;
};

}  // namespace ui
