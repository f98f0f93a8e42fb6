#include "ui/common/RunModeless.h"

#include <QDialog>
#include <QEventLoop>
#include <QPointer>

namespace ui {

int RunModeless(QDialog& dialog) {
    // exec() would make the dialog application-modal, which disables every other top-level window.
    dialog.setWindowModality(Qt::NonModal);
    QEventLoop loop;
    int result = QDialog::Rejected;
    QObject::connect(&dialog, &QDialog::finished, &loop, [&loop, &result](int code) {
        result = code;
        loop.quit();
    });
    QObject::connect(&dialog, &QObject::destroyed, &loop, &QEventLoop::quit);
    QPointer<QDialog> guard(&dialog);
    dialog.show();
    // A dialog that ended while it was being shown (its initialisation failed) needs no loop.
    if (guard && dialog.isVisible()) loop.exec(QEventLoop::DialogExec);
    return guard ? dialog.result() : result;
}

}  // namespace ui
