#include "ui/common/DlgLog.h"

#include <QKeyEvent>
#include <QPainter>

#include "resources/Pictures.h"
#include "resources/WaveResource.h"
#include "ui/common/DialogLook.h"
#include "ui/common/DialogUnits.h"
#include "ui/common/FadeOut.h"

namespace ui {

DlgLog::DlgLog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      picture_(QString::fromLatin1(res::kSplashBitmap)) {
    setWindowTitle(QStringLiteral("VARNTessel"));
    setWindowIcon(ResourceIcon(res::kIconProgram));
    setModal(true);
    // The window is 366 x 246 dialog units, drawn for the picture; the picture is shown 1:1 and fills the
    // window, so with the picture present the window takes exactly the picture's size whatever the font.
    const QSize size =
        HasPicture() ? picture_.size() : DialogUnits::FromFont(DialogFont()).ToPixels({366, 246});
    setFixedSize(size);
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &DlgLog::OnTimer);
}

void DlgLog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous()) return;  // restored from minimised: not a new run
    closedWhileFading_ = false;
    res::PlayWaveResource("IDR_WAVE_START");
    timer_.start(displayTime_);
    emit Shown();
}

void DlgLog::OnTimer() {
    fading_ = true;
    FadeOutWindow(this);
    fading_ = false;
    // Enter or Esc during the fade already closed the window with their own result.
    if (!closedWhileFading_) done(Accepted);
}

void DlgLog::done(int result) {
    timer_.stop();
    if (fading_) closedWhileFading_ = true;
    QDialog::done(result);
}

void DlgLog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            done(Accepted);
            return;
        case Qt::Key_Escape:
            done(Rejected);
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

void DlgLog::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    if (picture_.isNull()) return;
    QPainter painter(this);
    painter.drawPixmap(0, 0, picture_);  // 1:1, anchored top-left
}

}  // namespace ui
