#include "graph/point_list.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <tuple>
#include <vector>

using namespace qor::graph;

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
}  // namespace

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
    auto box = [&] { return std::tuple(l.Bounds().xMin, l.Bounds().xMax, l.Bounds().yMin, l.Bounds().yMax); };
    EXPECT_EQ(box(), std::tuple(-4.0, 1.0, 3.0, 10.0)) << "a NaN point does not count";
    l.Remove(0);
    EXPECT_EQ(box(), std::tuple(-4.0, -4.0, 3.0, 3.0));
    l.Change(0, {8, -2, 0, 0});
    EXPECT_EQ(box(), std::tuple(8.0, 8.0, -2.0, -2.0));
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
    const std::size_t bytes = l.MemoryBytes();
    for (int k = 0; k < 12; ++k)
        l.Remove(static_cast<int>(PointList::kChunk));
    ASSERT_EQ(l.size(), n - 11);
    EXPECT_EQ(l[PointList::kChunk].x, double(PointList::kChunk + 11));
    EXPECT_EQ(l[l.size() - 1].x, double(n - 1));
    EXPECT_LT(l.MemoryBytes(), bytes) << "last chunk released";
    for (std::size_t i : {std::size_t{0}, PointList::kChunk, l.size() - 1, l.size(), l.size() + 1000})
        l.PrefetchEdge(i);  // anywhere, even past the end
}

// A cleared list is filled again from the memory it had (a run window rebuilt from its
// samples), whatever precision its values had before and have now.
TEST(PointList, ClearedListRefillsItsOwnMemory)
{
    PointList l;
    const std::size_t n = 2 * PointList::kChunk + 5;
    auto fill = [&](double offset) {
        for (std::size_t i = 0; i < n; ++i)
            l.Insert({double(i), double(i % 500) + offset, double(i), std::int64_t(i)});
    };
    fill(0.0);
    const std::size_t floats = l.MemoryBytes();
    for (const double offset : {0.0, 0.1, 0.0, 0.1}) {  // float, double, float, double values
        l.Clear();
        EXPECT_EQ(l.size(), 0u);
        EXPECT_FALSE(l.Bounds().valid);
        fill(offset);
        ASSERT_EQ(l.size(), n);
        EXPECT_EQ(l.SinglePrecision(), offset == 0.0);
        for (std::size_t i : {std::size_t{0}, PointList::kChunk, n - 1}) {
            EXPECT_EQ(l[i].x, double(i));
            EXPECT_EQ(l[i].y, double(i % 500) + offset) << i;
            EXPECT_EQ(l[i].time, std::int64_t(i));
        }
        double lo, hi;
        ASSERT_TRUE(l.MinMaxY(0, n, lo, hi));
        EXPECT_EQ(lo, offset);
        EXPECT_EQ(hi, 499 + offset);
    }
    // The float chunks it had and the double ones its values needed since, nothing more.
    EXPECT_LE(l.MemoryBytes(), floats * 2);
    const std::size_t settled = l.MemoryBytes();
    l.Clear();
    fill(0.1);
    l.Prepare();  // its summary, as the loop's MinMaxY made it
    EXPECT_EQ(l.MemoryBytes(), settled) << "no new memory";
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

TEST(PointList, EvenXFollowsAppendsAndEdits)
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
    auto expectEven = [](const PointList& l, bool even, double x0, double dx, const char* name) {
        double gotX0 = -1, gotDx = -1;
        ASSERT_EQ(l.EvenX(gotX0, gotDx), even) << name;
        EXPECT_TRUE(!even || std::pair(gotX0, gotDx) == std::pair(x0, dx))
            << name << ": " << gotX0 << " " << gotDx;
    };
    for (const Case& c : cases) {
        PointList l;
        for (double x : c.x)
            l.Insert({x, 0, 0, 0});
        expectEven(l, c.even, c.x0, c.dx, c.name);
    }

    // Edits one after the other on the points 0 .. 99: (i)nsert at `at` (-1 appends),
    // (c)hange, (r)emove, (C)lear.
    const struct {
        char op;
        int at;
        double x;
        bool even;
        double x0, dx;
        const char* name;
    } edits[] = {
        {'r', 99, 0, true, 0, 1, "last point removed"},
        {'i', 0, -1, true, -1, 1, "one step before the first inserted at the front"},
        {'i', -1, 99, true, -1, 1, "appended after a re-evaluation"},
        {'c', 50, 49.5, false, 0, 0, "changed off the step"},
        {'c', 50, 49, true, -1, 1, "changed back"},
        {'i', 50, 48.5, false, 0, 0, "inserted in the middle"},
        {'i', -1, 100, false, 0, 0, "appending does not mend it"},
        {'r', 50, 0, true, -1, 1, "the odd point removed"},
        {'r', 0, 0, true, 0, 1, "front removed"},
        {'r', 40, 0, false, 0, 0, "a gap"},
        {'C', 0, 0, false, 0, 0, "cleared"},
        {'i', -1, 10, false, 0, 0, "one point after Clear"},
        {'i', -1, 20, true, 10, 10, "appended after Clear"},
        {'i', -1, 41, false, 0, 0, "appended off the step"},
    };
    PointList l;
    for (int i = 0; i < 100; ++i)
        l.Insert({double(i), 0, 0, 0});
    for (const auto& e : edits) {
        if (e.op == 'i')
            l.Insert({e.x, 0, 0, 0}, e.at);
        else if (e.op == 'c')
            l.Change(e.at, {e.x, 0, 0, 0});
        else if (e.op == 'r')
            l.Remove(e.at);
        else
            l.Clear();
        expectEven(l, e.even, e.x0, e.dx, e.name);
    }
}

