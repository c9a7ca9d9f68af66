#include "ui/station/meter_geometry.h"

#include <algorithm>
#include <cmath>

namespace qor::ui {

namespace {
const double kDegree = 4.0 * std::atan(1.0) / 180.0;
}

MeterGeometry MeterGeometry::FromRect(int left, int top, int right, int bottom)
{
    MeterGeometry g;
    g.centreX = (left + right) / 2;
    g.centreY = bottom - (bottom - top) / 16;
    g.outerRadius = (bottom - top) * 6 / 8;
    g.innerRadius = g.outerRadius / 2;
    return g;
}

MeterPoint MeterGeometry::PointAt(double angle, double radius) const
{
    const double a = angle * kDegree;
    return {static_cast<int>(std::lround(centreX + radius * std::cos(a))),
            static_cast<int>(std::lround(centreY - radius * std::sin(a)))};
}

std::vector<MeterPoint> MeterGeometry::ScaleBand() const
{
    std::vector<MeterPoint> band;
    band.reserve(26);
    for (int a = 60; a <= 120; a += 5)
        band.push_back(PointAt(a, outerRadius));
    for (int a = 120; a >= 60; a -= 5)
        band.push_back(PointAt(a, innerRadius));
    return band;
}

std::vector<MeterPoint> MeterGeometry::Needle(double angle) const
{
    const int half = NeedleHalfBase();
    return {{centreX + half, centreY}, {centreX - half, centreY}, PointAt(angle, outerRadius)};
}

double NeedleAngle(double value, double minimum, double maximum)
{
    const double span = maximum - minimum;
    if (std::isnan(value) || !(span != 0.0) || std::isnan(span))
        return MeterGeometry::kStartAngle;
    const double angle = MeterGeometry::kStartAngle +
                         (value - minimum) * (MeterGeometry::kEndAngle - MeterGeometry::kStartAngle) / span;
    if (std::isnan(angle))
        return MeterGeometry::kStartAngle;
    return std::clamp(angle, MeterGeometry::kEndAngle, MeterGeometry::kStartAngle);
}

}  // namespace qor::ui
