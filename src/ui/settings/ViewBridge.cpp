#include "ui/settings/ViewBridge.h"

#include <QCoreApplication>
#include <QThread>

namespace ui {

bool ViewBridge::Run(const std::function<void()>& work) {
    if (QThread::currentThread() == context_->thread()) {
        work();
        return true;
    }
    {
        std::lock_guard lock(mutex_);
        if (closed_) return false;
        ++inFlight_;
    }
    QMetaObject::invokeMethod(context_, work, Qt::BlockingQueuedConnection);
    std::lock_guard lock(mutex_);
    --inFlight_;
    return true;
}

void ViewBridge::Close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (inFlight_ == 0) return;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

}  // namespace ui
