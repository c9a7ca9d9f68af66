// Kept as one file: the walk over columns, the pen's whole-column form, the dense passes and
// the recorded walk must all put the same pixels where the same points are, so they share
// their mapping and clamping arithmetic and are read side by side.
#include "graph/decimator.h"

#include "graph/line_raster.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <mutex>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qor::graph {

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr std::size_t kDirect = 4;  // a column with this many points or fewer keeps them all
// A dense drawing asks for the memory of the column this many on.
constexpr std::size_t kDenseAhead = 12;

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

// The least X of the columns after column `col` in the walk: rising, column col holds X in
// [Value(left + col), Value(left + col + 1)); falling, X in (Value(left + col + 1),
// Value(left + col)], so an X right on the edge stays in the column whose pixel it is.
inline double ColumnEnd(const FastMap& x, double pixelLeft, double col, bool rising)
{
    return rising ? x.Value(pixelLeft + col + 1.0) : std::nextafter(x.Value(pixelLeft + col), HUGE_VAL);
}

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

// A pen that also takes whole columns: decimator column k is buffer column k + base.
struct ColumnPen {
    LineRaster::Pen& pen;
    double offsetX;
    double base;
    double xmax;  // the last x the pen still puts into the buffer's last column
    void To(double x, double y) { pen.To(x, y); }
    void Break() { pen.Break(); }
    // Both ends in the pen's column, and that column inside the buffer (or both far enough
    // outside to need no clamping): there the pen treats the four vertices as one run.
    bool ColumnAt(double column, double fx, double lx) const
    {
        column += base;
        fx += offsetX;
        lx += offsetX;
        const bool inside = column >= 0.0 && fx <= xmax && lx <= xmax;
        const bool outside = column < -1.0 || column > xmax + 1.0;
        return fx >= column && fx < column + 1.0 && lx >= column && lx < column + 1.0 &&
               std::fabs(column) < Decimator::kPixelLimit && (inside || outside);
    }
    void Column(double column, double fx, double fy, double lo, double hi, double lx, double ly)
    {
        pen.Column(column + base, fx, Clamp(fy), Clamp(lo), Clamp(hi), lx, Clamp(ly));
    }
};

