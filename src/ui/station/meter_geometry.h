#pragma once

#include <vector>

namespace qor::ui {

// A point in window pixels.
struct MeterPoint {
    int x = 0;
    int y = 0;
    bool operator==(const MeterPoint&) const = default;
};

// Where the parts of a needle meter sit, from the client rectangle (right and bottom are
// the width and height for a rectangle at the origin).
struct MeterGeometry {
    int centreX = 0;
    int centreY = 0;
    int outerRadius = 0;  // R
    int innerRadius = 0;  // r

    static constexpr double kStartAngle = 120.0;  // left end, range minimum
    static constexpr double kEndAngle = 60.0;     // right end, range maximum

    static MeterGeometry FromRect(int left, int top, int right, int bottom);

    // The point at `angle` degrees (counter-clockwise from the x axis, screen y downwards).
    MeterPoint PointAt(double angle, double radius) const;
    // The closed scale band: 13 outer points from 60 to 120 degrees, then 13 inner points back.
    std::vector<MeterPoint> ScaleBand() const;
    // The needle triangle: the two base points, then the tip.
    std::vector<MeterPoint> Needle(double angle) const;
    int NeedleHalfBase() const { return innerRadius / 20; }
};

// Needle angle in degrees for a value on the range, held at the scale ends. An empty range
// or a value that is not a number leaves the needle at rest on the left end.
double NeedleAngle(double value, double minimum, double maximum);

}  // namespace qor::ui
