#include "graph/graph_model.h"
#include "graph/graph_selection.h"
#include "graph/legend_corner.h"
#include "graph/read_out.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <tuple>
#include <vector>

using namespace qor::graph;

namespace {
class RecordingModel : public GraphModel {
public:
    using GraphModel::GraphModel;
    std::vector<GraphNotification> seen;

protected:
    void Notify(const GraphNotification& n) override { seen.push_back(n); }
};
}  // namespace

TEST(GraphModel, SlotsAreReusedAfterRemovalAndIterationSkipsEmptyOnes)
{
    RecordingModel m(3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(m.AddGraph(0, "c"), i);
    EXPECT_EQ(m.AddGraph(0, "full"), -1);
    EXPECT_EQ(m.RemoveGraph(1), 1);
    EXPECT_EQ(m.RemoveGraph(1), -1) << "empty slot";
    EXPECT_EQ(m.RemoveGraph(7), -1) << "invalid slot";
    std::vector<int> seen;
    int pos;
    for (CGraphProps* g = m.GetFirstGraph(pos); g; g = m.GetNextGraph(pos))
        seen.push_back(pos);
    EXPECT_EQ(seen, (std::vector<int>{0, 2}));
    EXPECT_EQ(pos, -1);
    EXPECT_EQ(m.AddGraph(0, "d"), 1);
    EXPECT_EQ(m.GetGraph(1)->m_name, "d");
    ASSERT_EQ(m.seen.size(), 5u);
    EXPECT_EQ(m.seen[3].code, kNotifyCurveRemoved);
    EXPECT_EQ(m.seen[3].curve, 1);
}

TEST(GraphModel, PointsFitAxesAndWhatTheyNotify)
{
    RecordingModel m;
    const int c = m.AddGraph(0, "c");
    m.seen.clear();
    EXPECT_EQ(m.AddPoint(c, 100, 1.0, 2.0), 0);
    EXPECT_EQ(m.GetGraph(c)->m_points[0].z, 2.0) << "short form: third value is Y";
    EXPECT_EQ(m.AddPoint(c, 101, 2.0, 3.0, 9.0, false), 1);
    EXPECT_EQ(m.AddPoint(c, 99, 0.5, 1.0, 1.0, true, 0), 0) << "explicit position";
    EXPECT_EQ(m.AddPoint(5, 0, 0, 0), -1) << "missing curve";
    EXPECT_EQ(m.ChangePoint(c, 2, 2.0, 30.0), 2);
    EXPECT_EQ(m.ChangePoint(c, 3, 0, 0), -1);
    EXPECT_EQ(m.RemovePoint(c, 0), 0);
    EXPECT_EQ(m.RemovePoint(c, 9), -1);
    const std::vector<int> codes = {1, 1, 1, 3, 2};
    ASSERT_EQ(m.seen.size(), codes.size());
    for (std::size_t i = 0; i < codes.size(); ++i)
        EXPECT_EQ(m.seen[i].code, codes[i]) << i;
    EXPECT_FALSE(m.seen[1].redraw);
    EXPECT_EQ(m.GetGraph(c)->m_points[1].y, 30.0);
    m.ClearPoints();
    EXPECT_FALSE(m.GetGraph(c)->m_points.Bounds().valid);

    m.Fit();
    EXPECT_EQ(m.Range(), GraphRange{}) << "nothing to fit";
    m.AddPoint(c, 0, 3, 5);
    m.seen.clear();
    m.Fit();
    EXPECT_EQ(m.Range(), (GraphRange{2, 4, 4, 6}));
    ASSERT_EQ(m.seen.size(), 1u);
    EXPECT_EQ(m.seen[0].code, kNotifyRangeChanged);
    const int d = m.AddGraph(0, "d");
    m.AddPoint(d, 0, -1, 10);
    m.Fit();
    EXPECT_EQ(m.Range(), (GraphRange{-1, 3, 5, 10})) << "no margin";
    m.SetRange(NAN, 5, -1, 1);
    EXPECT_EQ(m.Range(), (GraphRange{-1, 3, -1, 1})) << "a non-finite limit is refused with its pair";

    m.SetAxisTitle("Temp", "°C", 2, kAxisY);
    EXPECT_EQ(m.GetAxis(kAxisY).FormatWithUnit(21.456), "21.46 °C");
    EXPECT_EQ(m.GetAxis(0).m_name, "") << "any other number is the X axis";
    m.SetAxisTitle("Load", "%", 0, 7);
    EXPECT_EQ(m.GetAxis(kAxisX).FormatWithUnit(42.4), "42 %")
        << "a percent unit must not become a conversion";
    EXPECT_EQ(m.seen.back().code, kNotifyAxisChanged);
}

TEST(GraphModel, ZoomAndScroll)
{
    // Zooming takes or adds a quarter of the width and the height; scrolling moves by an eighth.
    GraphModel m;
    m.SetRange(0, 100, 0, 8);
    m.ZoomIn();
    EXPECT_EQ(m.Range(), (GraphRange{25, 75, 2, 6}));
    m.ZoomOut();
    EXPECT_EQ(m.Range(), (GraphRange{12.5, 87.5, 1, 7}));
    m.Scroll(ScrollDirection::Right);
    EXPECT_EQ(m.Range(), (GraphRange{21.875, 96.875, 1, 7}));
    m.Scroll(ScrollDirection::Left);
    EXPECT_EQ(m.Range(), (GraphRange{12.5, 87.5, 1, 7}));
    m.Scroll(ScrollDirection::Up);
    EXPECT_EQ(m.Range(), (GraphRange{12.5, 87.5, 1.75, 7.75}));
    m.Scroll(ScrollDirection::Down);
    EXPECT_EQ(m.Range(), (GraphRange{12.5, 87.5, 1, 7}));
}

TEST(GraphSelection, LoadsTheVisibleCurvesAndSelectsAllThere)
{
    GraphModel m;
    m.AddGraph(MakeRgb(1, 2, 3), "a");
    m.AddGraph(0, "b");
    m.GetGraph(1)->m_visible = false;
    GraphSelection s;
    s.Load(m, "not available");
    EXPECT_TRUE(s.At(0).checked);
    EXPECT_FALSE(s.At(1).checked);
    EXPECT_EQ(s.At(2).name, "not available");
    EXPECT_FALSE(s.SetChecked(2, true));
    s.SelectAll();
    EXPECT_TRUE(s.At(1).checked);
    EXPECT_FALSE(s.At(53).checked);
}

TEST(ReadOut, ColourMatchWithinFour)
{
    GraphModel m;
    m.AddGraph(MakeRgb(200, 10, 10), "red");
    m.AddGraph(MakeRgb(10, 10, 200), "blue");
    EXPECT_EQ(ReadOut::CurveAtColour(m, MakeRgb(204, 6, 14), 0), 0);
    EXPECT_EQ(ReadOut::CurveAtColour(m, MakeRgb(205, 10, 10), 0), -1);
    EXPECT_EQ(ReadOut::CurveAtColour(m, MakeRgb(12, 8, 196), 0), 1);
    EXPECT_EQ(ReadOut::CurveAtColour(m, MakeRgb(255, 255, 255), kFrameLogY), 0) << "log Y skips the test";
}

TEST(ReadOut, TextsForNumericAndTimeAxes)
{
    setenv("TZ", "UTC", 1);
    tzset();
    GraphModel m;
    m.SetAxisTitle("t", "s", 1, kAxisX);
    m.SetAxisTitle("pH", "", 2, kAxisY);
    const int c = m.AddGraph(0, "c");
    const std::int64_t t0 = 1700000000;  // 14.11.2023 22:13:20 UTC
    m.AddPoint(c, t0, 0, 7);
    m.AddPoint(c, t0 + 2 * 86400 + 3723, 1, 7);
    m.AddPoint(c, t0 + 2 * 86400 + 3724, 2, std::numeric_limits<double>::quiet_NaN());  // missed
    struct {
        unsigned flags;
        int curve;
        double x, y;
        const char* text;
    } cases[] = {
        {kFrameNumericX, 0, 1.25, 7.001, "x=1.2 s, y=7.00 "},
        {kFrameNumericX | kFrameLogY, 0, 2, 2, "x=2.0 s, y=100.00 "},
        {kFrameNumericX | kFrameLogX | kFrameLogY, 0, 3, 1, "x=1000.0 s, y=10.00 "},
        {0, 0, 1.2, 6.5, "x=49:2:3, y=6.50 "},
        {kFrameAbsoluteTime, 0, 0.9, 6.5, "x=16.11. 23:15:23, y=6.50 "},
        {kFrameAbsoluteTime, 0, 5, 6.5, "x=5.0, y=6.50 "},  // beyond the curve: the plain position
        {kFrameAbsoluteTime, 0, 2.2, 6.5, "x=16.11. 23:15:24, y=---"},  // no value there
        {0, -1, 1, 1, "x=1.0, y=1.00 "},
    };
    for (const auto& k : cases)
        EXPECT_EQ(ReadOut::Text(m, k.curve, k.x, k.y, k.flags), k.text) << k.text;
    EXPECT_EQ(ReadOut::PointTime(t0, t0 + 3723, false), "(1:02:03)");
    EXPECT_EQ(ReadOut::PointTime(t0, t0, true), "14.11. 22:13:20");
    EXPECT_EQ(m.GetAxis(kAxisY).FormatNumber(std::numeric_limits<double>::quiet_NaN()), "---");
}

TEST(GraphModel, SharedRowsKeepOnlyYAndAnEditLeavesThem)
{
    RecordingModel m;
    const int a = m.AddGraph(0, "a", kGraphShared), b = m.AddGraph(0, "b", kGraphShared),
              own = m.AddGraph(0, "own");
    const double x[] = {0, 1, 2}, ya[] = {1, HUGE_VAL, 2.5}, yOwn[] = {4, 5, 6};
    const std::int64_t t[] = {10, 11, 12};
    m.seen.clear();
    m.AddRows(3, x, t, {a, own}, {ya, yOwn});
    ASSERT_EQ(m.seen.size(), 1u);
    EXPECT_EQ(std::tuple(m.seen[0].code, m.seen[0].curve, m.seen[0].point), std::tuple(1, -1, 0));
    const PointList& pa = m.GetGraph(a)->m_points;
    EXPECT_EQ(std::tuple(pa.size(), pa[2].x, pa[2].y, pa[2].z, pa[2].time),
              std::tuple(3u, 2.0, 2.5, 2.5, 12));
    EXPECT_TRUE(std::isnan(pa.Y(1))) << "not finite: a gap";
    EXPECT_EQ(pa.Bounds().yMax, 2.5);
    EXPECT_TRUE(std::isnan(m.GetGraph(b)->m_points.Y(0))) << "not listed: gaps";
    EXPECT_EQ(m.GetGraph(own)->m_points[1].y, 5.0);
    EXPECT_LT(m.GetGraph(b)->m_points.MemoryBytes() * 4, m.GetGraph(own)->m_points.MemoryBytes())
        << "Y alone, in single precision";
    EXPECT_EQ(m.GetGraph(m.AddGraph(0, "late", kGraphShared))->m_points.size(), 3u);
    // A point added on its own: the curve copies the rows and goes on alone.
    EXPECT_EQ(m.AddPoint(a, 13, 0.5, 7.0, true, 1), 1);
    EXPECT_FALSE(pa.Shared());
    EXPECT_EQ(std::tuple(pa[3].x, pa[3].y, pa[3].time, m.Rows().size()), std::tuple(2.0, 2.5, 12, 3u));
    m.AddRows(1, x, t, {a, b}, {yOwn, yOwn});
    EXPECT_EQ(std::tuple(pa.size(), m.GetGraph(b)->m_points.size(), m.Rows().size()), std::tuple(5u, 4u, 4u));
    m.ClearPoints();
    EXPECT_TRUE(m.GetGraph(b)->m_points.Shared());
    EXPECT_EQ(m.Rows().size(), 0u);
    m.AddRows(2, x, t, {b}, {yOwn});
    for (int c : {b, 3, a, own})
        m.RemoveGraph(c);
    EXPECT_EQ(m.Rows().size(), 0u) << "no shared curve left";
    // Rows nobody shares are not kept: a shared curve added afterwards starts empty, not with
    // gaps in front of X values that begin anew.
    m.AddRows(2, x, t, {}, {});
    EXPECT_EQ(m.Rows().size(), 0u);
    EXPECT_EQ(m.GetGraph(m.AddGraph(0, "after", kGraphShared))->m_points.size(), 0u);
}

// A block of rows (more than a recording tick's few) takes its bounds in one pass: from the
// first and last row with a value where X never decreases, from every row where it does.
TEST(PointList, BlockOfSharedRowsBoundsSkipGapsAtBothEnds)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* name;
        double xStep;  // X of row r: r * xStep, or back and forth when negative
        BoundingBox box;
    };
    const Case cases[] = {{"X rising", 1.0, {true, 3, 196, -7.5, 1e10 + 0.1}},
                          {"X back and forth", -1.0, {true, 0, 98, -7.5, 1e10 + 0.1}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SharedColumns rows;
        PointList list;
        list.Share(&rows);
        std::vector<double> y(200, 1.0);
        for (int r = 0; r < 200; ++r)
            rows.Append(c.xStep > 0 ? r * c.xStep : (r % 2 ? 97.0 - r / 2 : r / 2), 0);
        y[0] = y[1] = y[2] = y[197] = y[198] = y[199] = nan;  // gaps at both ends
        y[50] = -7.5;
        y[120] = 1e10 + 0.1;  // no float holds it: the list widens, the bound stays exact
        list.AppendShared(y.data(), y.size());
        const BoundingBox& b = list.Bounds();
        EXPECT_EQ(std::tuple(b.valid, b.xMin, b.xMax, b.yMin, b.yMax),
                  std::tuple(c.box.valid, c.box.xMin, c.box.xMax, c.box.yMin, c.box.yMax));
        EXPECT_EQ(list.Y(120), 1e10 + 0.1);
    }
}

