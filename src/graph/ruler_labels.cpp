#include "graph/ruler_labels.h"

#include "common/text.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <limits>

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

std::int64_t ElapsedSeconds(std::int64_t start, std::int64_t t)
{
    std::int64_t d = 0;
    if (__builtin_sub_overflow(t, start, &d))
        return t < start ? std::numeric_limits<std::int64_t>::min()
                         : std::numeric_limits<std::int64_t>::max();
    return d;
}

std::string ElapsedLabel(std::int64_t start, std::int64_t t)
{
    const std::int64_t d = ElapsedSeconds(start, t);
    const bool negative = d < 0;
    // The magnitude in unsigned arithmetic: the most negative difference has no positive twin.
    const unsigned long long a =
        negative ? 0ull - static_cast<unsigned long long>(d) : static_cast<unsigned long long>(d);
    return Format("%s%0llu:%02llu:%02llu", negative ? "-" : "", a / 3600, (a / 60) % 60, a % 60);
}

LocalTime ToLocalTime(std::int64_t t)
{
    // 0001-01-02 .. 9999-12-30 UTC: every zone keeps that within four-digit years.
    constexpr std::int64_t kEarliest = -62135596800 + 86400, kLatest = 253402300799 - 86400;
    std::time_t tt = static_cast<std::time_t>(std::clamp(t, kEarliest, kLatest));
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

namespace {
// Ticks at the multiples of `step` inside the range, walked from its start, labelled.
// `clean` tells whether every label could stay; labels that could not are emptied.
std::vector<TimeTick> PlaceTimeTicks(const ScaleMapping& map, double step, std::size_t samples,
                                     const std::function<std::int64_t(std::size_t)>& timeOf, bool absolute,
                                     const TimeLabelRoom& room, bool& clean)
{
    clean = true;
    std::vector<TimeTick> out;
    const double lo = std::fmin(map.r0, map.r1), hi = std::fmax(map.r0, map.r1);
    const double firstN = std::ceil(lo / step), lastN = std::floor(hi / step);
    if (!(lastN >= firstN))
        return out;
    const std::int64_t start = timeOf(0);
    bool havePrev = false;
    double prevL = 0.0, prevR = 0.0;
    std::string prevText;
    const bool down = map.r1 < map.r0;
    for (double n = 0; n <= lastN - firstN; ++n) {
        TimeTick tick;
        tick.value = (down ? lastN - n : firstN + n) * step;
        tick.pixel = map.Pixel(tick.value);
        if (tick.value >= 0.0 && tick.value < static_cast<double>(samples)) {
            const std::int64_t t = timeOf(static_cast<std::size_t>(tick.value));
            if (absolute) {
                DateTimeLabel dt = AbsoluteLabel(t);
                tick.line1 = std::move(dt.date);
                tick.line2 = std::move(dt.time);
            } else {
                tick.line1 = ElapsedLabel(start, t);
            }
            const double w = room.width ? std::max(room.width(tick.line1), room.width(tick.line2)) : 0.0;
            // A label at an end is pushed inward rather than cut off: with a recording that
            // fills only the start of the section, the first tick may be the only one with a label.
            double x = std::round(tick.pixel);
            x = std::min(x, room.right - w / 2.0);
            x = std::max(x, room.left + w / 2.0);
            tick.labelCentre = x;
            const double l = x - w / 2.0, r = x + w / 2.0;
            const std::string text = tick.line1 + '\n' + tick.line2;
            const bool repeats = havePrev && text == prevText;
            const bool overlaps = havePrev && l < prevR + room.space && r > prevL - room.space;
            if (repeats || overlaps || r > room.right) {
                if (repeats || overlaps)
                    clean = false;
                tick.line1.clear();
                tick.line2.clear();
            } else {
                havePrev = true;
                prevL = l;
                prevR = r;
                prevText = text;
            }
        }
        out.push_back(std::move(tick));
    }
    return out;
}
}  // namespace

TimeAxisTicks TimeTicks(const ScaleMapping& mapping, int count, std::size_t samples,
                        const std::function<std::int64_t(std::size_t)>& timeOf, bool absolute,
                        const TimeLabelRoom& room)
{
    TimeAxisTicks out;
    if (samples == 0 || count <= 0 || !timeOf || !std::isfinite(mapping.r0) || !std::isfinite(mapping.r1))
        return out;
    const TickScale plain = TickScale::Compute(mapping, count);
    const double span = std::fabs(mapping.r1 - mapping.r0);
    const double least = std::max(1.0, plain.step * std::pow(10.0, plain.exponent));
    // Whole-sample steps of the 1-2-5 sequence, from the first one not below `least`; the
    // last is wider than the range and so holds one tick at most, which always fits.
    for (double decade = 1.0; std::isfinite(decade); decade *= 10.0) {
        for (double m : {1.0, 2.0, 5.0}) {
            const double step = m * decade;
            if (step < least * (1.0 - 1e-6))
                continue;
            bool clean = false;
            std::vector<TimeTick> ticks =
                PlaceTimeTicks(mapping, step, samples, timeOf, absolute, room, clean);
            if (clean || step > span) {
                out.step = step;
                out.ticks = std::move(ticks);
                return out;
            }
        }
    }
    return out;
}

}  // namespace qor::graph
