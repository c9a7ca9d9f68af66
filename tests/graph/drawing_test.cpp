#include "graph/decimator.h"
#include "graph/line_raster.h"
#include "graph/point_list.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using namespace qor::graph;

namespace {
constexpr int kW = 300, kH = 200;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

using Image = std::vector<std::uint32_t>;

testing::AssertionResult SamePicture(const Image& a, const Image& b, int w)
{
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            return testing::AssertionFailure()
                   << "first difference at column " << i % static_cast<std::size_t>(w) << " row "
                   << i / static_cast<std::size_t>(w) << ": " << std::hex << a[i] << " vs " << b[i];
    return testing::AssertionSuccess();
}

double Noisy(std::mt19937& rng, std::size_t i)
{
    if (i == 4000 || i == 4001)
        return -140;  // a spike of two points
    if (i == 123457)
        return 140;
    return 50 * std::sin(static_cast<double>(i) * 0.0005) + std::normal_distribution<double>(0, 5)(rng);
}

// The curves drawn below: built once, they are large.
struct Curves {
    PointList dense, holes, times, squares, jitter, sparse, sweep, chunks;
    Curves()
    {
        std::mt19937 rng(11);
        std::uniform_real_distribution<double> jit(-0.3, 0.3);
        const std::size_t n = 200000;
        for (std::size_t i = 0; i < n; ++i) {
            const double x = static_cast<double>(i), y = Noisy(rng, i);
            dense.Insert({x, y, 0, 0});
            const bool hole = i == 0 || i % 9973 == 0 || (i >= 50000 && i < 50040) || i == n - 1;
            holes.Insert({x, hole ? kNaN : y, 0, 0});
            times.Insert({1.7e9 + x, y, 0, 0});
            if (i < 2 * PointList::kChunk)  // ends where a chunk of the list ends
                chunks.Insert({x, y, 0, 0});
            if (i < 100000) {
                squares.Insert({x * x * 1e-3, y, 0, 0});
                jitter.Insert({x + jit(rng), y, 0, 0});
            }
            if (i < 120)
                sparse.Insert({x * 10.0, y, 0, 0});
            if (i < 20000) {
                // Back and forth in X: nothing to bisect.
                const double phase = static_cast<double>(i % 5000) / 5000.0;
                sweep.Insert({phase < 0.5 ? phase * 2 : 2 - phase * 2, 60 * std::sin(x * 0.01), 0, 0});
            }
        }
        // NaN at the first points of some columns of the whole view (0 .. n-1 over kW pixels).
        for (int k = 100; k < 105; ++k) {
            const auto i = static_cast<std::size_t>(std::ceil(k * (n - 1.0) / kW));
            holes.Change(static_cast<int>(i), {static_cast<double>(i), kNaN, 0, 0});
        }
    }
};
const Curves& TheCurves()
{
    static const Curves c;
    return c;
}

// How the panel lays a plot onto the buffer: pixel centres (vertices rounded) or pixel edges.
// The plot covers the buffer columns from pixelLeft + offsetX to the right end; the X range
// maps onto the pixels [p0, p1].
struct Geometry {
    const char* name;
    double pixelLeft, offsetX, offsetY, p0, p1;
};
constexpr Geometry kCentred{"centred", -0.5, 0.5, 0.5, 0, kW - 1};
constexpr Geometry kEdges{"edges", 0.0, 0.0, 0.0, 0, kW};
constexpr Geometry kShifted{"shifted", 0.0, 3.0, 2.0, 1, kW - 4};

struct View {
    const char* name;
    const PointList* points;
    double xFrom, xTo, yLo, yHi;
    bool falling = false;
};

struct Plot {
    ScaleMapping xm, ym;
    double left, right;
};
Plot Lay(const View& v, const Geometry& g)
{
    const ScaleMapping xm =
        v.falling ? ScaleMapping(g.p1, g.p0, v.xFrom, v.xTo) : ScaleMapping(g.p0, g.p1, v.xFrom, v.xTo);
    return {xm, ScaleMapping(kH, 0, v.yLo, v.yHi), g.pixelLeft, kW - g.offsetX};
}

Image DrawFast(const std::vector<View>& views, const Geometry& g,
               const std::vector<std::pair<int, int>>& windows)
{
    Image img(static_cast<std::size_t>(kW * kH), 0);
    LineRaster r(img.data(), kW, kH, kW * 4);
    for (const auto& [left, right] : windows) {
        r.SetColumnWindow(left, right);
        std::uint32_t colour = 0xff000001;
        for (const View& v : views) {
            const Plot p = Lay(v, g);
            Decimator::Draw(*v.points, p.xm, p.ym, p.left, p.right, r, colour++, g.offsetX, g.offsetY);
        }
    }
    return img;
}

Image DrawVertices(const std::vector<View>& views, const Geometry& g,
                   const std::vector<std::pair<int, int>>& windows)
{
    Image img(static_cast<std::size_t>(kW * kH), 0);
    LineRaster r(img.data(), kW, kH, kW * 4);
    std::vector<PixelPoint> vertices;
    for (const auto& [left, right] : windows) {
        r.SetColumnWindow(left, right);
        std::uint32_t colour = 0xff000001;
        for (const View& v : views) {
            const Plot p = Lay(v, g);
            Decimator::Build(*v.points, p.xm, p.ym, p.left, p.right, vertices);
            r.Polyline(vertices.data(), vertices.size(), colour++, g.offsetX, g.offsetY);
        }
    }
    return img;
}

const std::vector<std::pair<int, int>> kWhole{{0, kW}};
}  // namespace