// Blocks that start and end inside a summary group: the extremes of any range read from the
// summary are those of its points, counted one by one.
TEST(PointList, SummaryOfBlocksOfSharedRowsHoldsEveryPoint)
{
    SharedColumns rows;
    PointList list;
    list.Share(&rows);
    std::vector<double> y;
    for (std::size_t block = 0; block < 5; ++block) {
        std::vector<double> b(997);
        for (std::size_t r = 0; r < b.size(); ++r) {
            const std::size_t i = y.size() + r;
            b[r] =
                (i * 7919) % 1009 == 0 ? std::numeric_limits<double>::quiet_NaN() : double((i * 7919) % 1013);
            rows.Append(double(i), 0);
        }
        list.AppendShared(b.data(), b.size());
        y.insert(y.end(), b.begin(), b.end());
    }
    for (std::size_t from = 0; from < y.size(); from += 331)
        for (std::size_t to : {from + 1, from + 9, from + 70, from + 997, y.size()}) {
            double lo = INFINITY, hi = -INFINITY, sLo = 0, sHi = 0;
            for (std::size_t i = from; i < std::min(to, y.size()); ++i)
                if (!std::isnan(y[i]))
                    lo = std::min(lo, y[i]), hi = std::max(hi, y[i]);
            list.MinMaxY(from, to, sLo, sHi);
            ASSERT_EQ(std::pair(sLo, sHi), std::pair(lo, hi)) << from << ".." << to;
        }
}

