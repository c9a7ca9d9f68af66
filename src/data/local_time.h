#pragma once

#include <cstdint>

namespace qor::data {

// Calendar fields of a time stamp in the local time zone.
struct LocalTm {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
    bool valid = false;
};

// The stamps with a four-digit year in every zone. Beyond them (a corrupt file, a bad clock)
// ToLocal gives no date; ClampToCalendar takes the nearest end of the span.
inline constexpr std::int64_t kEarliestTime = -62135596800 + 86400;  // 0001-01-02 00:00:00 UTC
inline constexpr std::int64_t kLatestTime = 253402300799 - 86400;    // 9999-12-30 23:59:59 UTC
std::int64_t ClampToCalendar(std::int64_t t);

LocalTm ToLocal(std::int64_t t);
// Seconds since 1970 of a local calendar time (daylight saving as the zone says).
std::int64_t FromLocal(int year, int month, int day, int hour, int minute, int second);

}  // namespace qor::data
