#include "potentiostat/tafel.h"

#include "common/text.h"
#include "potentiostat/xy_texts.h"

#include <algorithm>
#include <cmath>

namespace qor::potentiostat {

namespace {

// "value ± error" with the decimals that the error's first `digits` significant digits need.
std::string WithError(double v, double se, int digits, int fewest)
{
    const int decimals =
        se > 0 && std::isfinite(se)
            ? std::clamp(digits - 1 - static_cast<int>(std::floor(std::log10(se))), fewest, 6)
            : fewest;
    return Format("%.*f ± %.*f", decimals, v, decimals, se);
}

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

RpResult FitRp(const std::vector<RpSample>& samples, const RpOptions& o, const std::vector<TafelFit>& lines)
{
    RpResult r;
    // The potential at the cell itself: the drop over Rs (Ω·µA = µV) taken off.
    const auto e = [&](const RpSample& s) { return s.potential - s.current * o.rs * 1e-3; };
    std::vector<RpSample> sound;
    for (const RpSample& s : samples)
        if (!s.overload)
            sound.push_back(s);
    bool found = false;
    for (std::size_t k = 0; k < sound.size() && !found; ++k) {
        if (sound[k].current == 0) {
            r.ocp = e(sound[k]), found = true;
        } else if (k + 1 < sound.size() && (sound[k].current < 0) != (sound[k + 1].current < 0) &&
                   sound[k + 1].current != 0) {
            const double i0 = sound[k].current, i1 = sound[k + 1].current;
            r.ocp = e(sound[k]) + (e(sound[k + 1]) - e(sound[k])) * i0 / (i0 - i1);
            found = true;
        }
    }
    if (!found) {
        r.status = RpResult::Status::NoZeroCrossing;
        return r;
    }
    double n = 0, sx = 0, sxx = 0, sy = 0, sxy = 0;
    std::vector<std::pair<double, double>> used;
    for (const RpSample& s : sound)
        if (std::fabs(e(s) - r.ocp) <= o.band) {
            const double x = e(s) - r.ocp, y = s.current;  // centred: the sums keep their digits
            used.emplace_back(x, y);
            n += 1, sx += x, sxx += x * x, sy += y, sxy += x * y;
        }
    const double d = n * sxx - sx * sx;
    const double slope = d > 0 ? (n * sxy - sx * sy) / d : 0.0;  // µA/mV
    if (n < 3 || slope == 0) {
        r.status = RpResult::Status::TooFewPoints;
        r.n = static_cast<int>(n);
        return r;
    }
    const double icept = (sy - slope * sx) / n;
    double sse = 0;
    for (const auto& [x, y] : used)
        sse += (y - slope * x - icept) * (y - slope * x - icept);
    const double seSlope = std::sqrt(sse / (n - 2) * n / d);
    r.n = static_cast<int>(n);
    // mV/µA is kΩ.
    r.rp = 1e3 / slope;
    r.seRp = 1e3 * seSlope / (slope * slope);
    const TafelFit* an = nullptr;
    const TafelFit* ca = nullptr;
    for (const TafelFit& f : lines) {
        if (f.m > 0 && !an)
            an = &f;
        if (f.m < 0 && !ca)
            ca = &f;
    }
    if (an && ca) {
        r.hasB = true;
        r.betaA = 1.0 / an->m;
        r.betaC = -1.0 / ca->m;
        r.b = r.betaA * r.betaC / (std::log(10.0) * (r.betaA + r.betaC));
        r.icorr = r.b / r.rp * 1e3;  // mV/Ω = mA
    }
    if (o.area > 0) {
        r.hasArea = true;
        r.rpArea = r.rp * o.area;
        r.icorrDensity = r.icorr / o.area;
        // ASTM G102: CR = 3.27e-3 · icorr[µA/cm²] · EW / ρ in mm per year.
        if (r.hasB && o.ew > 0 && o.density > 0) {
            r.hasRate = true;
            r.rate = 3.27e-3 * r.icorrDensity * o.ew / o.density;
        }
    }
    return r;
}

std::string RpText(const RpResult& r, const RpOptions& o, int language)
{
    using namespace xytext;
    if (r.status == RpResult::Status::NoZeroCrossing)
        return kRpNoZeroCrossing[language];
    if (r.status == RpResult::Status::TooFewPoints)
        return Format(kRpTooFewPoints[language], o.band, r.ocp, r.n);
    std::string text = Format(kRpHeading[language], o.band, r.ocp, r.n);
    if (o.rs > 0)
        text += Format(kRpIrCorrected[language], o.rs);
    text += Format(kRpValue[language], WithError(r.rp, r.seRp, 2, 0).c_str());
    if (!r.hasB)
        return text + kRpNoB[language];
    text += Format(kRpB[language], r.betaA, r.betaC, r.b);
    text += Format(kRpIcorr[language], r.icorr);
    if (r.hasArea)
        text += Format(kRpArea[language], o.area, r.rpArea, r.icorrDensity);
    if (r.hasRate)
        text += Format(kRpRate[language], o.ew, o.density, r.rate);
    return text;
}

std::string RpJson(const RpResult& r, const RpOptions& o)
{
    const auto num = [](bool has, double v) { return has && std::isfinite(v) ? Format("%.10g", v) : "null"; };
    const bool ok = r.status == RpResult::Status::Ok;
    const char* status = ok                                             ? "ok"
                         : r.status == RpResult::Status::NoZeroCrossing ? "no zero crossing"
                                                                        : "too few points";
    return Format("{\"status\":\"%s\",\"ocp_mV\":%s,\"band_mV\":%s,\"rs_ohm\":%s,\"n\":%d,\"rp_ohm\":%s,"
                  "\"rp_se_ohm\":%s,\"beta_a_mV\":%s,\"beta_c_mV\":%s,\"b_mV\":%s,\"icorr_uA\":%s,"
                  "\"area_cm2\":%s,\"rp_ohm_cm2\":%s,\"icorr_uA_cm2\":%s,\"ew_g\":%s,\"density_g_cm3\":%s,"
                  "\"corrosion_rate_mm_per_year\":%s}",
                  status, num(r.status != RpResult::Status::NoZeroCrossing, r.ocp).c_str(),
                  num(true, o.band).c_str(), num(true, o.rs).c_str(), r.n, num(ok, r.rp).c_str(),
                  num(ok, r.seRp).c_str(), num(ok && r.hasB, r.betaA).c_str(),
                  num(ok && r.hasB, r.betaC).c_str(), num(ok && r.hasB, r.b).c_str(),
                  num(ok && r.hasB, r.icorr).c_str(), num(o.area > 0, o.area).c_str(),
                  num(ok && r.hasArea, r.rpArea).c_str(),
                  num(ok && r.hasArea && r.hasB, r.icorrDensity).c_str(), num(o.ew > 0, o.ew).c_str(),
                  num(o.density > 0, o.density).c_str(), num(ok && r.hasRate, r.rate).c_str());
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
        // dβ/dm = −1/m².
        const double beta = 1.0 / f.m, seBeta = f.seM / (f.m * f.m);
        text += Format(anodic ? kAnodicLineFormat : kCathodicLineFormat,
                       (anodic ? kAnodic : kCathodic)[language]);
        text += Format(kAtZeroFormat[language], std::pow(10.0, f.b), unitText);
        text += Format(kSlopeFormat[language], anodic ? "a" : "c", WithError(beta, seBeta, 1, 1).c_str());
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