TEST(DrawingDecimator, DirectDrawingLightsTheVertexListsPixels)
{
    const Curves& c = TheCurves();
    const double n = 200000;
    const std::vector<View> views{
        {"dense whole", &c.dense, 0, n - 1, -150, 150},
        {"dense zoomed", &c.dense, 100000, 140000, -150, 150},
        {"dense panned past the end", &c.dense, 150000, 260000, -150, 150},
        {"dense before the start", &c.dense, -50000, 30000, -150, 150},
        {"dense right edge on a sample", &c.dense, 60000, 120000, -150, 150},
        {"dense, samples on column edges", &c.dense, 0, 117208, -150, 150},
        {"dense falling X", &c.dense, 0, n - 1, -150, 150, true},
        {"dense partly off the plot", &c.dense, 0, n - 1, -60, 60},
        {"dense zoomed to few points per column", &c.dense, 100000, 100900, -150, 150},
        {"ending where a chunk ends", &c.chunks, 0, 2.0 * PointList::kChunk - 1, -150, 150},
        {"across the end of a chunk", &c.chunks, 60000, 70000, -150, 150},
        {"NaN runs and column starts", &c.holes, 0, n - 1, -150, 150},
        {"NaN zoomed", &c.holes, 45000, 60000, -150, 150},
        {"times of a recording", &c.times, 1.7e9, 1.7e9 + n - 1, -150, 150},
        {"X growing as i*i", &c.squares, 0, 1e7, -150, 150},
        {"jittered X", &c.jitter, 0, 100000, -150, 150},
        {"jittered X falling", &c.jitter, 20000.5, 90000, -150, 150, true},
        {"sparse", &c.sparse, 0, 1190, -150, 150},
        {"back and forth", &c.sweep, 0, 1, -80, 80},
    };
    for (const Geometry& g : {kCentred, kEdges, kShifted})
        for (const View& v : views)
            EXPECT_TRUE(SamePicture(DrawFast({v}, g, kWhole), DrawVertices({v}, g, kWhole), kW))
                << v.name << ", " << g.name;
}

