#pragma once
// The event record window: the accumulated text in an editable box, 保存记录 and 上装记录. The text and the
// batch counter belong to EventRecordUpload and survive the window; the window only shows and edits them.
#include <QDialog>
#include <QPlainTextEdit>
#include <functional>
#include <optional>

#include "ui/events/EventRecordUpload.h"

class QPushButton;

namespace ui {

// The text box: Enter and Esc act as the window's OK and Cancel instead of editing.
class EventTextBox : public QPlainTextEdit {
    Q_OBJECT
  public:
    explicit EventTextBox(QWidget* parent = nullptr) : QPlainTextEdit(parent) {}

  signals:
    void Accepted();
    void Rejected();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
};

class DlgEvent : public QDialog, public EventRecordView {
    Q_OBJECT
  public:
    explicit DlgEvent(EventRecordUpload& logic, QWidget* parent = nullptr);
    ~DlgEvent() override;

    void ShowEventText(const std::string& text) override;

    // The save question (title, initial folder, proposed name -> chosen path) and the error box; tests
    // replace them.
    std::function<std::optional<QString>(const QString& title, const QString& folder, const QString& name)>
        askSaveFileName;
    std::function<void(const QString& text)> inform;

    EventTextBox* TextBox() const { return text_; }
    QPushButton* SaveButton() const { return save_; }
    QPushButton* UploadButton() const { return upload_; }

    void Save();
    void accept() override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    EventRecordUpload& logic_;
    EventTextBox* text_;
    QPushButton* save_;
    QPushButton* upload_;
};

// Wires the run's upload to the engine and to the operator's message boxes (once, before the management
// thread starts).
void BindEventRecords(engine::EngineContext& ctx);

// The 事件记录 button: runs the window modally over the run's upload and returns when it closes. The caller
// then shows the main window and opens the help document.
void RunEventDialog(QWidget* mainWindow);

}  // namespace ui
