#pragma once
// A clock for tests: the time and the tick count only move when the test moves them.
#include <cstdint>
#include <ctime>
#include <mutex>

#include "platform/Clock.h"

namespace platform {

class FakeClock : public Clock {
  public:
    FakeClock() = default;
    explicit FakeClock(const LocalTime& now) { Set(now); }

    // Sets the wall-clock time. The day of week is derived from the date so tests need not supply it.
    void Set(const LocalTime& now) {
        std::lock_guard lock(mutex_);
        now_ = now;
        now_.dayOfWeek = DayOfWeek(now.year, now.month, now.day);
    }

    // Convenience: Set({year, month, day, hour, minute, second, millisecond}).
    void Set(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
             int millisecond = 0) {
        LocalTime t{year, month, day, hour, minute, second, millisecond};
        Set(t);
    }

    void SetTicks(std::uint32_t ticks) {
        std::lock_guard lock(mutex_);
        ticks_ = ticks;
    }

    // Moves both the tick count (wrapping in 32 bits) and the wall-clock time forward, across midnight,
    // month and year ends as needed.
    void AdvanceMs(std::uint64_t ms) {
        std::lock_guard lock(mutex_);
        ticks_ = static_cast<std::uint32_t>(ticks_ + ms);
        if (now_.year == 0) {
            return;  // no wall-clock time set: only the ticks move
        }
        std::tm tm{};
        tm.tm_year = now_.year - 1900;
        tm.tm_mon = now_.month - 1;
        tm.tm_mday = now_.day;
        tm.tm_hour = now_.hour;
        tm.tm_min = now_.minute;
        tm.tm_sec = now_.second;
        std::uint64_t totalMs = static_cast<std::uint64_t>(now_.millisecond) + ms;
        // timegm/gmtime_r keep the arithmetic independent of the machine's time zone and DST.
        std::time_t t = timegm(&tm) + static_cast<std::time_t>(totalMs / 1000);
        std::tm out{};
        gmtime_r(&t, &out);
        now_.year = out.tm_year + 1900;
        now_.month = out.tm_mon + 1;
        now_.day = out.tm_mday;
        now_.hour = out.tm_hour;
        now_.minute = out.tm_min;
        now_.second = out.tm_sec;
        now_.millisecond = static_cast<int>(totalMs % 1000);
        now_.dayOfWeek = out.tm_wday;
    }

    LocalTime Now() const override {
        std::lock_guard lock(mutex_);
        return now_;
    }

    std::uint32_t TickCount() const override {
        std::lock_guard lock(mutex_);
        return ticks_;
    }

  private:
    static int DayOfWeek(int year, int month, int day) {
        if (year == 0 || month < 1 || month > 12) {
            return 0;
        }
        // Sakamoto's method; 0 = Sunday.
        static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
        int y = month < 3 ? year - 1 : year;
        return (y + y / 4 - y / 100 + y / 400 + offsets[month - 1] + day) % 7;
    }

    mutable std::mutex mutex_;
    LocalTime now_{};
    std::uint32_t ticks_ = 0;
};

// Installs a clock as the program's clock for the lifetime of this object.
class ScopedClock {
  public:
    explicit ScopedClock(Clock& clock) { SetCurrentClock(&clock); }
    ~ScopedClock() { SetCurrentClock(nullptr); }
    ScopedClock(const ScopedClock&) = delete;
    ScopedClock& operator=(const ScopedClock&) = delete;
};

}  // namespace platform
