#include "graph/decimator.h"

#include "graph/line_raster.h"

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

// Where vertices go: a vertex list, or a pen drawing them at once.
struct VertexList {
    std::vector<PixelPoint>& out;
    void To(double x, double y) { out.push_back({x, y}); }
    void Break()
    {
        if (!out.empty() && !std::isnan(out.back().x))
            out.push_back({kNaN, kNaN});
    }
};

// A pen that also takes whole columns.
struct ColumnPen {
    LineRaster::Pen& pen;
    double offsetX;
    void To(double x, double y) { pen.To(x, y); }
    void Break() { pen.Break(); }
    bool ColumnAt(double column, double x) const { return std::floor(x + offsetX) == column; }
    void Column(double column, double fx, double fy, double lo, double hi, double lx, double ly, double)
    {
        pen.Column(column, fx, fy, lo, hi, lx, ly);
    }
};

template <class Sink>
struct Emitter {
    const FastMap xm;
    const FastMap ym;
    Sink& out;

    void Break() { out.Break(); }
    void Pixel(double px, double y)
    {
        if (!std::isfinite(y) || !std::isfinite(px)) {
            Break();
            return;
        }
        out.To(Clamp(px), Clamp(ym.Pixel(y)));
    }
    void Point(const PointList& pts, std::size_t i) { Pixel(xm.Pixel(pts.X(i)), pts.Y(i)); }
    // A column of many points: its first point, its extremes drawn at the centre, its last
    // point. `column` is the one floor(x - pixelLeft) gives for all of them.
    void Column(double column, double centre, const PointList& pts, std::size_t first, std::size_t last, double lo,
                double hi)
    {
        const double fx = xm.Pixel(pts.X(first)), fy = pts.Y(first);
        const double lx = xm.Pixel(pts.X(last)), ly = pts.Y(last);
        if constexpr (requires { out.Column(0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0); }) {
            // All four in one column and finite: the sink takes them at once.
            if (out.ColumnAt(column, lx) && std::isfinite(fx) && std::isfinite(fy) && lo <= hi && std::isfinite(lx) &&
                std::isfinite(ly)) {
                out.Column(column, Clamp(fx), Clamp(ym.Pixel(fy)), Clamp(ym.Pixel(lo)), Clamp(ym.Pixel(hi)), Clamp(lx),
                           Clamp(ym.Pixel(ly)), centre);
                return;
            }
        }
        Pixel(fx, fy);
        if (lo <= hi) {
            Pixel(centre, lo);
            Pixel(centre, hi);
        }
        if (std::isfinite(ly))
            Pixel(lx, ly);
    }
};

template <class Sink>
void Walk(const PointList& points, const ScaleMapping& xMap, const ScaleMapping& yMap, double pixelLeft,
          double pixelRight, Sink& sink);
}  // namespace

void Decimator::BuildAll(const PointList& points, const ScaleMapping& xMap, const ScaleMapping& yMap,
                         std::vector<PixelPoint>& out)
{
    out.clear();
    VertexList list{out};
    Emitter<VertexList> em{FastMap(xMap), FastMap(yMap), list};
    for (std::size_t i = 0; i < points.size(); ++i)
        em.Point(points, i);
}

void Decimator::Build(const PointList& points, const ScaleMapping& xMap, const ScaleMapping& yMap, double pixelLeft,
                      double pixelRight, std::vector<PixelPoint>& out)
{
    out.clear();
    VertexList list{out};
    Walk(points, xMap, yMap, pixelLeft, pixelRight, list);
}

void Decimator::Draw(const PointList& points, const ScaleMapping& xMap, const ScaleMapping& yMap, double pixelLeft,
                     double pixelRight, LineRaster& raster, std::uint32_t argb, double offsetX, double offsetY)
{
    LineRaster::Pen pen(raster, argb, offsetX, offsetY);
    // The pen puts a vertex into column floor(x + offsetX); with offsetX = -pixelLeft that is
    // the decimator's column, and whole columns can go to the pen at once.
    if (offsetX == -pixelLeft) {
        ColumnPen columns{pen, offsetX};
        Walk(points, xMap, yMap, pixelLeft, pixelRight, columns);
    } else {
        Walk(points, xMap, yMap, pixelLeft, pixelRight, pen);
    }
}

namespace {
template <class Sink>
void Walk(const PointList& points, const ScaleMapping& xMap, const ScaleMapping& yMap, double pixelLeft,
          double pixelRight, Sink& sink)
{
    const std::size_t n = points.size();
    const double width = pixelRight - pixelLeft;
    if (n == 0 || !(width >= 1.0) || xMap.Slope() == 0.0)
        return;
    Emitter<Sink> em{FastMap(xMap), FastMap(yMap), sink};

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
            const double fx = points.X(i), fy = points.Y(i);
            if (!std::isfinite(fx) || !std::isfinite(fy)) {
                em.Break();
                ++i;
                continue;
            }
            const double col = columnOf(fx);
            std::size_t j = i + 1;
            double lo = fy, hi = fy;
            while (j < n && std::isfinite(points.Y(j)) && columnOf(points.X(j)) == col) {
                lo = std::min(lo, points.Y(j));
                hi = std::max(hi, points.Y(j));
                ++j;
            }
            if (j - i <= kDirect) {
                for (std::size_t k = i; k < j; ++k)
                    em.Point(points, k);
            } else {
                em.Column(col, centreOf(col), points, i, j - 1, lo, hi);
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
            em.Point(points, k);
        return;
    }

    if (start < i0)
        em.Point(points, start);
    std::size_t idx = i0;
    const double spanX = points.X(i1 - 1) - points.X(i0);
    const double perPoint = spanX > 0 ? static_cast<double>(i1 - i0) / spanX : 0.0;
    // Columns ahead whose ends are fetched into the cache while this one is worked on.
    constexpr double kAhead = 4.0;
    const double ahead = std::min(kAhead * perPoint * std::fabs(xMap.Slope()), static_cast<double>(i1 - i0));
    while (idx < i1) {
        if (ahead >= 1.0)
            points.PrefetchEdge(idx + static_cast<std::size_t>(ahead));
        const double fx = points.X(idx);
        if (!std::isfinite(points.Y(idx))) {
            em.Break();
            ++idx;
            continue;
        }
        const double col = columnOf(fx);
        // The first X that falls into a later column.
        const double boundary = xFast.Value(pixelLeft + (rising ? col + 1.0 : col));
        const auto guess = static_cast<std::size_t>(
            std::clamp(static_cast<double>(idx) + (boundary - fx) * perPoint, static_cast<double>(idx + 1),
                       static_cast<double>(i1)));
        std::size_t j = points.LowerBoundX(boundary, idx + 1, i1, guess);
        if (j <= idx)
            j = idx + 1;
        if (j - idx <= kDirect) {
            for (std::size_t k = idx; k < j; ++k)
                em.Point(points, k);
        } else {
            double lo, hi;
            points.MinMaxY(idx, j, lo, hi);
            em.Column(col, centreOf(col), points, idx, j - 1, lo, hi);
        }
        idx = j;
    }
    if (end > i1)
        em.Point(points, end - 1);
}

}  // namespace

}  // namespace qor::graph