TEST(DrawingDecimator, PictureDrawnWindowByWindowJoinsWithoutSeam)
{
    const Curves& c = TheCurves();
    // Later curves cover earlier ones where they cross.
    const std::vector<std::vector<View>> scenes{
        {{"dense", &c.dense, 0, 199999, -150, 150},
         {"holes off the plot", &c.holes, 20000, 180000, -60, 60},
         {"sparse", &c.sparse, 0, 1190, -150, 150}},
        {{"jitter", &c.jitter, 10000, 80000, -150, 150},
         {"times falling", &c.times, 1.7e9, 1.7e9 + 149999, -150, 150, true},
         {"squares", &c.squares, 0, 2e6, -100, 100}},
    };
    std::vector<std::vector<std::pair<int, int>>> splits;
    for (int m : {1, 37, 150, 151, 298, 299})
        splits.push_back({{0, m}, {m, kW}});
    std::vector<std::pair<int, int>> strips;
    for (int s = 0; s < 8; ++s)
        strips.emplace_back(kW * s / 8, kW * (s + 1) / 8);
    splits.push_back(strips);
    splits.push_back({{200, kW}, {0, 1}, {1, 200}});  // out of order, a one-column window
    for (const Geometry& g : {kCentred, kEdges})
        for (std::size_t s = 0; s < scenes.size(); ++s) {
            const Image fast = DrawFast(scenes[s], g, kWhole), vertices = DrawVertices(scenes[s], g, kWhole);
            for (const auto& windows : splits) {
                std::ostringstream name;
                for (const auto& [l, r] : windows)
                    name << '[' << l << ',' << r << ')';
                EXPECT_TRUE(SamePicture(DrawFast(scenes[s], g, windows), fast, kW))
                    << "direct, scene " << s << ", " << g.name << ", windows " << name.str();
                EXPECT_TRUE(SamePicture(DrawVertices(scenes[s], g, windows), vertices, kW))
                    << "vertices, scene " << s << ", " << g.name << ", windows " << name.str();
            }
        }
}

// Falling X at 500 samples per pixel: a sample maps exactly onto the edge of every column.
TEST(DrawingDecimator, WindowEdgeOnASampleWithFallingX)
{
    const View v{"dense falling", &TheCurves().dense, 0, 150000, -150, 150, true};
    const Image whole = DrawFast({v}, kEdges, kWhole);
    EXPECT_TRUE(SamePicture(whole, DrawVertices({v}, kEdges, kWhole), kW));
    for (int m = 1; m < kW; ++m)
        EXPECT_TRUE(SamePicture(DrawFast({v}, kEdges, {{0, m}, {m, kW}}), whole, kW)) << "split at " << m;
}

// A column's first and last point are those drawn in it, also where a sample lies on the
// column's edge and the mapping rounds it to either side (392 samples per pixel, edges
// between pixel centres on whole samples).
TEST(DrawingDecimator, ColumnsHoldThePointsDrawnInThem)
{
    for (const bool falling : {false, true}) {
        const View v{"edges on samples", &TheCurves().dense, 0, 117208, -150, 150, falling};
        const Plot p = Lay(v, kCentred);
        std::vector<PixelPoint> vertices;
        Decimator::Build(*v.points, p.xm, p.ym, p.left, p.right, vertices);
        ASSERT_GT(vertices.size(), 4u * 290);
        int columns = 0;
        // Each column: first point, minimum and maximum at the centre, last point.
        for (std::size_t i = 1; i + 2 < vertices.size(); ++i) {
            if (vertices[i].x != vertices[i + 1].x || vertices[i].x != std::floor(vertices[i].x))
                continue;  // not the two extremes of a column at its centre
            const double column = std::floor(vertices[i].x - p.left);
            EXPECT_EQ(std::floor(vertices[i - 1].x - p.left), column) << "first point, column " << column;
            EXPECT_EQ(std::floor(vertices[i + 2].x - p.left), column) << "last point, column " << column;
            ++columns;
            i += 2;
        }
        EXPECT_GE(columns, kW - 2) << (falling ? "falling" : "rising");
        EXPECT_TRUE(SamePicture(DrawFast({v}, kCentred, kWhole), DrawVertices({v}, kCentred, kWhole), kW));
    }
}

