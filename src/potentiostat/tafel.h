#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace qor::potentiostat {

// One point of a Tafel fit: X the potential in mV, Y log10 of the current's magnitude in
// the chosen unit (samples without current have none). An overloaded sample's current is
// only a bound: it is shown but never fitted.
struct TafelPoint {
    double x = 0.0, y = 0.0;
    bool overload = false;
};

// A straight line Y = m·X + b fitted by least squares through the points of a selection.
struct TafelFit {
    double m = 0.0;      // slope, decades per mV
    double b = 0.0;      // intercept, log10 of the current at 0 mV
    double q = 0.0;      // coefficient of determination in %
    double s = 0.0;      // linear slope of the current between the selection limits
    int n = 0;           // points used
    int overloaded = 0;  // points inside the selection left out as overloaded
    // Ordinary least squares: residual variance SSE/(n−2), the standard errors of m and b
    // and their covariance.
    double residualVariance = 0.0;
    double seM = 0.0, seB = 0.0, covMB = 0.0;
};

// Fits the points strictly inside (from, to), in either order of the limits, leaving out the
// overloaded ones. Nothing when fewer than 6 points are left or when X or Y do not vary.
std::optional<TafelFit> FitTafel(const std::vector<TafelPoint>& points, double from, double to);

// Where two lines cross: the corrosion potential and current, with standard errors
// propagated from both lines' covariances (the lines taken as independent).
struct TafelIntersection {
    double x = 0.0, seX = 0.0;        // mV
    double logI = 0.0, seLogI = 0.0;  // log10 of the current in the chosen unit
    double current = 0.0, seCurrent = 0.0;
};
// Nothing for parallel lines.
std::optional<TafelIntersection> IntersectTafel(const TafelFit& first, const TafelFit& second);

// A fitted line as the window draws it: the segment across the visible X range.
struct TafelLine {
    TafelFit fit;
    double x1 = 0.0, y1 = 0.0, x2 = 0.0, y2 = 0.0;
    bool visible = false;
};

// The window's list of at most two Tafel lines and its report.
class TafelLines {
public:
    static constexpr std::size_t kMaxLines = 2;

    const std::vector<TafelLine>& Lines() const { return m_lines; }
    bool Full() const { return m_lines.size() >= kMaxLines; }
    void Clear() { m_lines.clear(); }

    // A finished selection from..to over `points`; the segment spans visibleFrom..visibleTo.
    // Empty when a line was added, else the message to show (nothing changes then).
    std::string Add(const std::vector<TafelPoint>& points, double from, double to, double visibleFrom,
                    double visibleTo, int language);

    // The "Info" text: each line's current at 0 mV (in `unitText`), slope in mV per decade
    // with its standard error, quality and points, the intersection of two lines, then the
    // statistics block.
    std::string InfoText(const char* unitText, int language) const;

private:
    std::vector<TafelLine> m_lines;
};

}  // namespace qor::potentiostat
