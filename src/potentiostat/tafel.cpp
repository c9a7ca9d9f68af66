#include "potentiostat/tafel.h"

#include "common/text.h"
#include "potentiostat/xy_texts.h"

#include <algorithm>
#include <cmath>

namespace qor::potentiostat {

namespace {

// The variance of a line's value at x from the variances of its slope and intercept.
double PredictionVariance(const TafelFit& f, double x)
{
    return x * x * f.seM * f.seM + 2.0 * x * f.covMB + f.seB * f.seB;
}

}  // namespace

std::optional<TafelFit> FitTafel(const std::vector<TafelPoint>& points, double from, double to)
{
    const double lo = std::min(from, to), hi = std::max(from, to);
    const auto inside = [&](const TafelPoint& p) { return lo < p.x && p.x < hi && !p.overload; };
    int overloaded = 0;
    for (const TafelPoint& p : points)
        overloaded += lo < p.x && p.x < hi && p.overload;
    double n = 0, sx = 0, sxx = 0, sy = 0, syy = 0, sxy = 0;
    for (const TafelPoint& p : points) {
        if (!inside(p))
            continue;
        n += 1;
        sx += p.x;
        sxx += p.x * p.x;
        sy += p.y;
        syy += p.y * p.y;
        sxy += p.x * p.y;
    }
    if (n <= 5)
        return std::nullopt;
    const double d = n * sxx - sx * sx;
    const double sYY = syy - sy * sy / n;
    if (d == 0 || sYY == 0)
        return std::nullopt;
    TafelFit f;
    f.n = static_cast<int>(n);
    f.overloaded = overloaded;
    f.m = (n * sxy - sx * sy) / d;
    f.b = (sy * sxx - sxy * sx) / d;
    f.q = (f.m * sxy + f.b * sy - sy * sy / n) / sYY * 100.0;
    f.s = (std::pow(10.0, f.m * from + f.b) - std::pow(10.0, f.m * to + f.b)) / (from - to);
    // The residuals from a second pass: the sums' identity loses digits on a good fit.
    double sse = 0;
    for (const TafelPoint& p : points)
        if (inside(p)) {
            const double r = p.y - (f.m * p.x + f.b);
            sse += r * r;
        }
    f.residualVariance = sse / (n - 2);
    f.seM = std::sqrt(f.residualVariance * n / d);
    f.seB = std::sqrt(f.residualVariance * sxx / d);
    f.covMB = -f.residualVariance * sx / d;
    return f;
}

std::optional<TafelIntersection> IntersectTafel(const TafelFit& first, const TafelFit& second)
{
    const double d = second.m - first.m;
    if (d == 0)
        return std::nullopt;
    TafelIntersection r;
    r.x = (first.b - second.b) / d;
    r.logI = first.m * r.x + first.b;
    r.current = std::pow(10.0, r.logI);
    // Delta method: dX/d(m1, b1) = (X, 1)/d and dX/d(m2, b2) = −(X, 1)/d, so each line adds
    // its prediction variance at X; log I = m1·X + b1 weighs them with m2/d and −m1/d.
    const double v1 = PredictionVariance(first, r.x), v2 = PredictionVariance(second, r.x);
    r.seX = std::sqrt((v1 + v2) / (d * d));
    r.seLogI = std::sqrt((second.m * second.m * v1 + first.m * first.m * v2) / (d * d));
    r.seCurrent = std::log(10.0) * r.current * r.seLogI;
    return r;
}

std::string TafelLines::Add(const std::vector<TafelPoint>& points, double from, double to, double visibleFrom,
                            double visibleTo, int language)
{
    if (Full())
        return xytext::kOnlyTwoLines[language];
    const std::optional<TafelFit> fit = FitTafel(points, from, to);
    if (!fit)
        return xytext::kAreaTooSmall[language];
    TafelLine line;
    line.fit = *fit;
    line.x1 = visibleFrom;
    line.x2 = visibleTo;
    line.y1 = fit->m * visibleFrom + fit->b;
    line.y2 = fit->m * visibleTo + fit->b;
    line.visible = true;
    m_lines.push_back(line);
    return {};
}

std::string TafelLines::InfoText(const char* unitText, int language) const
{
    using namespace xytext;
    if (m_lines.empty())
        return kNoLines[language];
    std::string text;
    for (const TafelLine& l : m_lines) {
        const TafelFit& f = l.fit;
        const bool anodic = f.m >= 0;
        // dβ/dm = −1/m²; the decimals follow the error's first digit.
        const double beta = 1.0 / f.m, seBeta = f.seM / (f.m * f.m);
        const int decimals = seBeta > 0 && std::isfinite(seBeta)
                                 ? std::clamp(-static_cast<int>(std::floor(std::log10(seBeta))), 1, 6)
                                 : 1;
        text += Format(anodic ? kAnodicLineFormat : kCathodicLineFormat,
                       (anodic ? kAnodic : kCathodic)[language]);
        text += Format(kAtZeroFormat[language], std::pow(10.0, f.b), unitText);
        text += Format(kSlopeFormat[language], anodic ? "a" : "c", decimals, beta, decimals, seBeta);
        text += Format(kQualityFormat[language], f.q);
        text += Format(kPointsFormat[language], f.n);
        if (f.overloaded > 0)
            text += Format(kOverloadedFormat[language], f.overloaded);
        text += "\n";
    }
    std::optional<TafelIntersection> cross;
    if (m_lines.size() == 2) {
        const TafelFit &a = m_lines[0].fit, &b = m_lines[1].fit;
        // As reported without the statistics, also for parallel lines (inf or nan).
        const double x = (a.b - b.b) / (b.m - a.m);
        text +=
            Format(kIntersectionFormat, kIntersection[language], x, std::pow(10.0, a.m * x + a.b), unitText);
        cross = IntersectTafel(a, b);
    }

    text += kStatsHeading[language];
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const TafelFit& f = m_lines[i].fit;
        text += Format(kStatsLine[language], static_cast<int>(i + 1), f.n);
        text += Format(kStatsSlope[language], f.m, f.seM);
        text += Format(kStatsIntercept[language], f.b, f.seB);
    }
    if (m_lines.size() == 2) {
        if (!cross) {
            text += kStatsParallel[language];
        } else {
            text += kStatsCorrosion[language];
            text += Format(kStatsEcorr[language], cross->x, cross->seX);
            text += Format(kStatsLogI[language], cross->logI, cross->seLogI);
            text += Format(kStatsIcorr[language], cross->current, cross->seCurrent, unitText);
        }
    }
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

}  // namespace qor::potentiostat
