#pragma once
// Blend-out of a window before it closes.
#include <chrono>

class QWidget;

namespace ui {

// Fades `window` out over FadeDuration() (800 ms unless changed), processing events meanwhile, then hides it.
// Returns after the fade. The window's opacity is restored once it is hidden, so it shows normally the next
// time. Does nothing for a null or hidden window; a window hidden or destroyed during the fade ends it early.
void FadeOutWindow(QWidget* window);
void FadeOutWindow(QWidget* window, std::chrono::milliseconds duration);

std::chrono::milliseconds FadeDuration();
// Changes the duration FadeOutWindow(window) uses (tests shorten it) and returns the one before.
std::chrono::milliseconds SetFadeDuration(std::chrono::milliseconds duration);

}  // namespace ui
