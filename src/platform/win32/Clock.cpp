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

}  // namespace platform
