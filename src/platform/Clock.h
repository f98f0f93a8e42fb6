#pragma once
// Local wall-clock time with milliseconds and a millisecond tick count, behind an interface so that tests can
// inject dates, midnight and time stamps.
#include <chrono>
#include <cstdint>

namespace platform {

struct LocalTime {
    int year = 0;    // e.g. 2026
    int month = 0;   // 1..12
    int day = 0;     // 1..31
    int hour = 0;    // 0..23
    int minute = 0;  // 0..59
    int second = 0;  // 0..59
    int millisecond = 0;
    int dayOfWeek = 0;  // 0 = Sunday
};

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm), for arithmetic on local times
// without the system's time-zone calls.
constexpr std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

// The date of a day counted from 1970-01-01, the inverse of DaysFromCivil.
struct CivilDate {
    std::int64_t year;
    unsigned month;  // 1..12
    unsigned day;    // 1..31
};
constexpr CivilDate CivilFromDays(std::int64_t days) {
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2), m, d};
}

class Clock {
  public:
    virtual ~Clock() = default;
    virtual LocalTime Now() const = 0;
    // Milliseconds since an arbitrary start; wraps like GetTickCount, compare differences in unsigned 32
    // bits.
    virtual std::uint32_t TickCount() const = 0;
};

// The real clock.
Clock& SystemClock();

// The clock the program uses; SystemClock() unless a test installed another one. Not owned.
Clock& CurrentClock();
void SetCurrentClock(Clock* clock);  // nullptr restores the system clock

// Lets the calling thread's timed waits end when they are due instead of up to 50 us later, the slack the
// kernel otherwise allows itself to batch wake-ups. For threads whose waits set the pace of the link.
void UsePreciseTimersOnThisThread();

// Sleeps for `duration` on a timer that ends to the fraction of a millisecond, also where the system's
// ordinary waits end only on its scheduler tick (Windows 11 for a program whose windows are minimised).
void SleepPrecisely(std::chrono::microseconds duration);

}  // namespace platform
