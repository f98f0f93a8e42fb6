#pragma once
// Waiting in tests: for a condition with a limit, and for work that must not hang.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>
#include <utility>

namespace test {

// Polls `done` every `step` until it holds (true) or `limit` has passed (false).
template <typename F>
bool WaitUntil(F done, std::chrono::milliseconds limit,
               std::chrono::milliseconds step = std::chrono::milliseconds(10)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(step);
    }
    return true;
}

// Runs `work` on another thread and returns its result. A hang (the fault such tests guard against) is
// reported as `what` and ends the test program instead of stalling the run.
template <typename Work>
auto RunWithin(std::chrono::milliseconds limit, const char* what, Work work) {
    auto done = std::async(std::launch::async, std::move(work));
    if (done.wait_for(limit) != std::future_status::ready) {
        std::fprintf(stderr, "hung: %s\n", what);
        std::_Exit(1);
    }
    return done.get();
}

}  // namespace test