// A legend box takes the first corner where it hides no point and no line between two
// points; with data in every corner there is none.
TEST(LegendCorner, FirstCornerFreeOfData)
{
    GraphModel m;
    const GraphRange section{0, 10, 0, 10};
    const int rising = m.AddGraph(0, "rising");
    for (int i = 0; i <= 10; ++i)
        m.AddPoint(rising, 0, i, i);
    Corner c = Corner::BottomLeft;
    ASSERT_TRUE(FreeCorner(m, section, 0.3, 0.3, Corner::TopRight, c));
    EXPECT_EQ(c, Corner::TopLeft);
    EXPECT_TRUE(CoversData(m, section, Corner::BottomLeft, 0.3, 0.3));
    // Two points either side of the box: the line between them crosses it.
    const int jump = m.AddGraph(0, "jump");
    m.AddPoint(jump, 0, -5, 9);
    m.AddPoint(jump, 0, 15, 9);
    EXPECT_TRUE(CoversData(m, section, Corner::TopLeft, 0.3, 0.3));
    m.RemoveGraph(jump);
    const int falling = m.AddGraph(0, "falling");
    for (int i = 0; i <= 10; ++i)
        m.AddPoint(falling, 0, i, 10 - i);
    EXPECT_FALSE(FreeCorner(m, section, 0.3, 0.3, Corner::TopRight, c));
    m.GetGraph(falling)->m_visible = false;  // a hidden curve hides nothing
    ASSERT_TRUE(FreeCorner(m, section, 0.3, 0.3, Corner::BottomRight, c));
    EXPECT_EQ(c, Corner::BottomRight);
    // Gaps are no data.
    m.GetGraph(falling)->m_visible = true;
    m.GetGraph(falling)->m_points.Clear();
    for (int i = 0; i <= 10; ++i)
        m.AddPoint(falling, 0, i, i < 5 ? std::numeric_limits<double>::quiet_NaN() : 10 - i);
    ASSERT_TRUE(FreeCorner(m, section, 0.3, 0.3, Corner::TopRight, c));
    EXPECT_EQ(c, Corner::TopLeft);
}
