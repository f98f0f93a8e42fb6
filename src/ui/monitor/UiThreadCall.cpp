#include "ui/monitor/UiThreadCall.h"

#include <QCoreApplication>
#include <QThread>

namespace ui {

bool OnUiThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

void RunOnUiThread(const std::function<void()>& work) {
    if (OnUiThread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(QCoreApplication::instance(), work, Qt::BlockingQueuedConnection);
}

}  // namespace ui
