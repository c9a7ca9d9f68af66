#pragma once

#include <vector>

namespace qor::graph {

// Maps a value range onto a pixel range (either may run backward).
struct ScaleMapping {
    double p0 = 0.0, p1 = 0.0;  // pixel range
    double r0 = 0.0, r1 = 0.0;  // value range

    ScaleMapping() = default;
    ScaleMapping(double pixel0, double pixel1, double value0, double value1)
        : p0(pixel0), p1(pixel1), r0(value0), r1(value1)
    {
    }
    // Value units per pixel; 0 for an empty pixel range.
    double Slope() const { return p1 == p0 ? 0.0 : (r1 - r0) / (p1 - p0); }
    double Pixel(double v) const
    {
        if (p1 == p0 || r1 == r0)
            return p0;
        return (v - r0) * ((p1 - p0) / (r1 - r0)) + p0;
    }
    double Value(double pixel) const { return (pixel - p0) * Slope() + r0; }
};

// 0 for 0; floor-like decade of |x| (truncated toward zero): 0.5 -> -1, 0.01 -> -3, 250 -> 2.
int DecimalExponent(double x);

// The 1-2-5 ticks of a range: values in axis units and their pixels.
struct TickScale {
    int exponent = 0;   // labels show value / 10^exponent
    double step = 0.0;  // in units of 10^exponent
    std::vector<double> values;
    std::vector<double> pixels;
    // Scaled tick values t (value = t * 10^exponent); kept for label and log rules.
    std::vector<double> scaled;

    // `count` is the number of labels that fit. Equal ends give `count` ticks at the start.
    static TickScale Compute(const ScaleMapping& mapping, int count);
};

}  // namespace qor::graph
