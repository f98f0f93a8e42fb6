#pragma once
// The communication monitor window: the growing text of frames and log entries, three check boxes and the
// save and view buttons. It is created once, then only hidden and shown; its logic lives in ComLook.
#include <QDialog>
#include <QIcon>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <functional>
#include <optional>

#include "ui/monitor/ComLook.h"

class QCheckBox;
class QPushButton;

namespace ui {

// The monitor text box: a left double click empties it, a right-button release toggles the pause (no
// context menu), Enter and Esc go to the window. The mouse resting on a line shows `explainLine`'s text for
// it as a tooltip (none when it gives the empty text).
class MonitorTextBox : public QPlainTextEdit {
    Q_OBJECT
  public:
    explicit MonitorTextBox(QWidget* parent = nullptr);

    std::function<QString(const QTextBlock& line)> explainLine;

  signals:
    void RightButtonReleased();
    void CloseKeyPressed();

  protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;
};

class DlgComLook : public QDialog, public MonitorView {
    Q_OBJECT
  public:
    explicit DlgComLook(ComLook& logic, QWidget* parent = nullptr);
    ~DlgComLook() override;

    // MonitorView, from any thread.
    void AppendMonitorLine(const std::string& line) override;
    void ShowMonitorIcon(int iconId) override;

    // The operator's dialogs and the text editor; tests replace them. The save question gets the title, the
    // initial folder and the proposed name and returns the chosen path, nothing when cancelled.
    std::function<std::optional<QString>(const QString& title, const QString& folder, const QString& name)>
        askSaveFileName;
    std::function<void(const QString& text)> inform;
    std::function<void(const QString& path)> openInTextEditor;

    MonitorTextBox* TextBox() const { return text_; }
    QCheckBox* PauseBox() const { return pause_; }
    QCheckBox* ShowReceivedBox() const { return showReceived_; }
    QCheckBox* HintBox() const { return hint_; }
    QPushButton* SaveButton() const { return save_; }
    QPushButton* ViewButton() const { return view_; }
    int IconId() const { return iconId_; }

    // Characters in the text; a line end counts as one.
    qsizetype TextLength() const;

    void Save();
    void View();

    // The tooltip of a monitor line: what its frame means (a hint line explains the frame above it); the
    // empty text for a line that holds no frame.
    QString ExplainLine(const QTextBlock& line) const;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void AppendNow(const QString& line);
    void ReadCheckBoxes();
    void TogglePauseByMouse();

    ComLook& logic_;
    MonitorTextBox* text_;
    QCheckBox* hint_;
    QCheckBox* showReceived_;
    QCheckBox* pause_;
    QPushButton* save_;
    QPushButton* view_;
    QIcon sendIcon_;
    QIcon receiveIcon_;
    int iconId_ = 0;
};

// The 通讯管理 button: creates the window at the first call (modeless, owned by the desktop, logging its
// opening and from then on receiving every log text), later shows it again without activating it. Either way
// it is centred on `mainWindow`. The window lives until the end of the run.
DlgComLook* ShowComLook(QWidget* mainWindow);
// The window once created, else nullptr.
DlgComLook* TheDlgComLook();
// Destroys the window at the end of the run, after the threads that call the monitor have ended.
void DestroyComLook();

}  // namespace ui