// Falling X: the first point of the rightmost column lies within a thousandth of a pixel of
// the buffer's right edge.
TEST(DrawingDecimator, RightmostColumnStartingAtTheVeryEdge)
{
    PointList l;
    for (int i = 0; i < 100000; ++i)  // not evenly spaced, so the column walk draws it
        l.Insert({i + (i % 2) * 1e-7, 100 * std::sin(i * 0.7), 0, 0});
    const ScaleMapping xm(kW, 0, 19999.99, 89999.99), ym(kH, 0, -150, 150);
    ASSERT_GT(xm.Pixel(l.X(20000)), kW - 0.001);
    ASSERT_LT(xm.Pixel(l.X(20000)), kW);
    Image direct(static_cast<std::size_t>(kW * kH), 0), vertices = direct;
    LineRaster rd(direct.data(), kW, kH, kW * 4), rv(vertices.data(), kW, kH, kW * 4);
    Decimator::Draw(l, xm, ym, 0, kW, rd, 1, 0, 0);
    std::vector<PixelPoint> v;
    Decimator::Build(l, xm, ym, 0, kW, v);
    rv.Polyline(v.data(), v.size(), 1, 0, 0);
    EXPECT_TRUE(SamePicture(direct, vertices, kW));
}

TEST(DrawingPointList, EvenXFollowsAppendsAndEdits)
{
    struct Case {
        const char* name;
        std::vector<double> x;
        bool even;
        double x0, dx;
    };
    std::vector<double> times, accumulated;
    double sum = 0;
    for (int i = 0; i < 1000; ++i) {
        times.push_back(1.7e9 + i);
        accumulated.push_back(sum);
        sum += 0.1;  // drifts from i * 0.1
    }
    const std::vector<Case> cases{
        {"sample numbers", {0, 1, 2, 3, 4}, true, 0, 1},
        {"start 5 step 0.25", {5, 5.25, 5.5, 5.75, 6}, true, 5, 0.25},
        {"times", times, true, 1.7e9, 1},
        {"a jump", {0, 1, 2, 4, 5}, false, 0, 0},
        {"a repeated X", {0, 1, 1, 2}, false, 0, 0},
        {"NaN X", {0, 1, kNaN, 3}, false, 0, 0},
        {"infinite X", {0, 1, kInf}, false, 0, 0},
        {"falling", {5, 4, 3}, false, 0, 0},
        {"steps added up", accumulated, false, 0, 0},
        {"two points", {-3, 4}, true, -3, 7},
        {"single point", {3}, false, 0, 0},
        {"empty", {}, false, 0, 0},
    };
    for (const Case& c : cases) {
        PointList l;
        for (double x : c.x)
            l.Insert({x, 0, 0, 0});
        double x0 = -1, dx = -1;
        ASSERT_EQ(l.EvenX(x0, dx), c.even) << c.name;
        if (c.even) {
            EXPECT_EQ(x0, c.x0) << c.name;
            EXPECT_EQ(dx, c.dx) << c.name;
        }
    }

    PointList l;
    for (int i = 0; i < 100; ++i)
        l.Insert({double(i), 0, 0, 0});
    double x0, dx;
    auto expectEven = [&](bool even, double wantX0, double wantDx, const char* what) {
        ASSERT_EQ(l.EvenX(x0, dx), even) << what;
        if (even) {
            EXPECT_EQ(x0, wantX0) << what;
            EXPECT_EQ(dx, wantDx) << what;
        }
    };
    expectEven(true, 0, 1, "appended");
    l.Remove(99);
    expectEven(true, 0, 1, "last point removed");
    l.Insert({-1, 0, 0, 0}, 0);
    expectEven(true, -1, 1, "one step before the first inserted at the front");
    l.Insert({99, 0, 0, 0});
    expectEven(true, -1, 1, "appended after a re-evaluation");
    l.Change(50, {49.5, 0, 0, 0});
    expectEven(false, 0, 0, "changed off the step");
    l.Change(50, {49, 0, 0, 0});
    expectEven(true, -1, 1, "changed back");
    l.Insert({48.5, 0, 0, 0}, 50);
    expectEven(false, 0, 0, "inserted in the middle");
    l.Insert({100, 0, 0, 0});
    expectEven(false, 0, 0, "appending does not mend it");
    l.Remove(50);
    expectEven(true, -1, 1, "the odd point removed");
    l.Remove(0);
    l.Remove(0);
    expectEven(true, 1, 1, "front removed");
    l.Remove(40);
    expectEven(false, 0, 0, "a gap");
    l.Clear();
    expectEven(false, 0, 0, "cleared");
    for (double x : {10.0, 20.0, 30.0})
        l.Insert({x, 0, 0, 0});
    expectEven(true, 10, 10, "appended after Clear");
    l.Insert({41, 0, 0, 0});
    expectEven(false, 0, 0, "appended off the step");
}

