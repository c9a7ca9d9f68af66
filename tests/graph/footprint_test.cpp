#include "graph/decimator.h"
#include "graph/footprint.h"
#include "graph/line_raster.h"
#include "graph/point_list.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <vector>

using namespace qor::graph;

namespace {
constexpr int kW = 320, kH = 200;
constexpr std::uint32_t kInk = 0xff000000u, kPaper = 0xffffffffu;
using Image = std::vector<std::uint32_t>;

// Polarisation sweeps going back and forth: the current follows the potential with noise,
// and some samples are missing.
void Sweep(PointList& l, std::size_t n, std::mt19937& rng, double reach = 1.0)
{
    std::normal_distribution<double> noise(0.0, 0.01);
    for (std::size_t i = l.size(), end = l.size() + n; i < end; ++i) {
        const double phase = static_cast<double>(i % 4000) / 4000.0;
        const double e = reach * (phase < 0.5 ? -1.0 + 4.0 * phase : 3.0 - 4.0 * phase);
        const double current = std::sinh(3.0 * e) + noise(rng);
        l.Insert({current, i % 7919 == 0 ? std::numeric_limits<double>::quiet_NaN() : e, 0, 0});
    }
}

struct Picture {
    Image img = Image(static_cast<std::size_t>(kW * kH), kPaper);
    LineRaster raster{img.data(), kW, kH, kW * 4};
};

Image Exact(const PointList& l, const ScaleMapping& xm, const ScaleMapping& ym)
{
    Picture p;
    Decimator::Draw(l, xm, ym, -0.5, kW - 0.5, p.raster, kInk, 0.5, 0.5);
    return p.img;
}

// Every pixel lit in `a` has one lit in `b` at most a pixel away.
testing::AssertionResult Near(const Image& a, const Image& b)
{
    int lit = 0;
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            if (a[static_cast<std::size_t>(y * kW + x)] == kPaper)
                continue;
            ++lit;
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy)
                for (int dx = -1; dx <= 1 && !found; ++dx) {
                    const int u = x + dx, v = y + dy;
                    found = u >= 0 && v >= 0 && u < kW && v < kH &&
                            b[static_cast<std::size_t>(v * kW + u)] != kPaper;
                }
            if (!found)
                return testing::AssertionFailure()
                       << "column " << x << " row " << y << " has nothing near it";
        }
    if (lit == 0)
        return testing::AssertionFailure() << "nothing drawn";
    return testing::AssertionSuccess();
}

testing::AssertionResult Alike(const Image& kept, const Image& exact)
{
    if (auto r = Near(kept, exact); !r)
        return r << " (kept against exact)";
    if (auto r = Near(exact, kept); !r)
        return r << " (exact against kept)";
    return testing::AssertionSuccess();
}
}  // namespace

// As a run window draws its current-potential graph: each batch of samples widens the ranges
// to the running extremes. The coarser grids come from the finer ones, the new samples are
// added to them, and the picture stays that of the exact drawing; edits and a cleared list
// are noticed.
TEST(Footprint, FollowsGrowingRangesEditsAndClearing)
{
    std::mt19937 rng(8);
    PointList l;
    Sweep(l, 30000, rng, 0.3);
    Footprint fp;
    auto check = [&](const char* what) {
        const BoundingBox& b = l.Bounds();
        const ScaleMapping xm(0, kW - 1, b.xMin, b.xMax), ym(kH - 1, 0, b.yMin, b.yMax);
        Picture p;
        ASSERT_TRUE(fp.Draw(l, xm, ym, p.raster, kInk, 0.5, 0.5)) << what;
        EXPECT_TRUE(Alike(p.img, Exact(l, xm, ym))) << what;
        EXPECT_LE(fp.Levels(), 2u) << what;
    };
    check("first");
    for (int batch = 1; batch <= 12; ++batch) {
        Sweep(l, 1000, rng, 0.3 + 0.06 * batch);  // sweeps reaching further each time
        check("batch");
    }
    // A sample far beyond the others: the fine grid is not stretched over it, a coarse one
    // is made instead.
    l.Insert({l.Bounds().xMax * 5000.0, 0.2, 0, 0});
    check("a sample far out");
    EXPECT_LT(fp.MemoryBytes(), std::size_t{2} << 20);
    // A point moved far out: the list's edition changes and everything is taken afresh.
    l.Change(100, {l.Bounds().xMax * 1.5, 0.0, 0, 0});
    check("a point changed");
    l.Clear();
    Sweep(l, 25000, rng, 0.5);
    check("cleared and filled again");
}

