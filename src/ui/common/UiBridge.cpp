#include "ui/common/UiBridge.h"

#include <QThread>
#include <cstdint>
#ifdef _WIN32
#include <QWinEventNotifier>
#else
#include <QSocketNotifier>
#endif

namespace ui {

UiBridge::UiBridge(QObject* context) : context_(context) {
#ifdef _WIN32
    // On Windows the wake event is an event object, which only an event notifier (not a socket one) watches.
    auto notifier = std::make_unique<QWinEventNotifier>(
        reinterpret_cast<Qt::HANDLE>(static_cast<std::intptr_t>(wake_.Descriptor())));
    QObject::connect(notifier.get(), &QWinEventNotifier::activated, context_, [this] { Drain(); });
#else
    auto notifier = std::make_unique<QSocketNotifier>(wake_.Descriptor(), QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, context_, [this] { Drain(); });
#endif
    notifier_ = std::move(notifier);
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
