#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "graph/decimator.h"
#include "graph/line_raster.h"
#include "graph/point_list.h"

using namespace qor::graph;

TEST(PointList, SortedInsertGoesBeforeFirstLargerX)
{
    PointList l(true);
    for (double x : {2.0, 5.0, 7.0})
        l.Insert({x, x, 0, 0});
    EXPECT_EQ(l.Insert({-1.0, 0, 0, 0}), 0) << "smaller than all: at the front";
    EXPECT_EQ(l.Insert({5.0, 1, 0, 0}), 3) << "equal X goes after the equal ones";
    EXPECT_EQ(l.Insert({9.0, 1, 0, 0}), 5);
    for (std::size_t i = 1; i < l.size(); ++i)
        EXPECT_LE(l[i - 1].x, l[i].x);
    EXPECT_TRUE(l.MonotonicX());
    PointList u;
    u.Insert({3, 0, 0, 0});
    EXPECT_EQ(u.Insert({1, 0, 0, 0}), 1) << "unsorted list appends";
    EXPECT_FALSE(u.MonotonicX());
    EXPECT_EQ(u.Insert({0, 0, 0, 0}, -2), -1);
}

TEST(PointList, BoundingBoxKeptAndRecomputed)
{
    PointList l;
    l.Insert({1, 10, 0, 0});
    l.Insert({-4, 3, 0, 0});
    l.Insert({2, NAN, 0, 0});
    BoundingBox b = l.Bounds();
    EXPECT_EQ(b.xMin, -4);
    EXPECT_EQ(b.xMax, 1) << "a NaN point does not count";
    EXPECT_EQ(b.yMax, 10);
    l.Remove(0);
    b = l.Bounds();
    EXPECT_EQ(b.yMax, 3);
    EXPECT_EQ(b.xMax, -4);
    l.Change(0, {8, -2, 0, 0});
    EXPECT_EQ(l.Bounds().xMin, 8);
    EXPECT_EQ(l.Bounds().yMin, -2);
}

TEST(PointList, MinMaxMatchesScanAfterEdits)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> v(-1000, 1000);
    PointList l;
    for (int i = 0; i < 5000; ++i)
        l.Insert({double(i), v(rng), 0, 0});
    auto check = [&](const char* what) {
        std::uniform_int_distribution<std::size_t> pick(0, l.size());
        for (int k = 0; k < 300; ++k) {
            std::size_t a = pick(rng), b = pick(rng);
            if (a > b)
                std::swap(a, b);
            double lo = INFINITY, hi = -INFINITY;
            for (std::size_t i = a; i < b; ++i)
                lo = std::min(lo, l[i].y), hi = std::max(hi, l[i].y);
            double mlo, mhi;
            EXPECT_EQ(l.MinMaxY(a, b, mlo, mhi), a < b) << what;
            if (a < b) {
                ASSERT_EQ(mlo, lo) << what << " [" << a << "," << b << ")";
                ASSERT_EQ(mhi, hi) << what;
            }
        }
    };
    check("appended");
    l.Change(1234, {1234, 5000, 0, 0});
    l.Remove(10);
    l.Insert({3, -7000, 0, 0}, 3);
    check("edited");
    for (int i = 0; i < 700; ++i)
        l.Insert({5000.0 + i, v(rng), 0, 0});
    check("appended after edits");
}

TEST(PointList, PointsAcrossChunksSurviveEdits)
{
    // Three chunks and a bit; edits shift points over chunk edges and release the last one.
    PointList l;
    const std::size_t n = 3 * PointList::kChunk + 10;
    for (std::size_t i = 0; i < n; ++i)
        l.Insert({double(i), double(i % 1000), 0, 0});
    l.Insert({-1, -5, 0, 0}, 0);
    EXPECT_EQ(l[PointList::kChunk].x, double(PointList::kChunk - 1)) << "shifted over the edge";
    for (int k = 0; k < 12; ++k)
        l.Remove(static_cast<int>(PointList::kChunk));
    ASSERT_EQ(l.size(), n - 11);
    EXPECT_EQ(l[PointList::kChunk].x, double(PointList::kChunk + 11));
    EXPECT_EQ(l[l.size() - 1].x, double(n - 1));
    EXPECT_EQ(l.MemoryBytes() / (PointList::kChunk * sizeof(GraphPoint)), 3u) << "last chunk released";
    for (std::size_t i : {std::size_t{0}, PointList::kChunk, l.size() - 1, l.size(), l.size() + 1000})
        l.PrefetchEdge(i);  // anywhere, even past the end
    double lo, hi;
    ASSERT_TRUE(l.MinMaxY(PointList::kChunk - 3, 2 * PointList::kChunk + 5, lo, hi));
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 999);
    ASSERT_TRUE(l.MinMaxY(0, 2, lo, hi));
    EXPECT_EQ(lo, -5);
    EXPECT_EQ(hi, 0);
}

TEST(PointList, LowerBoundWithAnyHint)
{
    PointList l;
    for (int i = 0; i < 1000; ++i)
        l.Insert({double(i / 3), 0, 0, 0});  // runs of equal X
    for (double x : {-1.0, 0.0, 0.5, 100.0, 332.9, 333.0, 400.0})
        for (std::size_t hint : {0ul, 17ul, 500ul, 999ul}) {
            const std::size_t want = x <= 0 ? 0 : std::min<std::size_t>(1000, static_cast<std::size_t>(std::ceil(x)) * 3);
            EXPECT_EQ(l.LowerBoundX(x, 0, l.size(), hint), want) << x << " hint " << hint;
        }
}

