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
    // Civil from days, the inverse of DaysFromCivil.
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    platform::LocalTime t;
    t.year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
    t.month = static_cast<int>(m);
    t.day = static_cast<int>(d);
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
