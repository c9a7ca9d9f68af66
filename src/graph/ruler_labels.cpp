#include "graph/ruler_labels.h"

#include "common/text.h"

#include <cmath>
#include <ctime>

namespace qor::graph {

int InchesToPixels(double inches, double dotsPerInch)
{
    const double px = inches * dotsPerInch;
    if (!(px >= 1.0))
        return 1;
    return static_cast<int>(px);
}

int LabelCount(double length, double margin, double labelExtent)
{
    const double room = length - margin;
    if (!(labelExtent > 0.0) || !(room > 0.0))
        return 0;
    const double n = std::ceil(room / labelExtent);
    return n > 1e6 ? 1000000 : static_cast<int>(n);
}

std::string LinearLabel(double value, int exponent)
{
    double v = value / std::pow(10.0, exponent);
    if (v == 0.0)
        v = 0.0;  // no "-0.0"
    return Format("%.1f", v);
}

std::vector<LogLabel> LogLabels(const std::vector<double>& decades)
{
    std::vector<LogLabel> out(decades.size());
    if (decades.empty())
        return out;
    const bool narrow = std::fabs(decades.back() - decades.front()) <= 1.3;
    for (std::size_t i = 0; i < decades.size(); ++i) {
        const double t = decades[i];
        if (narrow) {
            out[i] = {true, false, Format("%.1f", std::pow(10.0, t))};
            continue;
        }
        // Distance to the nearest whole decade: summed steps land on 2.9999999 as often as
        // on 3.0000001, and both are the decade 3.
        const double whole = std::round(t);
        if (std::fabs(t - whole) <= 0.01 * std::fabs(t) || t == whole) {
            out[i] = {true, true, Format("%+.0f", whole == 0.0 ? 0.0 : whole)};
        }
    }
    return out;
}

std::string ElapsedLabel(std::int64_t start, std::int64_t t)
{
    std::int64_t d = t - start;
    const bool negative = d < 0;
    if (negative)
        d = -d;
    const long long h = d / 3600, m = (d / 60) % 60, s = d % 60;
    return Format("%s%0lld:%02lld:%02lld", negative ? "-" : "", h, m, s);
}

LocalTime ToLocalTime(std::int64_t t)
{
    std::time_t tt = static_cast<std::time_t>(t);
    std::tm tm{};
    if (!localtime_r(&tt, &tm))
        return {};
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

DateTimeLabel AbsoluteLabel(std::int64_t t)
{
    const LocalTime lt = ToLocalTime(t);
    return {Format("%02d.%02d.%02d", lt.day, lt.month, lt.year % 100),
            Format("%02d:%02d:%02d", lt.hour, lt.minute, lt.second)};
}

}  // namespace qor::graph