namespace {
// Every range near the three chunk edges (each start mod 8, lengths 1..20), long ranges over
// the edges and random ones, against a plain scan; once as appended, once rebuilt.
void CheckMinMaxAcrossChunks(bool withNaN)
{
    constexpr std::size_t K = PointList::kChunk;
    const std::size_t n = 3 * K + 1234;
    std::mt19937 rng(17);
    std::uniform_real_distribution<double> v(-1000, 1000);
    std::vector<double> y(n);
    for (double& e : y)
        e = v(rng);
    auto fill = [&](std::size_t from, std::size_t to, double value) {
        for (std::size_t i = from; i < std::min(to, n); ++i)
            y[i] = value;
    };
    if (withNaN) {
        fill(K - 5, K + 3, kNaN);           // over the first chunk edge
        fill(2 * K - 64, 2 * K, kNaN);      // a whole entry of the second summary level, ending on an edge
        fill(3 * K + 8, 3 * K + 16, kNaN);  // one whole group
        fill(1000, 1100, kNaN);
        for (int k = 0; k < 60; ++k)  // scattered single NaNs
            y[std::uniform_int_distribution<std::size_t>(0, n - 1)(rng)] = kNaN;
    }
    y[K + 3] = kInf;
    y[2 * K - 65] = -kInf;
    y[77777] = kInf;
    y[3 * K - 1] = -kInf;

    PointList l;
    for (std::size_t i = 0; i < n; ++i)
        l.Insert({double(i), y[i], 0, 0});

    auto check = [&](std::size_t a, std::size_t b, const char* what) {
        double lo = kInf, hi = -kInf;
        bool any = false;
        for (std::size_t i = a; i < std::min(b, n); ++i)
            if (!std::isnan(y[i])) {
                any = true;
                lo = std::min(lo, y[i]);
                hi = std::max(hi, y[i]);
            }
        double mlo = 0, mhi = 0;
        const bool got = l.MinMaxY(a, b, mlo, mhi);
        if (got != any || (any && (mlo != lo || mhi != hi))) {
            ADD_FAILURE() << what << " [" << a << ", " << b << "): got " << got << " " << mlo << " .. " << mhi
                          << ", want " << any << " " << lo << " .. " << hi;
            return false;
        }
        return true;
    };
    auto all = [&](const char* what) {
        for (std::size_t edge : {K, 2 * K, 3 * K})
            for (std::size_t a = edge - 24; a < edge + 9; ++a)
                for (std::size_t len = 1; len <= 20; ++len)
                    if (!check(a, a + len, what))
                        return;
        std::uniform_int_distribution<std::size_t> reach(1, 5000), pick(0, n);
        for (int k = 0; k < 200; ++k) {
            const std::size_t edge = K * std::uniform_int_distribution<std::size_t>(1, 3)(rng);
            if (!check(edge - reach(rng), edge + reach(rng), what))
                return;
        }
        for (int k = 0; k < 100; ++k) {
            std::size_t a = pick(rng), b = pick(rng);
            if (a > b)
                std::swap(a, b);
            if (!check(a, b, what))
                return;
        }
        check(K - 5, K + 3, what);  // nothing but NaN
        check(2 * K - 64, 2 * K, what);
        check(0, n, what);
        check(n - 3, n + 100, what);  // past the end
        check(n, n + 5, what);
    };
    all("appended");
    const double changed = withNaN ? kNaN : 5000.0;
    l.Change(static_cast<int>(2 * K + 5), {double(2 * K + 5), changed, 0, 0});
    y[2 * K + 5] = changed;
    l.Prepare();
    all("after a change and Prepare");
}
}  // namespace

