#pragma once
// The start window: a borderless picture shown with the start sound, which fades out and closes by itself.
// The same object can be run again later (about box, wait screen); each run plays, waits and fades again.
#include <QDialog>
#include <QPixmap>
#include <QTimer>
#include <chrono>

namespace ui {

class DlgLog : public QDialog {
    Q_OBJECT
  public:
    explicit DlgLog(QWidget* parent = nullptr);

    // How long the picture stays before the fade (2000 ms); tests shorten it.
    void SetDisplayTime(std::chrono::milliseconds time) { displayTime_ = time; }
    std::chrono::milliseconds DisplayTime() const { return displayTime_; }
    // Whether the picture resource was found; without it the window keeps its plain background.
    bool HasPicture() const { return !picture_.isNull(); }

    void done(int result) override;

  signals:
    // Emitted each time the window has been shown (after the sound and the timer have started).
    void Shown();

  protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void OnTimer();

    QPixmap picture_;
    QTimer timer_;
    std::chrono::milliseconds displayTime_{2000};
    bool fading_ = false;
    bool closedWhileFading_ = false;
};

}  // namespace ui
