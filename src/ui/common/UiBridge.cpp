#include "ui/common/UiBridge.h"

#include <QSocketNotifier>
#include <QThread>

namespace ui {

UiBridge::UiBridge(QObject* context)
    : context_(context),
      notifier_(std::make_unique<QSocketNotifier>(wake_.Descriptor(), QSocketNotifier::Read)) {
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, context_, [this] { Drain(); });
}

UiBridge::~UiBridge() {
    Close();
}

bool UiBridge::Run(const std::function<void()>& work) {
    if (QThread::currentThread() == context_->thread()) {
        work();
        return true;
    }
    Call call{&work};
    {
        std::lock_guard lock(mutex_);
        if (closed_) return false;
        queue_.push_back(&call);
    }
    wake_.Raise();
    std::unique_lock lock(mutex_);
    doneCv_.wait(lock, [&] { return call.done; });
    return true;
}

void UiBridge::Drain() {
    wake_.Clear();
    for (;;) {
        Call* call = nullptr;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty()) return;
            call = queue_.front();
            queue_.pop_front();
        }
        (*call->work)();
        {
            std::lock_guard lock(mutex_);
            call->done = true;
        }
        doneCv_.notify_all();
    }
}

void UiBridge::Close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    Drain();
}

bool UiBridge::Closed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

}  // namespace ui