TEST(DrawingPointList, MinMaxOverChunkEdgesAndInfinity)
{
    CheckMinMaxAcrossChunks(false);
}

TEST(DrawingPointList, MinMaxPassesOverNaN)
{
    auto expectRange = [](const PointList& l, std::size_t a, std::size_t b, double lo, double hi,
                          const char* what) {
        double mlo = 0, mhi = 0;
        ASSERT_TRUE(l.MinMaxY(a, b, mlo, mhi)) << what;
        EXPECT_EQ(mlo, lo) << what;
        EXPECT_EQ(mhi, hi) << what;
    };
    // A NaN appended to a group that already holds a value.
    PointList appended;
    for (int i = 0; i < 16; ++i)
        appended.Insert({double(i), i == 9 ? kNaN : double(i), 0, 0});
    expectRange(appended, 0, 16, 0, 15, "NaN appended after a value of its group");
    // A whole group of NaN below a summary entry that is built from scratch.
    PointList rebuilt;
    for (int i = 0; i < 256; ++i)
        rebuilt.Insert({double(i), double(i), 0, 0});
    for (int i = 64; i < 72; ++i)
        rebuilt.Change(i, {double(i), kNaN, 0, 0});
    expectRange(rebuilt, 0, 256, 0, 255, "a group of NaN, summary rebuilt");
    CheckMinMaxAcrossChunks(true);
}

TEST(DrawingRaster, ColumnWindowKeepsEveryWriteInside)
{
    constexpr int w = 40, h = 30;
    constexpr std::uint32_t kSentinel = 0xdeadbeef;
    auto paint = [&](LineRaster& r) {
        r.Clear(0xff000000);
        r.Line(-100, 3.5, 100, 3.5, 1);    // across everything
        r.Line(-1e6, -1e6, 1e6, 1e6, 2);   // diagonal from far outside
        r.Line(0, 0, kNaN, 3, 2);          // nothing
        r.Line(2.5, 28.5, 37.5, 1.5, 3);   // shallow
        r.Line(11.2, 0.5, 14.8, 29.5, 4);  // steep over a window edge
        for (double x : {12.5, 13.5, 26.5, 27.5})
            r.Line(x, 5.5, x, 20.5, 5);  // vertical beside and on the edges
        r.Square(12.5, 10.5, 2, 6);
        r.Square(27.2, 12.5, 3, 7);
        r.Square(-1.0, 25.0, 3, 8);
        for (int x : {0, 12, 13, 26, 27, 39})
            r.Rows(x, 22, 26, 9);
        std::vector<PixelPoint> pts;
        for (int k = 0; k < 40; ++k)  // many vertices per column: drawn as spans
            pts.push_back({10.0 + k * 0.45, 15.0 + 10.0 * std::sin(k)});
        r.Polyline(pts.data(), pts.size(), 10);
    };
    Image whole(static_cast<std::size_t>(w * h), kSentinel);
    LineRaster full(whole.data(), w, h, w * 4);
    paint(full);
    for (const auto& [left, right] : std::vector<std::pair<int, int>>{
             {13, 27}, {0, 1}, {39, 40}, {-3, 10}, {30, 100}, {5, 5}, {12, 13}}) {
        Image img(static_cast<std::size_t>(w * h), kSentinel);
        LineRaster r(img.data(), w, h, w * 4);
        r.SetColumnWindow(left, right);
        paint(r);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const std::size_t i = static_cast<std::size_t>(y * w + x);
                const bool inside = x >= left && x < right;
                ASSERT_EQ(img[i], inside ? whole[i] : kSentinel)
                    << "window [" << left << ", " << right << ") column " << x << " row " << y;
            }
    }
}