namespace {
// MinMaxY against a plain scan: every range near the three chunk edges (each start mod 8,
// lengths 1..20), long ranges over the edges and random ones; as appended, after edits that
// shift every later point over the chunk edges, and after more appends and Prepare.
void CheckMinMaxAcrossChunks(bool withNaN, bool single)
{
    constexpr std::size_t K = PointList::kChunk;
    std::mt19937 rng(17);
    std::uniform_real_distribution<double> v(-1000, 1000);
    std::vector<double> y(3 * K + 1234);
    for (double& e : y)
        e = single ? static_cast<float>(v(rng)) : v(rng);  // single: Y is kept as float
    if (withNaN) {
        // Over the first chunk edge, a whole entry of the second summary level ending on an
        // edge, one whole group, a run, scattered single NaNs.
        for (auto [from, to] :
             {std::pair{K - 5, K + 3}, {2 * K - 64, 2 * K}, {3 * K + 8, 3 * K + 16}, {1000, 1100}})
            std::fill(y.begin() + static_cast<long>(from), y.begin() + static_cast<long>(to), kNaN);
        for (int k = 0; k < 60; ++k)
            y[std::uniform_int_distribution<std::size_t>(0, y.size() - 1)(rng)] = kNaN;
    }
    y[K + 3] = kInf;
    y[2 * K - 65] = -kInf;
    y[77777] = kInf;
    y[3 * K - 1] = -kInf;

    PointList l;
    for (std::size_t i = 0; i < y.size(); ++i)
        l.Insert({double(i), y[i], 0, 0});

    auto check = [&](std::size_t a, std::size_t b, const char* what) {
        double lo = kInf, hi = -kInf;
        bool any = false;
        for (std::size_t i = a; i < std::min(b, y.size()); ++i)
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
        std::uniform_int_distribution<std::size_t> reach(1, 5000), pick(0, y.size());
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
        check(0, y.size(), what);
        check(y.size() - 3, y.size() + 100, what);  // past the end
        check(y.size(), y.size() + 5, what);
    };
    all("appended");
    const double changed = withNaN ? kNaN : 5000.0;
    l.Change(static_cast<int>(2 * K + 5), {double(2 * K + 5), changed, 0, 0});
    y[2 * K + 5] = changed;
    l.Remove(10);
    y.erase(y.begin() + 10);
    l.Insert({3, -7000, 0, 0}, 3);
    y.insert(y.begin() + 3, -7000);
    all("edited");
    EXPECT_EQ(l.SinglePrecision(), single);
    for (int i = 0; i < 700; ++i) {
        const double r = v(rng);
        y.push_back(single && i != 350 ? static_cast<float>(r) : r);  // 350 widens a single list
        l.Insert({double(y.size()), y.back(), 0, 0});
    }
    EXPECT_FALSE(l.SinglePrecision());
    l.Prepare();
    all("appended after edits, prepared");
}
}  // namespace

TEST(PointList, MinMaxOverChunkEdgesInfinityAndNaN)
{
    for (bool single : {false, true}) {
        CheckMinMaxAcrossChunks(false, single);
        CheckMinMaxAcrossChunks(true, single);
    }
    auto expectRange = [](const PointList& l, double lo, double hi, const char* what) {
        double mlo = 0, mhi = 0;
        ASSERT_TRUE(l.MinMaxY(0, l.size(), mlo, mhi)) << what;
        EXPECT_EQ(mlo, lo) << what;
        EXPECT_EQ(mhi, hi) << what;
    };
    // Regression: a NaN appended to a group that already holds a value keeps that value.
    PointList appended;
    for (int i = 0; i < 16; ++i)
        appended.Insert({double(i), i == 9 ? kNaN : double(i), 0, 0});
    expectRange(appended, 0, 15, "NaN appended after a value of its group");
    // Regression: a whole group of NaN widened the summary entry built above it to everything.
    PointList rebuilt;
    for (int i = 0; i < 256; ++i)
        rebuilt.Insert({double(i), double(i), 0, 0});
    for (int i = 64; i < 72; ++i)
        rebuilt.Change(i, {double(i), kNaN, 0, 0});
    expectRange(rebuilt, 0, 255, "a group of NaN, summary rebuilt");
}
