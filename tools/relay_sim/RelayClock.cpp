#include "relay_sim/RelayClock.h"

namespace relaysim {
namespace {

using platform::DaysFromCivil;

const std::int64_t kDays2000 = DaysFromCivil(2000, 1, 1);

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

std::int64_t CivilSeconds(int year, int month, int day, int hour, int minute, int second) {
    const std::int64_t days =
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kDays2000;
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

std::array<int, 6> CivilFromSeconds(std::int64_t seconds) {
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    const platform::CivilDate date = platform::CivilFromDays(days + kDays2000);
    return {static_cast<int>(date.year),   static_cast<int>(date.month),     static_cast<int>(date.day),
            static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60)};
}

bool IsValidClockWords(const std::array<std::uint16_t, 6>& w) {
    if (w[0] > 99 || w[1] < 1 || w[1] > 12 || w[3] > 23 || w[4] > 59 || w[5] > 59) return false;
    return w[2] >= 1 && w[2] <= DaysInMonth(2000 + w[0], w[1]);
}

platform::LocalTime RelayClock::Now(const platform::LocalTime& now) const {
    const std::int64_t s =
        CivilSeconds(now.year, now.month, now.day, now.hour, now.minute, now.second) + offsetSeconds_;
    const auto f = CivilFromSeconds(s);
    platform::LocalTime t;
    t.year = f[0];
    t.month = f[1];
    t.day = f[2];
    t.hour = f[3];
    t.minute = f[4];
    t.second = f[5];
    t.millisecond = now.millisecond;
    return t;
}

std::array<std::uint16_t, 6> RelayClock::Words(const platform::LocalTime& now) const {
    const platform::LocalTime t = Now(now);
    // The year register holds year - 2000; a clock set before 2000 cannot be written, so no wrap here.
    return {static_cast<std::uint16_t>(t.year - 2000), static_cast<std::uint16_t>(t.month),
            static_cast<std::uint16_t>(t.day),         static_cast<std::uint16_t>(t.hour),
            static_cast<std::uint16_t>(t.minute),      static_cast<std::uint16_t>(t.second)};
}

bool RelayClock::Set(const std::array<std::uint16_t, 6>& w, const platform::LocalTime& now) {
    if (!IsValidClockWords(w)) return false;
    offsetSeconds_ = CivilSeconds(2000 + w[0], w[1], w[2], w[3], w[4], w[5]) -
                     CivilSeconds(now.year, now.month, now.day, now.hour, now.minute, now.second);
    return true;
}

}  // namespace relaysim
