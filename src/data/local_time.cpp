#include "data/local_time.h"

#include <algorithm>
#include <ctime>

namespace qor::data {

std::int64_t ClampToCalendar(std::int64_t t)
{
    return std::clamp(t, kEarliestTime, kLatestTime);
}

LocalTm ToLocal(std::int64_t t)
{
    LocalTm r;
    if (t != ClampToCalendar(t))
        return r;
    std::time_t tt = static_cast<std::time_t>(t);
    std::tm tm{};
    if (!localtime_r(&tt, &tm))
        return r;
    r.year = tm.tm_year + 1900;
    r.month = tm.tm_mon + 1;
    r.day = tm.tm_mday;
    r.hour = tm.tm_hour;
    r.minute = tm.tm_min;
    r.second = tm.tm_sec;
    r.valid = true;
    return r;
}

std::int64_t FromLocal(int year, int month, int day, int hour, int minute, int second)
{
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&tm));
}

}  // namespace qor::data
