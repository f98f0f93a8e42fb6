#include "platform/Clock.h"

#include <sys/prctl.h>
#include <time.h>

#include <atomic>
#include <cerrno>

namespace platform {
namespace {

class RealClock : public Clock {
  public:
    RealClock() { ::tzset(); }

    LocalTime Now() const override {
        timespec ts{};
        ::clock_gettime(CLOCK_REALTIME, &ts);
        // The management thread asks every millisecond; the calendar fields change once a second.
        thread_local time_t cachedSeconds = -1;
        thread_local tm parts{};
        if (ts.tv_sec != cachedSeconds) {
            time_t seconds = ts.tv_sec;
            ::localtime_r(&seconds, &parts);
            cachedSeconds = ts.tv_sec;
        }
        LocalTime t;
        t.year = parts.tm_year + 1900;
        t.month = parts.tm_mon + 1;
        t.day = parts.tm_mday;
        t.hour = parts.tm_hour;
        t.minute = parts.tm_min;
        // A leap second is shown as the last ordinary second of the minute.
        t.second = parts.tm_sec > 59 ? 59 : parts.tm_sec;
        t.millisecond = static_cast<int>(ts.tv_nsec / 1000000);
        t.dayOfWeek = parts.tm_wday;
        return t;
    }

    std::uint32_t TickCount() const override {
        timespec ts{};
        ::clock_gettime(CLOCK_MONOTONIC, &ts);
        std::uint64_t ms =
            static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
        return static_cast<std::uint32_t>(ms);
    }
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

void UsePreciseTimersOnThisThread() {
    // The smallest slack the kernel accepts (0 would restore the default); failure only costs precision.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

void SleepPrecisely(std::chrono::microseconds duration) {
    if (duration.count() <= 0) return;
    timespec left{static_cast<time_t>(duration.count() / 1000000),
                  static_cast<long>(duration.count() % 1000000) * 1000};
    while (clock_nanosleep(CLOCK_MONOTONIC, 0, &left, &left) == EINTR) {
    }
}

}  // namespace platform
