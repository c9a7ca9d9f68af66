#pragma once

#include "graph/tick_scale.h"

#include <cstdint>
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
// A time tick without a sample.
inline constexpr const char* kEmptyLabel = "     ";

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
// Elapsed: "%0d:%02d:%02d" since `start` (hours may exceed 24).
std::string ElapsedLabel(std::int64_t start, std::int64_t t);
// Absolute, in local time: date "%02d.%02d.%02d" and time of day "%02d:%02d:%02d".
struct DateTimeLabel {
    std::string date;
    std::string time;
};
DateTimeLabel AbsoluteLabel(std::int64_t t);

// Local calendar fields of a time stamp (platform conversion).
struct LocalTime {
    int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};
LocalTime ToLocalTime(std::int64_t t);

}  // namespace qor::graph
