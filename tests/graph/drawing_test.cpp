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
    PointList dense, holes, times, squares, jitter, sparse, sweep, chunks, shared;
    SharedColumns rows;
    Curves()
    {
        shared.Share(&rows);
        std::mt19937 rng(11);
        std::uniform_real_distribution<double> jit(-0.3, 0.3);
        const std::size_t n = 200000;
        std::vector<double> sharedY;
        for (std::size_t i = 0; i < n; ++i) {
            const double x = static_cast<double>(i), y = Noisy(rng, i);
            dense.Insert({x, y, 0, 0});
            const bool hole = i == 0 || i % 9973 == 0 || (i >= 50000 && i < 50040) || i == n - 1;
            holes.Insert({x, hole ? kNaN : y, 0, 0});
            sharedY.push_back(hole ? kNaN : static_cast<float>(y));  // single precision
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
        // X from the rows, Y appended a block at a time.
        for (std::size_t i = 0; i < n; i += 997) {
            const std::size_t count = std::min<std::size_t>(997, n - i);
            for (std::size_t r = i; r < i + count; ++r)
                rows.Append(static_cast<double>(r), 0);
            shared.AppendShared(&sharedY[i], count);
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

// One curve laid onto a buffer: its mappings and the pixel span it covers.
struct Curve {
    const PointList* points;
    ScaleMapping xm, ym;
    double left, right;
};
Curve Lay(const View& v, const Geometry& g)
{
    const ScaleMapping xm =
        v.falling ? ScaleMapping(g.p1, g.p0, v.xFrom, v.xTo) : ScaleMapping(g.p0, g.p1, v.xFrom, v.xTo);
    return {v.points, xm, ScaleMapping(kH, 0, v.yLo, v.yHi), g.pixelLeft, kW - g.offsetX};
}

using Windows = std::vector<std::pair<int, int>>;
const Windows kWhole{{0, 1 << 20}};
const Windows kStrips = [] {  // eight side by side
    Windows w;
    for (int s = 0; s < 8; ++s)
        w.emplace_back(kW * s / 8, kW * (s + 1) / 8);
    return w;
}();

// The curves, later ones over earlier ones, window by window, drawn directly or through the
// vertex list.
Image Draw(bool direct, const std::vector<Curve>& curves, int w, int h, double offsetX, double offsetY,
           const Windows& windows = kWhole)
{
    Image img(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
    LineRaster r(img.data(), w, h, static_cast<std::size_t>(w) * 4);
    std::vector<PixelPoint> vertices;
    for (const auto& [left, right] : windows) {
        r.SetColumnWindow(left, right);
        std::uint32_t colour = 0xff000001;
        for (const Curve& c : curves) {
            if (direct) {
                Decimator::Draw(*c.points, c.xm, c.ym, c.left, c.right, r, colour++, offsetX, offsetY);
            } else {
                Decimator::Build(*c.points, c.xm, c.ym, c.left, c.right, vertices);
                r.Polyline(vertices.data(), vertices.size(), colour++, offsetX, offsetY);
            }
        }
    }
    return img;
}
Image DrawViews(bool direct, const std::vector<View>& views, const Geometry& g,
                const Windows& windows = kWhole)
{
    std::vector<Curve> curves;
    for (const View& v : views)
        curves.push_back(Lay(v, g));
    return Draw(direct, curves, kW, kH, g.offsetX, g.offsetY, windows);
}

// Top and bottom lit row of every column of a polyline; -1 when empty.
struct Extent {
    int top = -1, bottom = -1;
};
std::vector<Extent> Columns(const std::vector<PixelPoint>& pts)
{
    Image img(static_cast<std::size_t>(kW * kH), 0);
    LineRaster r(img.data(), kW, kH, kW * 4);
    r.Polyline(pts.data(), pts.size(), 0xff000000u);
    std::vector<Extent> cols(kW);
    for (int x = 0; x < kW; ++x)
        for (int y = 0; y < kH; ++y)
            if (img[static_cast<std::size_t>(y * kW + x)]) {
                Extent& e = cols[static_cast<std::size_t>(x)];
                e.top = e.top < 0 ? y : e.top;
                e.bottom = y;
            }
    return cols;
}
}  // namespace

TEST(DrawingDecimator, DirectDrawingLightsTheVertexListsPixels)
{
    const Curves& c = TheCurves();
    const double n = 200000;
    const std::vector<View> views{
        {"dense whole", &c.dense, 0, n - 1, -150, 150},
        {"dense panned past the end", &c.dense, 150000, 260000, -150, 150},
        {"dense before the start", &c.dense, -50000, 30000, -150, 150},
        {"dense right edge on a sample", &c.dense, 60000, 120000, -150, 150},
        {"dense, samples on column edges", &c.dense, 0, 117208, -150, 150},
        {"dense falling, samples on column edges", &c.dense, 0, 117208, -150, 150, true},
        {"dense falling X", &c.dense, 0, n - 1, -150, 150, true},
        {"dense partly off the plot", &c.dense, 0, n - 1, -60, 60},
        {"dense zoomed to few points per column", &c.dense, 100000, 100900, -150, 150},
        {"ending where a chunk ends", &c.chunks, 0, 2.0 * PointList::kChunk - 1, -150, 150},
        {"across the end of a chunk", &c.chunks, 60000, 70000, -150, 150},
        {"NaN runs and column starts", &c.holes, 0, n - 1, -150, 150},
        {"NaN zoomed", &c.holes, 45000, 60000, -150, 150},
        {"shared rows, single precision", &c.shared, 0, n - 1, -150, 150},
        {"shared rows zoomed", &c.shared, 45000, 60000, -150, 150, true},
        {"times of a recording", &c.times, 1.7e9, 1.7e9 + n - 1, -150, 150},
        {"X growing as i*i", &c.squares, 0, 1e7, -150, 150},
        {"jittered X", &c.jitter, 0, 100000, -150, 150},
        {"jittered X falling", &c.jitter, 20000.5, 90000, -150, 150, true},
        {"sparse", &c.sparse, 0, 1190, -150, 150},
        {"back and forth", &c.sweep, 0, 1, -80, 80},
        {"NaN runs, Y from above, falling X", &c.holes, 45000, 60000, 150, -150, true},
        {"back and forth, Y from above", &c.sweep, 0, 1, 80, -80},
    };
    for (const Geometry& g : {kCentred, kEdges, kShifted})
        for (const View& v : views)
            EXPECT_TRUE(SamePicture(DrawViews(true, {v}, g), DrawViews(false, {v}, g), kW))
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
         // Falling at 500 samples per pixel in the edge geometry: a sample on every column edge.
         {"times falling", &c.times, 1.7e9, 1.7e9 + 150000, -150, 150, true},
         {"squares", &c.squares, 0, 2e6, -100, 100}},
    };
    std::vector<Windows> splits;
    for (int m : {1, 37, 150, 151, 298, 299})
        splits.push_back({{0, m}, {m, kW}});
    splits.push_back(kStrips);
    splits.push_back({{200, kW}, {0, 1}, {1, 200}});  // out of order, a one-column window
    for (const Geometry& g : {kCentred, kEdges})
        for (std::size_t s = 0; s < scenes.size(); ++s)
            for (const bool direct : {true, false}) {
                const Image whole = DrawViews(direct, scenes[s], g);
                for (const Windows& windows : splits) {
                    std::ostringstream name;
                    for (const auto& [l, r] : windows)
                        name << '[' << l << ',' << r << ')';
                    EXPECT_TRUE(SamePicture(DrawViews(direct, scenes[s], g, windows), whole, kW))
                        << (direct ? "direct" : "vertices") << ", scene " << s << ", " << g.name
                        << ", windows " << name.str();
                }
            }
}

// A column's first and last point are those drawn in it, also where a sample lies on the
// column's edge and the mapping rounds it to either side (392 samples per pixel, edges
// between pixel centres on whole samples).
TEST(DrawingDecimator, ColumnsHoldThePointsDrawnInThem)
{
    for (const bool falling : {false, true}) {
        const Curve p =
            Lay({"edges on samples", &TheCurves().dense, 0, 117208, -150, 150, falling}, kCentred);
        std::vector<PixelPoint> vertices;
        Decimator::Build(*p.points, p.xm, p.ym, p.left, p.right, vertices);
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
    }
}

// Regression: with falling X the first point of the rightmost column lies within a thousandth
// of a pixel of the buffer's right edge, and the direct drawing dropped that sliver.
TEST(DrawingDecimator, RightmostColumnStartingAtTheVeryEdge)
{
    PointList l;
    for (int i = 0; i < 100000; ++i)  // not evenly spaced, so the column walk draws it
        l.Insert({i + (i % 2) * 1e-7, 100 * std::sin(i * 0.7), 0, 0});
    const View v{"falling", &l, 19999.99, 89999.99, -150, 150, true};
    ASSERT_GT(Lay(v, kEdges).xm.Pixel(l.X(20000)), kW - 0.001);
    ASSERT_LT(Lay(v, kEdges).xm.Pixel(l.X(20000)), kW);
    EXPECT_TRUE(SamePicture(DrawViews(true, {v}, kEdges), DrawViews(false, {v}, kEdges), kW));
}

// Decimation loses nothing a column shows: the vertex list lights, column by column, the rows
// all points would (single-sample spikes included), and a curve going back and forth in X
// (nothing to bisect) merges its runs.
TEST(DrawingDecimator, DecimatedPictureMatchesAllPointsColumnByColumn)
{
    const Curves& c = TheCurves();
    const struct {
        const char* name;
        const PointList* points;
        double xFrom, xTo;
    } cases[] = {{"whole", &c.dense, 0, 199999},
                 {"zoomed", &c.dense, 100000, 140000},
                 {"past the end", &c.dense, 150000, 260000},
                 {"sparse", &c.dense, 1000, 1300},
                 {"back and forth", &c.sweep, 0, 1}};
    for (const auto& k : cases) {
        const ScaleMapping xm(0, kW, k.xFrom, k.xTo), ym(kH, 0, -150, 150);
        std::vector<PixelPoint> dec, all;
        Decimator::Build(*k.points, xm, ym, 0, kW, dec);
        Decimator::BuildAll(*k.points, xm, ym, all);
        // Four vertices per column and run; the sweep crosses every column eight times.
        EXPECT_LE(dec.size(), static_cast<std::size_t>((k.points == &c.dense ? 4 : 32) * kW + 8)) << k.name;
        const auto a = Columns(dec), b = Columns(all);
        for (std::size_t x = 0; x < a.size(); ++x) {
            ASSERT_EQ(a[x].top < 0, b[x].top < 0) << k.name << " column " << x;
            EXPECT_NEAR(a[x].top, b[x].top, 1) << k.name << " column " << x;
            EXPECT_NEAR(a[x].bottom, b[x].bottom, 1) << k.name << " column " << x;
        }
    }
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
    for (const auto& [left, right] :
         Windows{{13, 27}, {0, 1}, {39, 40}, {-3, 10}, {30, 100}, {5, 5}, {12, 13}}) {
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
        const double bottom = uniform(-80, 0), top = bottom + uniform(1, 200);
        const ScaleMapping ym =
            rng() % 3 == 0 ? ScaleMapping(h - 1, 0, top, bottom) : ScaleMapping(h - 1, 0, bottom, top);
        const std::vector<Curve> curve{{&l, xm, ym, left, w + left}};
        const int m = w > 1 ? 1 + static_cast<int>(rng() % static_cast<unsigned>(w - 1)) : 1;
        const Image direct = Draw(true, curve, w, h, offset, offset);
        ASSERT_TRUE(SamePicture(direct, Draw(false, curve, w, h, offset, offset), w))
            << "round " << round << " kind " << kind;
        ASSERT_TRUE(SamePicture(direct, Draw(true, curve, w, h, offset, offset, {{0, m}, {m, w}}), w))
            << "round " << round << " split at " << m;
    }
}

// A long curve's column walk is kept between drawings and taken on from its last column as
// points come: after every kind of append, drawn at a new Y scale as a growing run window
// draws it, the picture is the one a fresh copy of the curve gives (which nothing was kept
// for), whole and in strips.
TEST(DrawingDecimator, KeptWalkFollowsAppendedPoints)
{
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> jit(0.0, 0.4);
    PointList grow;
    double x = 0.0;
    auto append = [&](std::size_t count, std::size_t gap = 0) {
        for (std::size_t k = 0; k < count; ++k) {
            x += 0.8 + jit(rng);  // not evenly spaced: the column walk draws it
            grow.Insert({x, k < gap ? kNaN : Noisy(rng, grow.size()), 0, 0});
        }
    };
    append(30000);
    const struct {
        const char* name;
        std::size_t count, gap;
    } steps[] = {{"one point", 1, 0},        {"a few", 3, 0},
                 {"many columns", 2000, 0},  {"a gap", 40, 1},
                 {"a long gap", 3000, 2500}, {"to the view's end", 6000, 0},
                 {"past it", 3000, 0},       {"nothing new", 0, 0}};
    double top = 150;
    for (const auto& step : steps) {
        append(step.count, step.gap);
        top += 7.5;
        PointList fresh;
        for (std::size_t i = 0; i < grow.size(); ++i)
            fresh.Insert(grow[i]);
        for (const Windows& windows : {kWhole, kStrips})
            for (const bool direct : {true, false}) {
                auto picture = [&](const PointList& l) {
                    return DrawViews(direct, {{"", &l, 0, 40000, -top, top}}, kCentred, windows);
                };
                EXPECT_TRUE(SamePicture(picture(grow), picture(fresh), kW))
                    << step.name << (direct ? ", direct" : ", vertices")
                    << (windows.size() > 1 ? ", strips" : "");
            }
    }
}
