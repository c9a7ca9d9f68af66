#include "graph/decimator.h"
#include "graph/line_raster.h"
#include "graph/point_list.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

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
            const std::size_t want =
                x <= 0 ? 0 : std::min<std::size_t>(1000, static_cast<std::size_t>(std::ceil(x)) * 3);
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

// The decimated vertex list lights, column by column, what all points would: a single-sample
// spike survives, and a curve going back and forth in X (nothing to bisect) merges its runs.
TEST(Decimator, DecimatedPictureMatchesAllPointsColumnByColumn)
{
    const int w = 400, h = 300;
    std::mt19937 rng(3);
    std::normal_distribution<double> noise(0, 5);
    PointList dense, sweep;
    for (int i = 0; i < 200000; ++i)
        dense.Insert({double(i),
                      i == 123457 ? 140
                      : i == 4000 ? -140
                                  : 50 * std::sin(i * 0.0005) + noise(rng),
                      0, 0});
    for (int i = 0; i < 40000; ++i) {
        const double phase = (i % 10000) / 10000.0;
        sweep.Insert({phase < 0.5 ? phase * 2 : 2 - phase * 2,
                      50 * std::sin(i * 0.01) + (i % 10000 < 5000 ? 50 : -50), 0, 0});
    }
    const struct {
        const char* name;
        const PointList* points;
        double xFrom, xTo;
    } cases[] = {{"whole", &dense, 0, 199999},
                 {"zoomed", &dense, 100000, 140000},
                 {"past the end", &dense, 150000, 260000},
                 {"sparse", &dense, 1000, 1300},
                 {"back and forth", &sweep, 0, 1}};
    for (const auto& c : cases) {
        const ScaleMapping xm(0, w, c.xFrom, c.xTo), ym(h, 0, -150, 150);
        std::vector<PixelPoint> dec, all;
        Decimator::Build(*c.points, xm, ym, 0, w, dec);
        Decimator::BuildAll(*c.points, xm, ym, all);
        // Four vertices per column and run; the sweep crosses every column eight times.
        EXPECT_LE(dec.size(), static_cast<std::size_t>((c.points == &dense ? 4 : 32) * w + 8)) << c.name;
        const auto a = Columns(Draw(dec, w, h), w, h), b = Columns(Draw(all, w, h), w, h);
        for (std::size_t x = 0; x < a.size(); ++x) {
            ASSERT_EQ(a[x].top < 0, b[x].top < 0) << c.name << " column " << x;
            EXPECT_NEAR(a[x].top, b[x].top, 1) << c.name << " column " << x;
            EXPECT_NEAR(a[x].bottom, b[x].bottom, 1) << c.name << " column " << x;
        }
        if (c.points == &dense && c.xFrom == 0) {
            EXPECT_LE(a[123457 * w / 200000].top, 10) << "the spike up";
            EXPECT_GE(a[4000 * w / 200000].bottom, h - 11) << "the spike down";
        }
    }
}
