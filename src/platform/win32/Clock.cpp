#include "platform/Clock.h"

#include <windows.h>

#include <atomic>

namespace platform {
namespace {

class RealClock : public Clock {
  public:
    LocalTime Now() const override {
        SYSTEMTIME st{};
        GetLocalTime(&st);
        LocalTime t;
        t.year = st.wYear;
        t.month = st.wMonth;
        t.day = st.wDay;
        t.hour = st.wHour;
        t.minute = st.wMinute;
        t.second = st.wSecond > 59 ? 59 : st.wSecond;
        t.millisecond = st.wMilliseconds;
        t.dayOfWeek = st.wDayOfWeek;
        return t;
    }

    std::uint32_t TickCount() const override { return GetTickCount(); }
};

std::atomic<Clock*> g_current{nullptr};

}  // namespace

Clock& SystemClock() {
    static RealClock clock;
    return clock;
}

Clock& CurrentClock() {
    Clock* clock = g_current.load(std::memory_order_acquire);
    return clock != nullptr ? *clock : SystemClock();
}

void SetCurrentClock(Clock* clock) {
    g_current.store(clock, std::memory_order_release);
}

// Windows has no per-thread timer slack; the serial port raises the timer resolution while it is open.
void UsePreciseTimersOnThisThread() {}

void SleepPrecisely(std::chrono::microseconds duration) {
    if (duration.count() <= 0) return;
    // One timer per thread, high-resolution where the system has it (Windows 10 1803 on).
    struct Timer {
        HANDLE handle =
            CreateWaitableTimerExW(nullptr, nullptr, 0x00000002 /* HIGH_RESOLUTION */, TIMER_ALL_ACCESS);
        ~Timer() {
            if (handle != nullptr) CloseHandle(handle);
        }
    };
    thread_local Timer timer;
    LARGE_INTEGER due{};
    due.QuadPart = -static_cast<LONGLONG>(duration.count()) * 10;  // relative, in 100 ns
    if (timer.handle != nullptr && SetWaitableTimer(timer.handle, &due, 0, nullptr, nullptr, FALSE)) {
        WaitForSingleObject(timer.handle, INFINITE);
        return;
    }
    Sleep(static_cast<DWORD>((duration.count() + 999) / 1000));
}

}  // namespace platform
