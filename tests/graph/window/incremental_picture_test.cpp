#include "ui/graph/graph_panel.h"
#include "ui/graph/graph_wnd.h"

#include <QApplication>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>

using qor::ui::CGraphWnd;

// A kept picture brought up to date as rows come equals one drawn anew, with X rising or
// falling, after an edited point (it makes curve 1 leave the shared rows), and with the
// newest rows beyond the plot. Curve 0: a wave with noise and spikes, curve 1 with gaps.
// Last, a loop whose X goes back and forth, its new lines drawn over the kept picture.
TEST(GraphWindowPicture, UpdatedPictureEqualsAFreshOne)
{
    static int argc = 1;
    static char name[] = "test_graph_window", *argv[] = {name, nullptr};
    QApplication app(argc, argv);
    auto feed = [](CGraphWnd& g, long from, long to) {
        for (long i = from; i < to; ++i) {
            const double x = i, h = static_cast<std::uint32_t>(i * 2654435761u) % 997;
            const double y[] = {std::sin(x * 0.002) * 50.0 + (h < 2 ? 40.0 : h / 50.0),
                                i % 97 ? -h / 15.0 : NAN};
            const std::int64_t t = i;
            g.AddRows(1, &x, &t, {0, 1}, {y, y + 1}, false);
        }
    };
    struct Case {
        double from, to;
        bool edit;
    };
    for (const auto& [from, to, edit] :
         {Case{0, 6150, false}, Case{6150, 0, false}, Case{0, 6150, true}, Case{0, 5980, false}}) {
        auto make = [&](CGraphWnd& g, long rows, bool edited) {
            g.resize(520, 380);
            g.SetStyle(qor::graph::kStyleGrid, false);
            g.AddGraph(0xc80000u, "", qor::graph::kGraphShared);
            g.AddGraph(0x0000c8u, "", qor::graph::kGraphShared);
            g.SetRange(from, to, -80.0, 80.0, false);
            feed(g, 0, rows);
            if (edited)
                g.ChangePoint(1, 4500, 4500.0, 70.0, false);
        };
        CGraphWnd kept;
        long rows = 6000;
        make(kept, rows, false);
        for (const long step : {1, 1, 2, 1, 7, 64, 1}) {
            if (edit && step == 2)
                kept.ChangePoint(1, 4500, 4500.0, 70.0, false);
            feed(kept, rows, rows + step);
            rows += step;
            kept.Redraw();
            const QImage picture = kept.RenderImage(kept.size());
            CGraphWnd fresh;
            make(fresh, rows, edit && rows >= 6004);
            fresh.Redraw();
            ASSERT_EQ(picture, fresh.RenderImage(fresh.size())) << from << " " << to << " " << rows;
            // It is the window's kept picture (inside the plot's frame).
            const QRect plot = kept.Panel()->geometry(),
                        inner = QRect({}, plot.size()).adjusted(1, 1, -1, -1);
            ASSERT_EQ(picture.copy(inner.translated(plot.topLeft())), kept.Panel()->Layer().copy(inner));
        }
    }
    auto loop = [](CGraphWnd& g, int from, int to) {
        if (from == 0) {
            g.resize(520, 380);
            g.AddGraph(0xff0000u, "");
            g.SetRange(-60.0, 60.0, -60.0, 60.0, false);
        }
        for (int i = from; i < to; ++i)
            g.AddPoint(0, i, std::sin(i * 0.05) * (10.0 + i * 0.08), std::cos(i * 0.031) * 50.0, false);
        g.Redraw();
    };
    CGraphWnd kept;
    loop(kept, 0, 300);
    for (const int to : {301, 302, 305, 345, 346}) {
        kept.RenderImage(kept.size());
        loop(kept, static_cast<int>(kept.GetGraph(0)->m_points.size()), to);
        CGraphWnd fresh;
        loop(fresh, 0, to);
        ASSERT_EQ(kept.RenderImage(kept.size()), fresh.RenderImage(fresh.size())) << to;
    }
}
