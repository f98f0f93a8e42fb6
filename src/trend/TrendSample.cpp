#include "trend/TrendSample.h"

namespace trend {
namespace {

using platform::DaysFromCivil;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}

}  // namespace

std::int64_t ToMs(const platform::LocalTime& t) {
    const std::int64_t days =
        DaysFromCivil(t.year, static_cast<unsigned>(t.month), static_cast<unsigned>(t.day));
    return ((days * 24 + t.hour) * 60 + t.minute) * 60'000 + t.second * 1000 + t.millisecond;
}

platform::LocalTime FromMs(std::int64_t ms) {
    const std::int64_t days = FloorDiv(ms, kMsPerDay);
    std::int64_t rest = ms - days * kMsPerDay;
    const platform::CivilDate date = platform::CivilFromDays(days);
    platform::LocalTime t;
    t.year = static_cast<int>(date.year);
    t.month = static_cast<int>(date.month);
    t.day = static_cast<int>(date.day);
    t.hour = static_cast<int>(rest / 3'600'000);
    rest %= 3'600'000;
    t.minute = static_cast<int>(rest / 60'000);
    rest %= 60'000;
    t.second = static_cast<int>(rest / 1000);
    t.millisecond = static_cast<int>(rest % 1000);
    t.dayOfWeek = static_cast<int>(FloorDiv(days + 4, 7) * -7 + days + 4);  // 1970-01-01 was a Thursday
    return t;
}

}  // namespace trend
