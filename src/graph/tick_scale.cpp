#include "graph/tick_scale.h"

#include <cmath>

namespace qor::graph {

namespace {
// The rulers have always compared against these single-precision constants; keeping them
// keeps the tick sets (for example the dropped sixth tick of 0..100) as users know them.
constexpr double kTenth = static_cast<double>(0.1f);
constexpr double kFifth = static_cast<double>(0.2f);
constexpr int kMaxDecadeSteps = 400;  // bounds the rescaling loop on degenerate input

double NextStep(double d, int count)
{
    if (count <= 0 || d <= kTenth)
        return kTenth;
    if (kFifth >= d)
        return kFifth;
    if (0.5 >= d)
        return 0.5;
    for (double decade = 1.0; std::isfinite(decade); decade *= 10.0) {
        for (double m : {1.0, 2.0, 5.0})
            if (m * decade >= d)
                return m * decade;
    }
    return HUGE_VAL;
}
}  // namespace

int DecimalExponent(double x)
{
    const double m = std::fabs(x);
    if (m == 0.0 || !std::isfinite(m))
        return 0;
    const double l = std::log10(m);
    if (m >= 1.0)
        return static_cast<int>(std::trunc(l));
    return -static_cast<int>(std::trunc(std::fabs(l) + 1.0));
}

TickScale TickScale::Compute(const ScaleMapping& mapping, int count)
{
    TickScale out;
    const double r0 = mapping.r0, r1 = mapping.r1;
    if (!std::isfinite(r0) || !std::isfinite(r1))
        return out;
    if (r0 == r1) {
        for (int i = 0; i < count; ++i) {
            out.values.push_back(r0);
            out.scaled.push_back(r0);
            out.pixels.push_back(mapping.p0);
        }
        return out;
    }

    int e = DecimalExponent(std::fabs(r0) >= std::fabs(r1) ? r0 : r1);
    auto scaleOf = [](int ex) { return std::pow(10.0, -ex); };
    double a = r0 * scaleOf(e), b = r1 * scaleOf(e);
    for (int guard = 0; std::fabs(a - b) < kFifth && a < 100.0 && b < 100.0 && guard < kMaxDecadeSteps;
         ++guard) {
        --e;
        a = r0 * scaleOf(e);
        b = r1 * scaleOf(e);
    }
    const double span = std::fabs(a - b);
    if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(span))
        return out;

    const double step = NextStep(count > 0 ? span / count : 0.0, count);
    out.exponent = e;
    out.step = step;
    if (step > span)
        return out;

    const double lo = std::fmin(a, b), hi = std::fmax(a, b);
    const double k = std::trunc(a / step);
    double first = 0.0, bestDist = HUGE_VAL;
    bool found = false;
    for (int i = -2; i <= 2; ++i) {
        const double c = (k + i) * step;
        if (c < lo || c > hi)
            continue;
        const double dist = std::fabs(c - a);
        if (dist < bestDist) {
            bestDist = dist;
            first = c;
            found = true;
        }
    }
    if (!found)
        return out;

    const double unit = std::pow(10.0, e);
    const double delta = b < a ? -step : step;
    // The walk cannot run longer than span/step ticks; the cap only guards rounding.
    const double maxTicks = span / step + 2.0;
    int n = 0;
    for (double t = first; t >= lo && t <= hi && n < maxTicks; t += delta, ++n) {
        const double v = t * unit;
        out.scaled.push_back(t);
        out.values.push_back(v);
        out.pixels.push_back(mapping.Pixel(v));
    }
    return out;
}

}  // namespace qor::graph
