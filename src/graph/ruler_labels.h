#pragma once

#include "graph/tick_scale.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qor::graph {

// Sizes of the rulers, in inches; devices convert them with their resolution.
namespace ruler_inches {
inline constexpr double kTimeAxisThickness = 1.0 / 3.0;  // two label lines
inline constexpr double kNumericAxisThickness = 1.0 / 6.0;
inline constexpr double kVerticalThickness = 1.0 / 6.0;
inline constexpr double kLabelFontHeight = 0.14749262536873156;
inline constexpr double kExponentFontHeight = 0.1282051282051282;
inline constexpr double kMajorTick = 1.0 / 30.0;
inline constexpr double kMinorTick = 1.0 / 42.0;
}  // namespace ruler_inches

// Inches to device pixels; never below one pixel.
int InchesToPixels(double inches, double dotsPerInch);

// How many labels fit: (length - margin) / extent, rounded up; 0 when nothing fits.
int LabelCount(double length, double margin, double labelExtent);

// The sample text whose extent sizes a label.
inline constexpr const char* kLabelSample = "9.99 ";
inline constexpr const char* kLogLabelSample = "10^-99";

// Linear label: the tick value divided by 10^exponent, "%.1f".
std::string LinearLabel(double value, int exponent);

// One label of a logarithmic ruler (ticks in decades).
struct LogLabel {
    bool major = false;  // draw a major tick and a label
    bool power = false;  // "10^" + exponent (exponent font) instead of a plain number
    std::string text;    // the plain number, or the exponent ("%+.0f") when `power`
};
std::vector<LogLabel> LogLabels(const std::vector<double>& decades);

// Time labels of a time X axis, from sample time stamps (seconds since 1970).
// t - start, held at the 64-bit limits where it would not fit (stamps of a corrupt file).
std::int64_t ElapsedSeconds(std::int64_t start, std::int64_t t);
// Elapsed: "%0d:%02d:%02d" since `start` (hours may exceed 24).
std::string ElapsedLabel(std::int64_t start, std::int64_t t);
// Absolute, in local time: date "%02d.%02d.%02d" and time of day "%02d:%02d:%02d".
struct DateTimeLabel {
    std::string date;
    std::string time;
};
DateTimeLabel AbsoluteLabel(std::int64_t t);

// Local calendar fields of a time stamp (platform conversion); stamps outside the years
// 1..9999 are shown as the nearest end of that span.
struct LocalTime {
    int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};
LocalTime ToLocalTime(std::int64_t t);

// One major tick of a time X axis; a tick without a label has empty lines.
struct TimeTick {
    double value = 0.0;  // sample index
    double pixel = 0.0;
    double labelCentre = 0.0;  // the tick's pixel, or moved inward where the label meets an end
    std::string line1, line2;  // date and time of day, or the elapsed time alone
};

// Where labels may go: between `left` and `right`, `space` apart, each as wide as its
// widest line (`width`, in pixels of the device the ruler draws on).
struct TimeLabelRoom {
    double left = 0.0, right = 0.0;
    double space = 0.0;
    std::function<double(const std::string&)> width;
};

// The ticks of a time X axis whose values are sample indices of a curve with `samples`
// points, `timeOf(i)` the time of point i. Ticks fall on whole samples, at a 1-2-5 step of
// at least the plain step for `count` labels, widened until no label repeats its neighbour
// and no two labels run into each other; a label that still would (equal time stamps, a
// cramped ruler) is left off. Ticks past the samples have no label; no samples, no ticks.
struct TimeAxisTicks {
    double step = 0.0;  // in samples
    std::vector<TimeTick> ticks;
};
TimeAxisTicks TimeTicks(const ScaleMapping& mapping, int count, std::size_t samples,
                        const std::function<std::int64_t(std::size_t)>& timeOf, bool absolute,
                        const TimeLabelRoom& room);

}  // namespace qor::graph
