#pragma once
// Runs work on the UI thread while the calling thread waits: directly when called there, otherwise through
// the UI thread's event loop. The UI thread must keep processing events until the other threads have ended.
#include <functional>

namespace ui {

void RunOnUiThread(const std::function<void()>& work);

// Whether the caller is the UI thread (true when there is no application object).
bool OnUiThread();

}  // namespace ui
