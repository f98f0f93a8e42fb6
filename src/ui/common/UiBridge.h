#pragma once
// Carries calls from other threads out on the UI thread while the caller waits, so the UI thread is the only
// one that touches widgets. The UI thread itself never waits for those threads: once the window closes, new
// calls are dropped and the calls already handed over are carried out by the close itself. The hand-over is
// a queue under a mutex and a wake-up event the UI thread's event loop watches.
#include <QObject>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "platform/SerialPort.h"

namespace ui {

class UiBridge {
  public:
    // Created on the UI thread; `context` lives on it.
    explicit UiBridge(QObject* context);
    ~UiBridge();
    UiBridge(const UiBridge&) = delete;
    UiBridge& operator=(const UiBridge&) = delete;

    // Runs `work` on the UI thread and returns when it has run: directly when called there, else through the
    // event loop. Returns false, without running it, after Close() when called from another thread.
    bool Run(const std::function<void()>& work);

    // From the UI thread: no call from another thread starts after this; the calls already handed over run
    // before it returns.
    void Close();
    bool Closed() const;

  private:
    struct Call {
        const std::function<void()>* work = nullptr;
        bool done = false;
    };
    void Drain();

    QObject* context_;
    platform::WakeEvent wake_;
    std::unique_ptr<QObject> notifier_;  // watches the wake event from the event loop
    mutable std::mutex mutex_;
    std::condition_variable doneCv_;
    std::deque<Call*> queue_;
    bool closed_ = false;
};

}  // namespace ui