namespace {
// Top and bottom lit row of every column; -1 when empty.
struct Extent {
    int top = -1, bottom = -1;
};

std::vector<Extent> Columns(const std::vector<std::uint32_t>& img, int w, int h)
{
    std::vector<Extent> cols(static_cast<std::size_t>(w));
    for (int x = 0; x < w; ++x)
        for (int y = 0; y < h; ++y)
            if (img[static_cast<std::size_t>(y * w + x)]) {
                if (cols[static_cast<std::size_t>(x)].top < 0)
                    cols[static_cast<std::size_t>(x)].top = y;
                cols[static_cast<std::size_t>(x)].bottom = y;
            }
    return cols;
}

std::vector<std::uint32_t> Draw(const std::vector<PixelPoint>& pts, int w, int h)
{
    std::vector<std::uint32_t> img(static_cast<std::size_t>(w * h), 0);
    LineRaster r(img.data(), w, h, static_cast<std::size_t>(w) * 4);
    r.Polyline(pts.data(), pts.size(), 0xff000000u);
    return img;
}
}  // namespace

TEST(Decimator, DecimatedPictureMatchesNaiveColumnByColumn)
{
    const int w = 400, h = 300;
    std::mt19937 rng(3);
    std::normal_distribution<double> noise(0, 5);
    struct Case {
        const char* name;
        double xFrom, xTo;
    };
    PointList l;
    const int n = 200000;
    for (int i = 0; i < n; ++i) {
        double y = 50 * std::sin(i * 0.0005) + noise(rng);
        if (i == 123457)
            y = 140;  // a single spike must survive
        if (i == 4000)
            y = -140;
        l.Insert({double(i), y, 0, 0});
    }
    for (const Case& c : {Case{"whole", 0, n - 1}, Case{"zoomed", 100000, 140000}, Case{"panned past end", 150000, 260000},
                          Case{"sparse", 1000, 1300}}) {
        const ScaleMapping xm(0, w, c.xFrom, c.xTo), ym(h, 0, -150, 150);
        std::vector<PixelPoint> dec, all;
        Decimator::Build(l, xm, ym, 0, w, dec);
        Decimator::BuildAll(l, xm, ym, all);
        EXPECT_LE(dec.size(), static_cast<std::size_t>(4 * w + 8)) << c.name;
        const auto a = Columns(Draw(dec, w, h), w, h), b = Columns(Draw(all, w, h), w, h);
        for (int x = 0; x < w; ++x) {
            const auto& da = a[static_cast<std::size_t>(x)];
            const auto& nb = b[static_cast<std::size_t>(x)];
            ASSERT_EQ(da.top < 0, nb.top < 0) << c.name << " column " << x;
            EXPECT_NEAR(da.top, nb.top, 1) << c.name << " column " << x;
            EXPECT_NEAR(da.bottom, nb.bottom, 1) << c.name << " column " << x;
        }
    }
    // The spikes reach the plot's top and bottom rows in the whole view.
    std::vector<PixelPoint> dec;
    Decimator::Build(l, ScaleMapping(0, w, 0, n - 1), ScaleMapping(h, 0, -150, 150), 0, w, dec);
    const auto cols = Columns(Draw(dec, w, h), w, h);
    int top = h, bottom = 0;
    for (const auto& c : cols)
        top = std::min(top, c.top), bottom = std::max(bottom, c.bottom);
    EXPECT_LE(top, 10);
    EXPECT_GE(bottom, h - 11);
}

TEST(Decimator, UnsortedCurveMergesRunsPerColumn)
{
    // A cyclic sweep goes back and forth in X: no bisection possible.
    const int w = 200, h = 200;
    PointList l;
    for (int i = 0; i < 40000; ++i) {
        const double phase = (i % 10000) / 10000.0;
        const double x = phase < 0.5 ? phase * 2 : 2 - phase * 2;
        l.Insert({x, std::sin(i * 0.01) + (i % 10000 < 5000 ? 1 : -1), 0, 0});
    }
    ASSERT_FALSE(l.MonotonicX());
    const ScaleMapping xm(0, w, 0, 1), ym(h, 0, -3, 3);
    std::vector<PixelPoint> dec, all;
    Decimator::Build(l, xm, ym, 0, w, dec);
    Decimator::BuildAll(l, xm, ym, all);
    EXPECT_LT(dec.size(), all.size() / 4);
    const auto a = Columns(Draw(dec, w, h), w, h), b = Columns(Draw(all, w, h), w, h);
    for (int x = 0; x < w; ++x) {
        EXPECT_NEAR(a[static_cast<std::size_t>(x)].top, b[static_cast<std::size_t>(x)].top, 1) << x;
        EXPECT_NEAR(a[static_cast<std::size_t>(x)].bottom, b[static_cast<std::size_t>(x)].bottom, 1) << x;
    }
}

TEST(LineRaster, ClipsAndDrawsWithinBuffer)
{
    const int w = 10, h = 8;
    std::vector<std::uint32_t> img(static_cast<std::size_t>(w * h), 0);
    LineRaster r(img.data(), w, h, w * 4);
    r.Line(-100, 3.5, 100, 3.5, 1);  // horizontal across, clipped both ends
    r.Line(4.5, -1e6, 4.5, 1e6, 2);  // vertical, far outside
    r.Line(20, 20, 30, 30, 3);       // entirely outside
    r.Line(0, 0, NAN, 3, 4);
    int ones = 0, twos = 0;
    for (auto p : img)
        ones += p == 1, twos += p == 2;
    EXPECT_EQ(ones, w - 1);  // the vertical line overdraws one pixel
    EXPECT_EQ(twos, h);
    EXPECT_EQ(img[static_cast<std::size_t>(3 * w + 4)], 2u);
    EXPECT_EQ(img[static_cast<std::size_t>(7 * w + 9)], 0u);
}