// Random curves, views and buffers: the direct drawing, the vertex path and a drawing split
// at a random column light the same pixels.
TEST(DrawingDecimator, RandomViewsAgreeWithTheVertexPath)
{
    std::mt19937_64 rng(99);
    auto uniform = [&](double a, double b) { return std::uniform_real_distribution<double>(a, b)(rng); };
    for (int round = 0; round < 200; ++round) {
        const int n = static_cast<int>(rng() % 20000), w = 1 + static_cast<int>(rng() % 300),
                  h = 1 + static_cast<int>(rng() % 200), kind = static_cast<int>(rng() % 5);
        const double x0 = kind == 0 ? 0.0 : uniform(-1000, 1000), dx = kind == 0 ? 1.0 : uniform(0.001, 10);
        PointList l;
        for (int i = 0; i < n; ++i) {
            double y = 50 * std::sin(i * 0.001) + uniform(-10, 10);
            if (kind == 2 && rng() % 500 == 0)
                y = kNaN;
            if (kind == 3 && rng() % 1000 == 0)
                y = rng() % 2 ? 1e300 : -1e300;
            l.Insert({x0 + i * dx + (kind == 4 ? (rng() % 2) * dx * 0.3 : 0.0), y, 0, 0});
        }
        double from = x0 + dx * n * uniform(-0.2, 1.0), to = from + dx * n * uniform(0.001, 1.2);
        if (kind == 0 && rng() % 2) {  // samples right on pixel edges
            from = std::floor(from);
            to = from + (w - 1) * (1.0 + static_cast<double>(rng() % 200));
        }
        const bool falling = rng() % 4 == 0;
        const double offset = rng() % 2 ? 0.5 : 0.0, left = -offset;
        const ScaleMapping xm = falling ? ScaleMapping(w - 1, 0, from, to) : ScaleMapping(0, w - 1, from, to);
        const double bottom = uniform(-80, 0);
        const ScaleMapping ym(h - 1, 0, bottom, bottom + uniform(1, 200));
        const auto size = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
        Image direct(size, 0), vertices(size, 0), split(size, 0);
        LineRaster a(direct.data(), w, h, static_cast<std::size_t>(w) * 4);
        Decimator::Draw(l, xm, ym, left, w + left, a, 1, offset, offset);
        std::vector<PixelPoint> v;
        Decimator::Build(l, xm, ym, left, w + left, v);
        LineRaster b(vertices.data(), w, h, static_cast<std::size_t>(w) * 4);
        b.Polyline(v.data(), v.size(), 1, offset, offset);
        const int m = w > 1 ? 1 + static_cast<int>(rng() % static_cast<unsigned>(w - 1)) : 1;
        for (auto [windowLeft, windowRight] : {std::pair{0, m}, std::pair{m, w}}) {
            LineRaster c(split.data(), w, h, static_cast<std::size_t>(w) * 4);
            c.SetColumnWindow(windowLeft, windowRight);
            Decimator::Draw(l, xm, ym, left, w + left, c, 1, offset, offset);
        }
        ASSERT_TRUE(SamePicture(direct, vertices, w)) << "round " << round << " kind " << kind;
        ASSERT_TRUE(SamePicture(direct, split, w)) << "round " << round << " split at " << m;
    }
}
