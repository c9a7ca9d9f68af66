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

// Polarisation resistance from a straight line through the samples near the open-circuit
// potential, and what follows from it with the Tafel slopes and the electrode's data.
struct RpOptions {
    double band = 10.0;              // mV either side of the open-circuit potential
    double rs = 0.0;                 // Ω taken off the potential as I·Rs (0: no iR correction)
    double area = 0.0;               // cm² (0: no current densities)
    double ew = 0.0, density = 0.0;  // g and g/cm³ (both: the corrosion rate)
};
struct RpSample {
    double potential = 0.0, current = 0.0;  // mV, µA
    bool overload = false;
};
struct RpResult {
    enum class Status { Ok, NoZeroCrossing, TooFewPoints } status = Status::Ok;
    double ocp = 0.0;  // mV: where the current first changes sign
    int n = 0;
    double rp = 0.0, seRp = 0.0;  // Ω
    // Stern–Geary, with an anodic and a cathodic line: βa, βc and B in mV, icorr in µA.
    bool hasB = false;
    double betaA = 0.0, betaC = 0.0, b = 0.0, icorr = 0.0;
    bool hasArea = false;
    double rpArea = 0.0, icorrDensity = 0.0;  // Ω·cm², µA/cm²
    bool hasRate = false;
    double rate = 0.0;  // mm/year
};
// `lines`: the Tafel fits (the first anodic and the first cathodic give βa and βc).
RpResult FitRp(const std::vector<RpSample>& samples, const RpOptions& options,
               const std::vector<TafelFit>& lines);
// The report block and the same figures as a JSON object (null where a figure is missing).
std::string RpText(const RpResult& r, const RpOptions& options, int language);
std::string RpJson(const RpResult& r, const RpOptions& options);

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