template <class Sink> struct Emitter {
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
    void Column(double column, double centre, double firstX, double firstY, double lastX, double lastY,
                double lo, double hi)
    {
        const double fx = xm.Pixel(firstX), lx = xm.Pixel(lastX);
        if constexpr (requires { out.ColumnAt(0.0, 0.0, 0.0); }) {
            // All four in one column and finite: the sink takes them at once.
            if (std::isfinite(firstY) && std::isfinite(lo) && std::isfinite(hi) && std::isfinite(lastY) &&
                out.ColumnAt(column, fx, lx)) {
                out.Column(column, fx, ym.Pixel(firstY), ym.Pixel(lo), ym.Pixel(hi), lx, ym.Pixel(lastY));
                return;
            }
        }
        Pixel(fx, firstY);
        if (lo <= hi) {
            Pixel(centre, lo);
            Pixel(centre, hi);
        }
        if (std::isfinite(lastY))
            Pixel(lx, lastY);
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

void Decimator::Build(const PointList& points, const ScaleMapping& xMap, const ScaleMapping& yMap,
                      double pixelLeft, double pixelRight, std::vector<PixelPoint>& out)
{
    out.clear();
    VertexList list{out};
    Walk(points, xMap, yMap, pixelLeft, pixelRight, list);
}

namespace {
// Where each column of a dense drawing ends. The curves of a recording share their X, so the
// plan of the last curve drawn by this thread usually fits the next one as well.
struct DensePlan {
    double x0, dx, p0, p1, r0, r1, left, right, offsetX;
    std::size_t n;
    int bufferWidth;
    bool dense;  // more than kDirect points in every column, each put there by the pen too
    bool wide;   // every column at least two groups of points long
    double col0, colEnd;
    std::vector<std::size_t> ends;
    // An end far from any sample (in sample steps) leaves no doubt which column the
    // points beside it fall into; only next to one are they mapped and checked.
    std::vector<unsigned char> nearSample;
    bool Fits(const DensePlan& o) const
    {
        return x0 == o.x0 && dx == o.dx && p0 == o.p0 && p1 == o.p1 && r0 == o.r0 && r1 == o.r1 &&
               left == o.left && right == o.right && offsetX == o.offsetX && n == o.n &&
               bufferWidth == o.bufferWidth;
    }
};

// The dense case of a drawing, as the walk and the pen below would draw it, worked out in
// passes over all columns instead of column by column: first where every column ends, then
// each column's extremes, then its rows, then the runs of pixels. No pass waits on the one
// column before it, which is what made the column-by-column walk slow. Only for evenly
// spaced X with more than kDirect points in every column and all of it on the plot; Draw
// gives false, with nothing drawn, for anything else.
struct DenseRows {
    std::vector<int> first, last, top, bottom;
};

DenseRows& ThreadRows()
{
    thread_local DenseRows rows;
    return rows;
}

struct DenseDrawing {
    const PointList& points;
    const ScaleMapping& xMap;
    const ScaleMapping& yMap;
    double pixelLeft, pixelRight;
    LineRaster& raster;
    std::uint32_t argb;
    double offsetX, offsetY, base;

    const FastMap xFast{xMap}, yFast{yMap};
    const std::size_t n = points.size();
    const double width = pixelRight - pixelLeft;
    const bool rising = xMap.Slope() > 0.0;
    const double step = rising ? 1.0 : -1.0;
    double x0 = 0.0, dx = 0.0, perX = 0.0;
    // The points of columns [0, width).
    std::size_t i0 = 0, i1 = 0;
    // Each column's first, last and extreme rows, kept by the thread between drawings.
    DenseRows& rows = ThreadRows();

    bool Draw();

private:
    double ColumnOf(double x) const { return std::floor(xFast.Pixel(x) - pixelLeft); }
    // Indices stay far below 2^63: signed conversions are the cheap ones.
    double XAt(std::size_t i) const { return x0 + static_cast<double>(static_cast<std::int64_t>(i)) * dx; }
    // `steps` is (x - x0) / dx.
    std::size_t LowerBoundAt(double x, double steps, std::size_t from, std::size_t to) const
    {
        const double at = std::clamp(std::ceil(steps), static_cast<double>(static_cast<std::int64_t>(from)),
                                     static_cast<double>(static_cast<std::int64_t>(to)));
        auto i = static_cast<std::size_t>(static_cast<std::int64_t>(at));
        // The quotient is off by one at most where x sits on a sample.
        while (i > from && XAt(i - 1) >= x)
            [[unlikely]]-- i;
        while (i < to && XAt(i) < x)
            [[unlikely]]++ i;
        return i;
    }
    std::size_t LowerBound(double x, std::size_t from, std::size_t to) const
    {
        return LowerBoundAt(x, (x - x0) * perX, from, to);
    }
    bool FindPoints();
    void PlanColumns(DensePlan& plan) const;
    bool ColumnRows(const DensePlan& plan);
#if defined(__SSE2__)
    template <class T> bool WideColumnRows(const DensePlan& plan);
#endif
    bool NarrowColumnRows(const DensePlan& plan);
    void DrawRuns(const DensePlan& plan);
};

// Evenly spaced X, a scale on both axes, and more than kDirect points per column on the plot.
bool DenseDrawing::FindPoints()
{
    if (n == 0 || !(width >= 1.0) || xMap.Slope() == 0.0 || !points.EvenX(x0, dx))
        return false;
    points.Prepare();
    const double v0 = xMap.Value(pixelLeft), v1 = xMap.Value(pixelRight);
    const double xlo = std::min(v0, v1), xhi = std::max(v0, v1);
    if (!std::isfinite(xlo) || !std::isfinite(xhi))
        return false;
    if (yFast.flat)
        return false;
    perX = 1.0 / dx;
    // X in [xlo, xhi) rising, in (xlo, xhi] falling. A point on the far edge belongs to the
    // column beyond; it is drawn as a neighbour, like those outside.
    i0 = LowerBound(rising ? xlo : std::nextafter(xlo, HUGE_VAL), 0, n);
    i1 = LowerBound(rising ? xhi : std::nextafter(xhi, HUGE_VAL), i0, n);
    return i1 - i0 > kDirect * static_cast<std::size_t>(width);
}

// Where each column ends, and whether every column is dense and put there by the pen too.
void DenseDrawing::PlanColumns(DensePlan& plan) const
{
    plan.ends.clear();
    plan.nearSample.clear();
    plan.col0 = ColumnOf(XAt(i0));
    double c = plan.col0;
    for (std::size_t idx = i0; idx < i1; c += step) {
        const double boundary = ColumnEnd(xFast, pixelLeft, c, rising);
        const double steps = (boundary - x0) * perX;
        std::size_t j = i1;
        if (plan.ends.size() <= static_cast<std::size_t>(width) + 2) {
            j = LowerBoundAt(boundary, steps, idx, i1);
            // As in the walk: the column a point is drawn in, not the one X alone says.
            while (j > idx && ColumnOf(XAt(j - 1)) != c)
                --j;
            while (j < i1 && ColumnOf(XAt(j)) == c)
                ++j;
        }
        if (j - idx <= kDirect) {
            plan.dense = false;
            break;
        }
        plan.wide = plan.wide && j - idx >= 2 * PointList::kFan;
        const double part = std::fabs(steps - static_cast<double>(static_cast<std::int64_t>(steps)));
        plan.nearSample.push_back(part < 1.0e-6 || part > 1.0 - 1.0e-6);
        plan.ends.push_back(j);
        idx = j;
    }
    plan.colEnd = c;
    // The first and last point of a column must lie in it for the pen as well; where an
    // end is next to a sample, rounding could say otherwise.
    const double xmax = raster.Width() - 0.001;
    std::size_t a = i0;
    c = plan.col0;
    for (std::size_t k = 0; plan.dense && k < plan.ends.size(); ++k, c += step) {
        const std::size_t b = plan.ends[k];
        if (k == 0 || k + 1 == plan.ends.size() || plan.nearSample[k - 1] || plan.nearSample[k]) {
            const double fx = xFast.Pixel(XAt(a)) + offsetX, lx = xFast.Pixel(XAt(b - 1)) + offsetX;
            plan.dense = fx >= c + base && fx < c + base + 1.0 && lx >= c + base && lx < c + base + 1.0 &&
                         lx <= xmax && fx <= xmax;
        }
        a = b;
    }
}

bool DenseDrawing::Draw()
{
    if (!FindPoints())
        return false;
    thread_local DensePlan plan{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, false, false, 0, 0, {}, {}};
    DensePlan key{x0,         dx,      xMap.p0, xMap.p1,        xMap.r0, xMap.r1, pixelLeft,
                  pixelRight, offsetX, n,       raster.Width(), true,    true,    0,
                  0,          {},      {}};
    if (!plan.Fits(key)) {
        key.ends = std::move(plan.ends);
        key.nearSample = std::move(plan.nearSample);
        plan = std::move(key);
        PlanColumns(plan);
    }
    if (!plan.dense)
        return false;
    const double first = plan.col0 + base, last = plan.colEnd - step + base;
    if (!(first >= 0.0) || first >= static_cast<double>(raster.Width()) || !(last >= 0.0) ||
        last >= static_cast<double>(raster.Width()))
        return false;
    if (!ColumnRows(plan))
        return false;
    DrawRuns(plan);
    return true;
}

// Each column's first, last and extreme rows; false when a row is off the plot.
bool DenseDrawing::ColumnRows(const DensePlan& plan)
{
    const std::size_t columns = plan.ends.size();
    rows.first.resize(columns);
    rows.last.resize(columns);
    rows.top.resize(columns);
    rows.bottom.resize(columns);
    // The loops ask for the memory of the column kAhead on; the first ones are asked for
    // here all at once, so that a short call (a strip) does not wait for each in turn.
    points.PrefetchY(i0 + 1);
    for (std::size_t k = 0; k < std::min(kDenseAhead, columns); ++k)
        points.PrefetchY(plan.ends[k]);
#if defined(__SSE2__)
    if (plan.wide)
        return points.SinglePrecision() ? WideColumnRows<float>(plan) : WideColumnRows<double>(plan);
#endif
    return NarrowColumnRows(plan);
}

#if defined(__SSE2__)
template <class T> bool DenseDrawing::WideColumnRows(const DensePlan& plan)
{
    constexpr std::size_t F = PointList::kFan;
    // Neighbouring columns meet inside one group of points: its lanes before the end go
    // to the column ending there, the others to the next one, each lane of the other
    // column made a NaN that minimum and maximum pass over. The whole entries between
    // are read from the first summary level. The same extremes and rows as Extremes and
    // `rowsOf` give, kept in registers throughout.
    const T* const entries = points.Entries<T>();
    const std::vector<std::size_t>& ends = plan.ends;
    const std::size_t columns = ends.size();
    const double ymax = raster.Height() - 0.001;
    std::size_t a = i0;
    int* const rf = rows.first.data();
    int* const rl = rows.last.data();
    int* const tp = rows.top.data();
    int* const bt = rows.bottom.data();
    const __m128d inf = _mm_set1_pd(std::numeric_limits<double>::infinity());
    const __m128d negInf = _mm_set1_pd(-std::numeric_limits<double>::infinity());
    const __m128d signHi = _mm_set_pd(-0.0, 0.0);
    const __m128d r0 = _mm_set1_pd(yFast.r0), scale = _mm_set1_pd(yFast.toPixel);
    const __m128d p0 = _mm_set1_pd(yFast.p0), shift = _mm_set1_pd(offsetY);
    const __m128d limit = _mm_set1_pd(ymax);
    int inside = 3;
    auto toRows = [&](__m128d v) {
        const __m128d y = _mm_add_pd(_mm_add_pd(_mm_mul_pd(_mm_sub_pd(v, r0), scale), p0), shift);
        inside &= _mm_movemask_pd(_mm_and_pd(_mm_cmpge_pd(y, _mm_setzero_pd()), _mm_cmple_pd(y, limit)));
        return _mm_cvttpd_epi32(y);
    };
    auto mask = [](const std::uint64_t* m) { return _mm_load_pd(reinterpret_cast<const double*>(m)); };
    // The first column's lanes of the group it starts in.
    __m128d nextLo = inf, nextHi = negInf;
    {
        const T* g = points.Group<T>(a / F * F);
        const std::uint64_t* m = kLanes.below[a % F];
        for (std::size_t q = 0; q < F; q += 2) {
            const __m128d v = _mm_or_pd(Load2(g + q), mask(m + q));
            nextLo = _mm_min_pd(v, nextLo);
            nextHi = _mm_max_pd(v, nextHi);
        }
    }
    for (std::size_t k = 0; k < columns; ++k) {
        const std::size_t b = ends[k], b0 = b / F * F, s = b - b0;
        if (k + kDenseAhead < columns)
            points.PrefetchY(ends[k + kDenseAhead]);
        __m128d lo0 = nextLo, hi0 = nextHi, lo1 = inf, hi1 = negInf;
        nextLo = inf;
        nextHi = negInf;
        if (s > 0 || k + 1 < columns) {  // the last column may end on a group that is not there
            const T* g = points.Group<T>(b0);
            const std::uint64_t* here = kLanes.above[s];
            const std::uint64_t* next = kLanes.below[s];
            for (std::size_t q = 0; q < F; q += 4) {
                const __m128d u = Load2(g + q), v = Load2(g + q + 2);
                const __m128d uh = _mm_or_pd(u, mask(here + q)), vh = _mm_or_pd(v, mask(here + q + 2));
                const __m128d un = _mm_or_pd(u, mask(next + q)), vn = _mm_or_pd(v, mask(next + q + 2));
                lo0 = _mm_min_pd(uh, lo0);
                hi0 = _mm_max_pd(uh, hi0);
                lo1 = _mm_min_pd(vh, lo1);
                hi1 = _mm_max_pd(vh, hi1);
                nextLo = _mm_min_pd(_mm_min_pd(un, vn), nextLo);
                nextHi = _mm_max_pd(_mm_max_pd(un, vn), nextHi);
            }
        }
        // Entries hold (minimum, negated maximum): one minimum takes both.
        const std::size_t ea = (a + F - 1) / F, eb = b0 / F, n = eb - ea;
        __m128d acc0 = inf, acc1 = inf;
        if (n < 2 * F) [[likely]] {
            const std::size_t w = n >= 8 ? 8 : n >= 4 ? 4 : n >= 2 ? 2 : 1;
            const T* e = entries + 2 * ea;
            const T* f = entries + 2 * (eb - w);
            for (std::size_t j = 0; j < w; j += 2) {
                acc0 = _mm_min_pd(Load2(e + 2 * j), acc0);
                acc1 = _mm_min_pd(Load2(f + 2 * j), acc1);
                if (j + 1 < w) {
                    acc0 = _mm_min_pd(Load2(e + 2 * j + 2), acc0);
                    acc1 = _mm_min_pd(Load2(f + 2 * j + 2), acc1);
                }
            }
        } else {
            Extremes ex;
            points.TakeEntries<T>(ea, eb, ex);
            double l, h;
            ex.Result(l, h);
            acc0 = _mm_set_pd(-h, l);
        }
        const __m128d lo = _mm_min_pd(lo0, lo1), hi = _mm_max_pd(hi0, hi1);
        // (least, greatest) of the points, the greatest negated, against the entries.
        const __m128d pts =
            _mm_unpacklo_pd(_mm_min_pd(lo, _mm_unpackhi_pd(lo, lo)), _mm_max_pd(hi, _mm_unpackhi_pd(hi, hi)));
        const __m128d extent =
            _mm_xor_pd(_mm_min_pd(_mm_xor_pd(pts, signHi), _mm_min_pd(acc0, acc1)), signHi);
        const __m128i ends4 = toRows(_mm_set_pd(points.Y(b - 1), points.Y(a)));
        const __m128i ext4 = toRows(extent);
        const int first = _mm_cvtsi128_si32(ends4), last = _mm_cvtsi128_si32(_mm_shuffle_epi32(ends4, 1));
        const int least = _mm_cvtsi128_si32(ext4), most = _mm_cvtsi128_si32(_mm_shuffle_epi32(ext4, 1));
        rf[k] = first;
        rl[k] = last;
        tp[k] = std::min(std::min(first, last), std::min(least, most));
        bt[k] = std::max(std::max(first, last), std::max(least, most));
        a = b;
    }
    return inside == 3;
}
#endif

// Columns with fewer points: each one's extremes from the point list.
bool DenseDrawing::NarrowColumnRows(const DensePlan& plan)
{
    const std::vector<std::size_t>& ends = plan.ends;
    const std::size_t columns = ends.size();
    std::vector<int>& rowFirst = rows.first;
    std::vector<int>& rowLast = rows.last;
    std::vector<int>& top = rows.top;
    std::vector<int>& bottom = rows.bottom;
    const double ymax = raster.Height() - 0.001;
    bool fits = true;
    // Two values' rows at once, with the arithmetic of FastMap::Pixel and the same order of
    // operations, so the same rows as one value at a time.
    auto rowsOf = [&](double u, double v, int& ru, int& rv) {
#if defined(__SSE2__)
        const __m128d y =
            _mm_add_pd(_mm_add_pd(_mm_mul_pd(_mm_sub_pd(_mm_set_pd(v, u), _mm_set1_pd(yFast.r0)),
                                             _mm_set1_pd(yFast.toPixel)),
                                  _mm_set1_pd(yFast.p0)),
                       _mm_set1_pd(offsetY));
        const __m128d inside =
            _mm_and_pd(_mm_cmpge_pd(y, _mm_setzero_pd()), _mm_cmple_pd(y, _mm_set1_pd(ymax)));
        fits &= _mm_movemask_pd(inside) == 3;  // false for NaN too
        const __m128i r = _mm_cvttpd_epi32(y);
        ru = _mm_cvtsi128_si32(r);
        rv = _mm_cvtsi128_si32(_mm_shuffle_epi32(r, 1));
#else
        for (auto [value, out] : {std::pair<double, int*>{u, &ru}, {v, &rv}}) {
            const double y = yFast.Pixel(value) + offsetY;
            fits &= y >= 0.0 && y <= ymax;  // false for NaN too
            *out = fits ? static_cast<int>(y) : 0;
        }
#endif
    };
    auto column = [&](std::size_t k, double firstY, double lastY, double lo, double hi) {
        int rf, rl, r0, r1;
        rowsOf(firstY, lastY, rf, rl);
        rowsOf(lo, hi, r0, r1);
        rowFirst[k] = rf;
        rowLast[k] = rl;
        top[k] = std::min(std::min(rf, rl), std::min(r0, r1));
        bottom[k] = std::max(std::max(rf, rl), std::max(r0, r1));
    };
    std::size_t a = i0;
    for (std::size_t k = 0; k < columns; ++k) {
        const std::size_t b = ends[k];
        if (k + kDenseAhead < columns)
            points.PrefetchY(ends[k + kDenseAhead]);
        double lo, hi;
        points.MinMaxY(a, b, lo, hi);
        column(k, points.Y(a), points.Y(b - 1), lo, hi);
        a = b;
    }
    return fits;
}

// The lines to the neighbours outside the plot, and each column's run of rows.
void DenseDrawing::DrawRuns(const DensePlan& plan)
{
    const std::size_t columns = plan.ends.size();
    std::vector<int>& rowFirst = rows.first;
    std::vector<int>& rowLast = rows.last;
    std::vector<int>& top = rows.top;
    std::vector<int>& bottom = rows.bottom;
    // The lines to the points just outside the plot.
    auto vertex = [&](std::size_t i, double& x, double& y) {
        x = Clamp(xFast.Pixel(XAt(i))) + offsetX;
        y = Clamp(yFast.Pixel(points.Y(i))) + offsetY;
        return std::isfinite(points.Y(i));
    };
    double ax, ay, bx, by;
    if (i0 > 0 && vertex(i0 - 1, ax, ay) && vertex(i0, bx, by))
        raster.Line(ax, ay, bx, by, argb);
    if (i1 < n && vertex(i1 - 1, ax, ay) && vertex(i1, bx, by))
        raster.Line(ax, ay, bx, by, argb);
    // The runs. The segment into the next column is two vertical runs, split where a line
    // drawing steps sideways; they join the two columns' own runs.
    double col = plan.col0;
    for (std::size_t k = 0; k < columns; ++k, col += step) {
        if (k + 1 < columns) {
            const int r0 = rowLast[k], r1 = rowFirst[k + 1];
            const int d = r1 > r0 ? r1 - r0 : r0 - r1, dir = r1 > r0 ? 1 : -1;
            const int near = d == 0 ? 1 : (d + 1) / 2;
            const int endNear = r0 + dir * (near - 1), startFar = d > 0 ? r0 + dir * near : r1;
            top[k] = std::min(top[k], endNear);
            bottom[k] = std::max(bottom[k], endNear);
            top[k + 1] = std::min(top[k + 1], startFar);
            bottom[k + 1] = std::max(bottom[k + 1], startFar);
        }
        raster.Rows(static_cast<int>(col + base), top[k], bottom[k], argb);
    }
}
}  // namespace

void Decimator::Draw(const PointList& points, const ScaleMapping& xMap, const ScaleMapping& yMap,
                     double pixelLeft, double pixelRight, LineRaster& raster, std::uint32_t argb,
                     double offsetX, double offsetY)
{
    // Only the columns the raster writes are worked out.
    const double left = std::max(pixelLeft, raster.ClipLeft() - offsetX);
    const double right = std::min(pixelRight, raster.ClipRight() - offsetX);
    if (!(right - left >= 1.0))
        return;
    // The pen puts a vertex into buffer column floor(x + offsetX). Where that is decimator
    // column k (counted from `left`) plus a whole number, whole columns go to it at once.
    const double base = left + offsetX;
    const bool aligned = base == std::floor(base);
    if (aligned && DenseDrawing{points, xMap, yMap, left, right, raster, argb, offsetX, offsetY, base}.Draw())
        return;
    LineRaster::Pen pen(raster, argb, offsetX, offsetY);
    if (aligned) {
        ColumnPen columns{pen, offsetX, base, raster.Width() - 0.001};
        Walk(points, xMap, yMap, left, right, columns);
    } else {
        Walk(points, xMap, yMap, left, right, pen);
    }
}

namespace {
// What the walk over X that never decreases emits, in values rather than pixels: which
// ops it makes depends on X and the X mapping alone, so the same ops replayed through
// another Y mapping draw what a new walk would. A recording also keeps where each column
// began, so that points appended since are taken in by walking again from the column the
// last point fell in only.
struct Recording {
    enum Kind : unsigned char { kBreak, kPoint, kColumn };
    struct Op {
        Kind kind;
        std::size_t index;                           // kPoint
        double col, centre, fx, fy, lx, ly, lo, hi;  // kColumn
    };
    struct Step {
        std::size_t op;   // the first op of the column
        double col;       // its column
        std::size_t idx;  // its first point
    };
    // What it was made for.
    std::uint64_t edition = 0;
    std::size_t size = 0;
    double p0 = 0, p1 = 0, r0 = 0, r1 = 0, left = 0, right = 0;
    bool valid = false;
    bool direct = false;  // every point of the view taken one by one
    std::size_t i0 = 0, i1 = 0;
    std::vector<Op> ops;
    std::vector<Step> steps;
    std::size_t tail = 0;  // ops from here on: the neighbour after the view

    bool Fits(const PointList& points, const ScaleMapping& x, double l, double r) const
    {
        return valid && edition == points.Edition() && size <= points.size() && p0 == x.p0 && p1 == x.p1 &&
               r0 == x.r0 && r1 == x.r1 && left == l && right == r;
    }
    // One break stands for a run of them (a gap of many points): the sinks take a second as
    // none, and a long gap would otherwise be held point by point.
    void Break()
    {
        if (ops.empty() || ops.back().kind != kBreak)
            ops.push_back({kBreak, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    }
    void Point(const PointList&, std::size_t i) { ops.push_back({kPoint, i, 0, 0, 0, 0, 0, 0, 0, 0}); }
    void Column(double col, double centre, double fx, double fy, double lx, double ly, double lo, double hi)
    {
        ops.push_back({kColumn, 0, col, centre, fx, fy, lx, ly, lo, hi});
    }
    template <class Em> void Replay(const PointList& points, Em& em) const
    {
        for (const Op& op : ops) {
            if (op.kind == kColumn)
                em.Column(op.col, op.centre, op.fx, op.fy, op.lx, op.ly, op.lo, op.hi);
            else if (op.kind == kPoint)
                em.Point(points, op.index);
            else
                em.Break();
        }
    }
};

// Brings `rec` up to the points' present state for the X mapping and columns given: kept
// when nothing was appended, extended from the last column when points were, made afresh
// otherwise.
void Record(const PointList& points, const ScaleMapping& xMap, double pixelLeft, double pixelRight,
            Recording& rec)
{
    const std::size_t n = points.size();
    const double width = pixelRight - pixelLeft;
    const bool fits = rec.Fits(points, xMap, pixelLeft, pixelRight);
    if (fits && rec.size == n)
        return;
    const bool extend = fits && !rec.direct;
    rec.valid = true;
    rec.edition = points.Edition();
    rec.size = n;
    rec.p0 = xMap.p0;
    rec.p1 = xMap.p1;
    rec.r0 = xMap.r0;
    rec.r1 = xMap.r1;
    rec.left = pixelLeft;
    rec.right = pixelRight;
    auto fresh = [&rec] {
        rec.ops.clear();
        rec.steps.clear();
        rec.direct = false;
        rec.tail = 0;
    };
    if (n == 0 || !(width >= 1.0) || xMap.Slope() == 0.0) {
        fresh();
        return;
    }
    // Columns are the pixel intervals [pixelLeft + k, pixelLeft + k + 1) of the mapped X.
    const double v0 = xMap.Value(pixelLeft), v1 = xMap.Value(pixelRight);
    const double xlo = std::min(v0, v1), xhi = std::max(v0, v1);
    if (!std::isfinite(xlo) || !std::isfinite(xhi)) {
        fresh();
        return;
    }
    const bool rising = xMap.Slope() > 0.0;
    const FastMap xFast(xMap);
    auto columnOf = [&](double x) { return std::floor(xFast.Pixel(x) - pixelLeft); };
    auto centreOf = [&](double col) { return pixelLeft + col + 0.5; };

    // Find the visible index range, one neighbour outside on each side so that the lines
    // leaving the plot are drawn too.
    const std::size_t i0 = points.LowerBoundX(xlo, 0, n, 0);
    std::size_t i1 = points.LowerBoundX(std::nextafter(xhi, HUGE_VAL), i0, n, n - 1);
    const std::size_t start = i0 > 0 ? i0 - 1 : 0;
    const std::size_t end = std::min(n, i1 + 1);

    if (i1 - i0 <= kDirect * static_cast<std::size_t>(width)) {
        fresh();
        rec.direct = true;
        rec.i0 = i0;
        rec.i1 = i1;
        for (std::size_t k = start; k < end; ++k)
            rec.Point(points, k);
        rec.tail = rec.ops.size();
        return;
    }

    // Evenly spaced X (sample numbers, times of a recording) gives each column's end
    // without reading X at all.
    double x0 = 0.0, dx = 0.0;
    const bool even = points.EvenX(x0, dx);
    auto xAt = [&](std::size_t i) { return even ? x0 + static_cast<double>(i) * dx : points.X(i); };
    const double spanX = xAt(i1 - 1) - xAt(i0);
    const double perX = even ? 1.0 / dx : spanX > 0 ? static_cast<double>(i1 - i0) / spanX : 0.0;
    const double perColumn = perX * std::fabs(xMap.Slope());
    // First index in [from, to) whose X is not below x.
    auto lowerBound = [&](double x, std::size_t from, std::size_t to) {
        if (!even) {
            const double guess = std::min(static_cast<double>(from) + perColumn, static_cast<double>(to));
            return points.LowerBoundX(x, from, to, static_cast<std::size_t>(guess));
        }
        // Worked out from x alone, so that one column need not wait for the one before.
        const double at = std::clamp((x - x0) * perX, static_cast<double>(from), static_cast<double>(to));
        std::size_t i = static_cast<std::size_t>(at);
        while (i > from && xAt(i - 1) >= x)
            --i;
        while (i < to && xAt(i) < x)
            ++i;
        return i;
    };
    const double step = rising ? 1.0 : -1.0;
    double col = columnOf(xAt(i0));
    std::size_t idx = i0, guard = 0;
    // The columns that ended before the last point of the recording keep their ops: the
    // points appended since lie in its last column or after it.
    std::size_t keep = 0;
    if (extend && rec.i0 == i0 && i1 >= rec.i1) {
        while (keep < rec.steps.size() &&
               (keep + 1 < rec.steps.size() ? rec.steps[keep + 1].idx : rec.i1) < rec.i1)
            ++keep;
    }
    if (keep > 0) {
        const Recording::Step& s = rec.steps[keep];
        col = s.col;
        idx = s.idx;
        guard = keep;
        rec.ops.resize(s.op);
        rec.steps.resize(keep);
    } else {
        fresh();
        if (start < i0)
            rec.Point(points, start);
    }
    rec.i0 = i0;
    rec.i1 = i1;
    // Columns ahead whose ends are fetched into the cache while this one is worked on.
    const auto ahead = static_cast<std::size_t>(std::min(8.0 * perColumn, static_cast<double>(i1 - i0)));
    for (; idx < i1; col += step, ++guard) {
        rec.steps.push_back({rec.ops.size(), col, idx});
        if (ahead >= 1)
            points.PrefetchEdge(idx + ahead, !even);
        // Past the plot every point is taken.
        const double boundary = ColumnEnd(xFast, pixelLeft, col, rising);
        std::size_t j = i1;
        if (guard <= static_cast<std::size_t>(width) + 2) {
            j = lowerBound(boundary, idx, i1);
            // A point belongs to the column it is drawn in. Found from X alone, the end can
            // be a sample off where a column edge falls on a sample and the mapping rounds.
            while (j > idx && columnOf(xAt(j - 1)) != col)
                --j;
            while (j < i1 && columnOf(xAt(j)) == col)
                ++j;
        }
        while (idx < j && !std::isfinite(points.Y(idx))) {
            rec.Break();
            ++idx;
        }
        if (j - idx <= kDirect) {
            for (std::size_t k = idx; k < j; ++k)
                rec.Point(points, k);
        } else {
            double lo, hi;
            points.MinMaxY(idx, j, lo, hi);
            rec.Column(col, centreOf(col), xAt(idx), points.Y(idx), xAt(j - 1), points.Y(j - 1), lo, hi);
        }
        idx = j;
    }
    rec.tail = rec.ops.size();
    if (end > i1)
        rec.Point(points, end - 1);
}

// Recordings of the curves drawn lately, one per curve, mapping and column range (the
// strips of one picture each have their own). A drawing takes its recording out while it
// works on it, so that threads drawing at once never share one.
class Recordings {
public:
    std::unique_ptr<Recording> Take(const PointList& points, const ScaleMapping& xMap, double left,
                                    double right)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto it = m_held.begin(); it != m_held.end(); ++it)
            if ((*it)->Fits(points, xMap, left, right)) {
                std::unique_ptr<Recording> r = std::move(*it);
                m_held.erase(it);
                return r;
            }
        return std::make_unique<Recording>();
    }
    void Give(std::unique_ptr<Recording> r)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_held.insert(m_held.begin(), std::move(r));  // most recent first
        if (m_held.size() > kHeld)
            m_held.pop_back();
    }

private:
    static constexpr std::size_t kHeld = 48;
    std::mutex m_mutex;
    std::vector<std::unique_ptr<Recording>> m_held;
};

Recordings& Kept()
{
    static auto* kept = new Recordings;  // never destroyed: drawings may run until exit
    return *kept;
}

// Shorter curves are walked afresh: keeping them would cost more than it saves.
constexpr std::size_t kWorthKeeping = 20000;
constexpr double kNarrow = 32.0;  // columns

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
                em.Column(col, centreOf(col), fx, fy, points.X(j - 1), points.Y(j - 1), lo, hi);
            }
            i = j;
        }
        return;
    }

    // Narrow windows (the columns of appended points) are cheap to walk and would only push
    // the recordings of whole pictures out.
    if (points.size() < kWorthKeeping || pixelRight - pixelLeft < kNarrow) {
        thread_local Recording scratch;  // its memory, and the last drawing of this thread
        Record(points, xMap, pixelLeft, pixelRight, scratch);
        scratch.Replay(points, em);
        return;
    }
    Recordings& kept = Kept();
    std::unique_ptr<Recording> rec = kept.Take(points, xMap, pixelLeft, pixelRight);
    Record(points, xMap, pixelLeft, pixelRight, *rec);
    rec->Replay(points, em);
    kept.Give(std::move(rec));
}

}  // namespace

}  // namespace qor::graph
