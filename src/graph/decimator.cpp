#include "graph/decimator.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qor::graph {

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::size_t kDirect = 4;  // a column with this many points or fewer keeps them all

inline double Clamp(double v)
{
    if (v < -Decimator::kPixelLimit)
        return -Decimator::kPixelLimit;
    if (v > Decimator::kPixelLimit)
        return Decimator::kPixelLimit;
    return v;
}

// ScaleMapping with its quotients worked out once: the same arithmetic, so the same
// pixels, without two divisions for every vertex of every column.
struct FastMap {
    double p0, r0, toPixel, toValue;
    bool flat;

    explicit FastMap(const ScaleMapping& m)
        : p0(m.p0), r0(m.r0), toPixel(0.0), toValue(m.Slope()), flat(m.p1 == m.p0 || m.r1 == m.r0)
    {
        if (!flat)
            toPixel = (m.p1 - m.p0) / (m.r1 - m.r0);
    }
    double Pixel(double v) const { return flat ? p0 : (v - r0) * toPixel + p0; }
    double Value(double pixel) const { return (pixel - p0) * toValue + r0; }
};

struct Emitter {
    const FastMap xm;
    const FastMap ym;
    std::vector<PixelPoint>& out;
    bool broken = true;

    void Break()
    {
        if (!broken && !out.empty())
            out.push_back({kNaN, kNaN});
        broken = true;
    }
    void Pixel(double px, double y)
    {
        if (!std::isfinite(y) || !std::isfinite(px)) {
            Break();
            return;
        }
        out.push_back({Clamp(px), Clamp(ym.Pixel(y))});
        broken = false;
    }
    void Point(const GraphPoint& p) { Pixel(xm.Pixel(p.x), p.y); }
};
}  // namespace

void Decimator::BuildAll(const PointList& points, const ScaleMapping& xMap, const ScaleMapping& yMap,
                         std::vector<PixelPoint>& out)
{
    out.clear();
    Emitter em{FastMap(xMap), FastMap(yMap), out};
    for (std::size_t i = 0; i < points.size(); ++i)
        em.Point(points[i]);
}

void Decimator::Build(const PointList& points, const ScaleMapping& xMap, const ScaleMapping& yMap, double pixelLeft,
                      double pixelRight, std::vector<PixelPoint>& out)
{
    out.clear();
    const std::size_t n = points.size();
    const double width = pixelRight - pixelLeft;
    if (n == 0 || !(width >= 1.0) || xMap.Slope() == 0.0)
        return;
    Emitter em{FastMap(xMap), FastMap(yMap), out};

    // Columns are the pixel intervals [pixelLeft + k, pixelLeft + k + 1) of the mapped X.
    const double v0 = xMap.Value(pixelLeft), v1 = xMap.Value(pixelRight);
    const double xlo = std::min(v0, v1), xhi = std::max(v0, v1);
    if (!std::isfinite(xlo) || !std::isfinite(xhi))
        return;
    const bool rising = xMap.Slope() > 0.0;
    const FastMap xFast(xMap);
    auto columnOf = [&](double x) { return std::floor(xFast.Pixel(x) - pixelLeft); };
    auto centreOf = [&](double col) { return pixelLeft + col + 0.5; };

    if (!points.MonotonicX()) {
        // Merge runs of consecutive points that share a column.
        std::size_t i = 0;
        while (i < n) {
            const GraphPoint& f = points[i];
            if (!std::isfinite(f.x) || !std::isfinite(f.y)) {
                em.Break();
                ++i;
                continue;
            }
            const double col = columnOf(f.x);
            std::size_t j = i + 1;
            double lo = f.y, hi = f.y;
            while (j < n && std::isfinite(points[j].y) && columnOf(points[j].x) == col) {
                lo = std::min(lo, points[j].y);
                hi = std::max(hi, points[j].y);
                ++j;
            }
            if (j - i <= kDirect) {
                for (std::size_t k = i; k < j; ++k)
                    em.Point(points[k]);
            } else {
                em.Point(f);
                em.Pixel(centreOf(col), lo);
                em.Pixel(centreOf(col), hi);
                em.Point(points[j - 1]);
            }
            i = j;
        }
        return;
    }

    // X never decreases: find the visible index range, one neighbour outside on each side so
    // that the lines leaving the plot are drawn too.
    const std::size_t i0 = points.LowerBoundX(xlo, 0, n, 0);
    std::size_t i1 = points.LowerBoundX(std::nextafter(xhi, HUGE_VAL), i0, n, n - 1);
    const std::size_t start = i0 > 0 ? i0 - 1 : 0;
    const std::size_t end = std::min(n, i1 + 1);

    if (i1 - i0 <= kDirect * static_cast<std::size_t>(width)) {
        for (std::size_t k = start; k < end; ++k)
            em.Point(points[k]);
        return;
    }

    if (start < i0)
        em.Point(points[start]);
    std::size_t idx = i0;
    const double spanX = points[i1 - 1].x - points[i0].x;
    const double perPoint = spanX > 0 ? static_cast<double>(i1 - i0) / spanX : 0.0;
    // Columns ahead whose ends are fetched into the cache while this one is worked on.
    constexpr double kAhead = 4.0;
    const double ahead = std::min(kAhead * perPoint * std::fabs(xMap.Slope()), static_cast<double>(i1 - i0));
    while (idx < i1) {
        if (ahead >= 1.0)
            points.PrefetchEdge(idx + static_cast<std::size_t>(ahead));
        const GraphPoint& f = points[idx];
        if (!std::isfinite(f.y)) {
            em.Break();
            ++idx;
            continue;
        }
        const double col = columnOf(f.x);
        // The first X that falls into a later column.
        const double boundary = xFast.Value(pixelLeft + (rising ? col + 1.0 : col));
        const auto guess = static_cast<std::size_t>(
            std::clamp(static_cast<double>(idx) + (boundary - f.x) * perPoint, static_cast<double>(idx + 1),
                       static_cast<double>(i1)));
        std::size_t j = points.LowerBoundX(boundary, idx + 1, i1, guess);
        if (j <= idx)
            j = idx + 1;
        if (j - idx <= kDirect) {
            for (std::size_t k = idx; k < j; ++k)
                em.Point(points[k]);
        } else {
            double lo, hi;
            points.MinMaxY(idx, j, lo, hi);
            em.Point(f);
            if (lo <= hi) {
                em.Pixel(centreOf(col), lo);
                em.Pixel(centreOf(col), hi);
            }
            if (std::isfinite(points[j - 1].y))
                em.Point(points[j - 1]);
        }
        idx = j;
    }
    if (end > i1)
        em.Point(points[end - 1]);
}

}  // namespace qor::graph
