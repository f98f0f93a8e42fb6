#pragma once
// The relay's clock: it runs with the host's local time plus an offset that a clock-set request changes.
#include <array>
#include <cstdint>

#include "platform/Clock.h"

namespace relaysim {

// Seconds since 2000-01-01 00:00:00 of a calendar date and time (no time zone: the relay keeps local time).
std::int64_t CivilSeconds(int year, int month, int day, int hour, int minute, int second);
// Inverse of CivilSeconds, filling year, month, day, hour, minute, second.
std::array<int, 6> CivilFromSeconds(std::int64_t seconds);

// True when the six clock-register values (year - 2000, month, day, hour, minute, second) form a real date.
bool IsValidClockWords(const std::array<std::uint16_t, 6>& words);

class RelayClock {
  public:
    // The six clock registers as the relay shows them at host time `now`.
    std::array<std::uint16_t, 6> Words(const platform::LocalTime& now) const;
    // Date and time fields of the relay at host time `now`, with the host's milliseconds.
    platform::LocalTime Now(const platform::LocalTime& now) const;
    // Sets the relay clock; false (and no change) when the words do not form a real date.
    bool Set(const std::array<std::uint16_t, 6>& words, const platform::LocalTime& now);

  private:
    std::int64_t offsetSeconds_ = 0;
};

}  // namespace relaysim
