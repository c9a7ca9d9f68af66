#pragma once

#include <cstdint>

namespace qor::data {

// Calendar fields of a time stamp in the local time zone.
struct LocalTm {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0;
    bool valid = false;
};

LocalTm ToLocal(std::int64_t t);
// Seconds since 1970 of a local calendar time (daylight saving as the zone says).
std::int64_t FromLocal(int year, int month, int day, int hour, int minute, int second);

}  // namespace qor::data