// The kept cells light what the exact drawing lights, to within a pixel, whichever way the
// axes run and wherever the curve sits in the plot. Where the grid would not serve it says so,
// and the exact drawing is used: short curves, a view zoomed far into the curve, a flat mapping.
TEST(Footprint, DrawsWhatTheExactDrawingDrawsOrStepsAside)
{
    std::mt19937 rng(1);
    PointList shortList, l;
    Sweep(shortList, Footprint::kMinPoints - 1, rng);
    Sweep(l, 40000, rng);
    const ScaleMapping xm(0, kW - 1, -10.5, 10.5), ym(kH - 1, 0, -1.05, 1.05);
    Footprint fp;
    Picture p;
    EXPECT_FALSE(fp.Draw(shortList, xm, ym, p.raster, kInk, 0.5, 0.5));
    EXPECT_FALSE(fp.Draw(l, ScaleMapping(0, kW - 1, -0.5, 0.5), ym, p.raster, kInk, 0.5, 0.5)) << "zoomed";
    EXPECT_FALSE(fp.Draw(l, ScaleMapping(0, kW - 1, 1.0, 1.0), ym, p.raster, kInk, 0.5, 0.5)) << "flat";
    EXPECT_EQ(p.img, Image(static_cast<std::size_t>(kW * kH), kPaper));

    const struct {
        const char* name;
        ScaleMapping xm, ym;
    } views[] = {
        {"fitted", xm, ym},
        {"X falling", {kW - 1, 0, -10.5, 10.5}, ym},
        {"Y rising", xm, {0, kH - 1, -1.05, 1.05}},
        {"partly off the plot", {0, kW - 1, -4.0, 13.0}, {kH - 1, 0, -0.5, 1.2}},
        {"small in the plot", {0, kW - 1, -60.0, 45.0}, {kH - 1, 0, -3.0, 7.0}},
    };
    for (const auto& v : views) {
        Footprint each;
        Picture p;
        ASSERT_TRUE(each.Draw(l, v.xm, v.ym, p.raster, kInk, 0.5, 0.5)) << v.name;
        EXPECT_TRUE(Alike(p.img, Exact(l, v.xm, v.ym))) << v.name;
    }
    Picture whole;
    ASSERT_TRUE(fp.Draw(l, xm, ym, whole.raster, kInk, 0.5, 0.5));
    // Split anywhere (the tiles of cells across a split are drawn cell by cell, the others a
    // row at a time), the windows make up the whole picture and write nothing outside.
    for (int m = 1; m < kW; m += 7) {
        Picture split;
        for (const auto& [left, right] : {std::pair{0, m}, std::pair{m, kW}}) {
            Picture w;
            w.raster.SetColumnWindow(left, right);
            ASSERT_TRUE(fp.Draw(l, xm, ym, w.raster, kInk, 0.5, 0.5));
            for (int y = 0; y < kH; ++y)
                for (int x = 0; x < kW; ++x) {
                    const std::size_t i = static_cast<std::size_t>(y * kW + x);
                    if (w.img[i] == kPaper)
                        continue;
                    ASSERT_TRUE(x >= left && x < right)
                        << "column " << x << " outside [" << left << ", " << right << ")";
                    split.img[i] = w.img[i];
                }
        }
        ASSERT_EQ(split.img, whole.img) << "split at " << m;
    }
}
