#pragma once
// Runs the management thread's list refreshes on the UI thread while that thread waits, so a refresh is
// complete when the call returns. After Close() calls from other threads are dropped, and Close() itself
// returns only when those under way have run, processing events meanwhile, so the UI thread never blocks on
// a thread that waits for it.
#include <QObject>
#include <functional>
#include <mutex>

namespace ui {

class ViewBridge {
  public:
    explicit ViewBridge(QObject* context) : context_(context) {}

    // False, without running `work`, after Close() when called from another thread.
    bool Run(const std::function<void()>& work);
    void Close();

  private:
    QObject* context_;
    std::mutex mutex_;
    bool closed_ = false;
    int inFlight_ = 0;
};

}  // namespace ui
