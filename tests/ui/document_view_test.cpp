#include "station/config.h"
#include "station/station.h"
#include "ui/document/qor_view.h"
#include "ui/graph/graph_panel.h"
#include "ui/graph/graph_wnd.h"
#include "ui/graph/point_view_bar.h"
#include "ui/graph/ruler.h"
#include "ui/shell/main_menus.h"
#include "ui_test_app.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>
#include <cmath>
#include <tuple>

namespace qor::ui {
namespace {

using station::Cmd;

// What the view draws from the stored samples: each value times its factor, a failed reading
// (1e8 or more in size) at 0, X the sample's place in the file, and the setup's Y range. The
// configuration's display settings take effect: POINT marks the samples, AXIS=0 drops the
// grid, PREC sets the Y decimals. Every kind of value is the document curves' own test.
TEST(DocumentView, DrawsTheStoredSamplesByTheSetup)
{
    station::StationConfig config;
    config.point = 1;
    config.axis = 0;
    config.prec = 4;
    test::LoneDocument lone;
    data::CQORDoc& doc = lone.doc;
    CQORView view(doc, 0, GraphDisplay::FromConfig(config));
    EXPECT_EQ(view.Graph()->GetStyle(), unsigned{graph::kStyleMarkers | graph::kStyleLegend});
    EXPECT_EQ(view.Graph()->GetAxis(graph::kAxisY).m_decimals, 4);
    data::CGrafikSetup setup;
    setup.m_show2[0] = setup.m_show1[3] = 1, setup.m_factor2[0] = 10, setup.m_yFrom = -5, setup.m_yTo = 50;
    doc.SetGrafikSetup(setup);
    auto add = [&doc](int i) {
        data::CDatenObject s;
        s.m_time = 1700000000 + i;
        s.m_value[3] = 2.5e8f, s.m_value2[0] = 1.5f;
        doc.AppendSample(s);
    };
    for (int i = 0; i < 3; ++i)
        add(i);
    view.OnFileRead({});
    add(3);  // recorded after the file was read
    view.OnSamplesAdded();
    EXPECT_EQ(view.Graph()->Range(), (graph::GraphRange{0, 500, -5, 50}));
    const std::vector<graph::CGraphProps*> curves = test::Curves(*view.Graph());
    ASSERT_EQ(curves.size(), 2u);
    for (std::size_t n = 0; n < curves.size(); ++n) {
        ASSERT_EQ(curves[n]->m_points.size(), 4u);
        EXPECT_EQ(curves[n]->m_points.Y(0), n == 0 ? 15 : 0);
        EXPECT_EQ(curves[n]->m_points.X(3), 3);
    }
}

// A main window recording one module once a second on the simulated bus and clock.
class DocumentViewTest : public ::testing::Test, protected test::SimFrame {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WithFile(Cmd::FileOpen, Path("run.qo3")));
        ASSERT_TRUE(SearchAndRelease({0}));
        ASSERT_TRUE(StartRecording({{0, 0}}));
        m_time.Advance(3000);
        ASSERT_EQ(Doc().Samples().size(), 4u);
    }

    data::CQORDoc& Doc() { return m_frame->Document(); }
    CQORView& View() { return *m_frame->GraphView(); }
    graph::GraphRange Section() { return View().Graph()->Range(); }
    double NewestX()
    {
        const graph::PointList& points = test::Curves(*View().Graph()).front()->m_points;
        return points.X(points.size() - 1);
    }
};

// Nothing lies left of sample 0: neither scrolling (also from the context menu) nor reducing
// goes there. (That the section holds while samples arrive is the auto-scroll test's.)
TEST_F(DocumentViewTest, SectionStaysRightOfTheFirstSample)
{
    View().Graph()->SetRange(2.0, 10.0, 0.0, 1.0);
    View().Graph()->RunSectionCommand(CGraphWnd::SectionCommand::Scroll, graph::ScrollDirection::Left);
    EXPECT_EQ(Section(), (graph::GraphRange{1.0, 9.0, 0.0, 1.0}));
    View().ScrollSection(graph::ScrollDirection::Left);
    EXPECT_EQ(Section(), (graph::GraphRange{0.0, 8.0, 0.0, 1.0}));
    View().Reduce();
    EXPECT_EQ(Section(), (graph::GraphRange{0.0, 10.0, -0.25, 1.25}));

    // A rebuild from a new setup takes its Y range and keeps X.
    View().Graph()->SetRange(3.0, 40.0, -1.0, 1.0);
    data::CGrafikSetup setup = Doc().GrafikSetup();
    setup.m_yFrom = -5.0f, setup.m_yTo = 50.0f;
    Doc().SetGrafikSetup(setup);
    EXPECT_EQ(Section(), (graph::GraphRange{3.0, 40.0, -5.0, 50.0}));
}

TEST_F(DocumentViewTest, AutoScrollSetupRangeZoomRectangleAndReadOut)
{
    QAction* follow = m_frame->AutoScrollAction();
    View().Graph()->SetRange(0.0, 5.5, -1.0, 1.0);
    m_time.Advance(4000);
    EXPECT_EQ(Section().xTo, 5.5);

    follow->trigger();
    ASSERT_TRUE(View().AutoScroll());
    m_time.Advance(2000);  // 10 points are too few to follow
    EXPECT_EQ(Section().xTo, 5.5);
    for (int tick = 0; tick < 4; ++tick) {
        m_time.Advance(1000);
        EXPECT_EQ(Section(), (graph::GraphRange{NewestX() - 5.0, NewestX() + 0.5, -1.0, 1.0}));
    }
    EXPECT_EQ(NewestX(), 13.0);

    follow->trigger();
    m_time.Advance(3000);
    EXPECT_EQ(Section().xTo, 13.5);

    // The graph setup starts from what the graph shows; a zoom rectangle may reach left of X 0,
    // where the other section commands leave it; the read-out goes to the status bar.
    View().Graph()->SetRange(0.0, 40.0, -12.5, 37.5);
    QString range;
    test::OnNext<CGrafikSetupGlg>([&](CGrafikSetupGlg* dlg) {
        range = dlg->YFrom()->text() + " " + dlg->YTo()->text();
        dlg->reject();
    });
    ASSERT_TRUE(m_frame->Run(Cmd::NewScale));
    EXPECT_EQ(range, "-12,5 37,5");

    CGraphPanel* plot = View().Graph()->Panel();
    View().Graph()->SetZoomMode(true);
    QTest::mousePress(plot, Qt::LeftButton, {}, QPoint(plot->width() / 2, 5));
    QTest::mouseMove(plot, QPoint(-20, plot->height() - 5));
    QTest::mouseRelease(plot, Qt::LeftButton, {}, QPoint(-20, plot->height() - 5));
    const graph::GraphRange zoomed = Section();
    ASSERT_LT(zoomed.xFrom, 0.0);
    View().ScrollSection(graph::ScrollDirection::Left);
    View().Reduce(true);
    EXPECT_EQ(Section().xFrom, zoomed.xFrom);

    QTest::mouseMove(plot, QPoint(plot->width() / 2, plot->height() / 2));
    EXPECT_TRUE(m_frame->statusBar()->currentMessage().startsWith("x="))
        << m_frame->statusBar()->currentMessage().toStdString();
}

// A hidden virtual channel stays hidden, and the values ticked later come up shown in
// colours of their own.
TEST_F(DocumentViewTest, CurvesKeepTheirLookAcrossSetupChanges)
{
    data::CGrafikSetup setup = Doc().GrafikSetup();
    data::CGrafikSetupVirtuell virtuell = Doc().Virtuell();
    virtuell.m_enable[0] = 1;
    Doc().SetGrafikSetup(setup, &virtuell);
    ASSERT_EQ(View().Curves().Size(), 2u);
    graph::CGraphProps* channel = test::Curves(*View().Graph()).at(1);
    channel->m_visible = false;
    channel->m_colour = 0x123456;
    setup.m_show2[0] = setup.m_show3[0] = 1;
    Doc().SetGrafikSetup(setup, &virtuell);
    ASSERT_EQ(View().Curves().Size(), 4u);
    std::vector<std::pair<std::uint32_t, bool>> looks;
    for (const graph::CGraphProps* g : test::Curves(*View().Graph()))
        looks.emplace_back(g->m_colour, g->m_visible);
    // Red, then the next two default colours, green and blue; the channel as it was.
    const std::vector<std::pair<std::uint32_t, bool>> want = {
        {0xFF0000, true}, {0x00FF00, true}, {0x0000FF, true}, {0x123456, false}};
    EXPECT_EQ(looks, want);
    // The file keeps the curves in their order now.
    data::CGraphPropObject props;
    std::vector<data::CStringDatenObject> labels;
    View().SaveGraphState(props, labels);
    EXPECT_EQ(props.m_colour[3], 0x563412u);
    EXPECT_EQ(props.m_visible[3], 0);
    EXPECT_EQ(props.m_visible[1], 1);
}

// The point list follows the recording and names a renamed curve at once; File > Close leaves
// no curve in the legend, a virtual channel's neither. The graph goes to PDF through the file
// dialog. Guards curve changes made in the window's dialogs that were lost at Close without a
// question.
TEST_F(DocumentViewTest, PointListFollowsARenameAndCloseEmptiesTheLegend)
{
    Doc().SetModified(false);
    test::OnNextModal([](QWidget* w) { QMetaObject::invokeMethod(w, "accept"); });
    ASSERT_TRUE(View().Graph()->ShowSelection());
    EXPECT_TRUE(Doc().Modified());
    m_frame->Menus().PointList()->trigger();
    CPointViewBar* bar = m_frame->PointList();
    ASSERT_NE(bar, nullptr);
    ASSERT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->List()->rowCount(), 4);
    m_time.Advance(1000);
    EXPECT_EQ(bar->List()->rowCount(), 5);

    data::CGrafikSetupVirtuell virtuell = Doc().Virtuell();
    virtuell.m_enable[2] = 1;
    Doc().SetGrafikSetup(Doc().GrafikSetup(), &virtuell);
    test::Curves(*View().Graph()).front()->m_name = "Cell";
    emit View().Graph()->EditedByUser();
    EXPECT_EQ(bar->windowTitle().toStdString(), "Cell");
    EXPECT_EQ(bar->CurveChoice()->itemText(0).toStdString(), "Cell");
    const QString pdf = Path("graph.pdf");
    test::OnNextFileDialog(pdf);
    m_frame->Menus().ExportPdf()->trigger();
    const QByteArray bytes = test::ReadFile(pdf);
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_GT(bytes.size(), 2000);

    // Closed without saving.
    const qint64 stored = QFileInfo(Path("run.qo3")).size();
    test::OnNextModal([](QWidget* w) { w->findChild<QPushButton*>("no")->click(); });
    ASSERT_TRUE(m_frame->Run(Cmd::FileClose));
    EXPECT_EQ(QFileInfo(Path("run.qo3")).size(), stored);
    EXPECT_EQ(View().Graph()->GetGraphCount(), 0);
    EXPECT_EQ(bar->CurveChoice()->count(), 0);
}

class LiveViewTest : public ::testing::Test, protected test::SimFrame {
protected:
    // Every curve's name and points (X, Y as text so that gaps compare, time), the section
    // and the picture of the time ruler.
    struct Picture {
        std::vector<std::pair<std::string, std::vector<std::tuple<double, std::string, std::int64_t>>>>
            curves;
        graph::GraphRange section;
        QImage labels;
        bool operator==(const Picture&) const = default;
    };
    Picture Take()
    {
        Picture p;
        CGraphWnd* g = m_frame->GraphView()->Graph();
        for (const graph::CGraphProps* c : test::Curves(*g)) {
            auto& [name, points] = p.curves.emplace_back(c->m_name, decltype(p.curves[0].second){});
            for (std::size_t i = 0; i < c->m_points.size(); ++i) {
                const graph::GraphPoint pt = c->m_points[i];
                points.emplace_back(pt.x, std::isnan(pt.y) ? "gap" : std::to_string(pt.y), pt.time);
            }
        }
        p.section = g->Range();
        p.labels = g->HRuler()->grab().toImage();
        return p;
    }
};

// Measuring alone first, then data logging: the live graph is exactly the graph of the same
// file opened again: one point per stored sample at X = its place, in the order of time, no
// gap in front of the recording.
TEST_F(LiveViewTest, MeasuringFirstThenLoggingDrawsWhatTheFileHolds)
{
    const QString file = Path("live.qo3");
    ASSERT_TRUE(WithFile(Cmd::FileOpen, file));
    ASSERT_TRUE(SearchAndRelease({0, 1}));
    ASSERT_TRUE(m_frame->Run(Cmd::StartMeasuring));
    m_time.Advance(12000);
    ASSERT_TRUE(StartRecording({{0, 0}, {1, 1}}));
    m_time.Advance(6000);
    ASSERT_TRUE(m_frame->Run(Cmd::Stop));
    const Picture live = Take();
    // The time ruler labels the samples and nothing past the last one (below its ticks, left
    // of the axis title).
    int dark[2] = {0, 0};
    for (int y = 8; y < live.labels.height(); ++y)
        for (int x = 0; x < live.labels.width() - 80; ++x)
            dark[x > live.labels.width() / 2] += qGray(live.labels.pixel(x, y)) < 128;
    EXPECT_GT(dark[0], 40);
    EXPECT_EQ(dark[1], 0);
    const std::vector<data::CDatenObject>& samples = m_frame->Document().Samples();
    ASSERT_GE(samples.size(), 7u);
    ASSERT_EQ(live.curves.size(), 2u);
    for (const auto& [name, points] : live.curves) {
        ASSERT_EQ(points.size(), samples.size()) << name;
        for (std::size_t i = 0; i < points.size(); ++i) {
            EXPECT_EQ(std::get<0>(points[i]), static_cast<double>(i)) << name;
            EXPECT_NE(std::get<1>(points[i]), "gap") << name << " " << i;
            EXPECT_EQ(std::get<2>(points[i]), samples[i].m_time) << name;
            EXPECT_TRUE(i == 0 || std::get<2>(points[i]) > std::get<2>(points[i - 1])) << name << " " << i;
        }
    }
    ASSERT_TRUE(m_frame->Run(Cmd::FileSave));
    ASSERT_TRUE(m_frame->Run(Cmd::FileClose));
    ASSERT_TRUE(WithFile(Cmd::FileOpen, file));
    const Picture opened = Take();
    EXPECT_EQ(opened.curves, live.curves);
    EXPECT_EQ(opened.section, live.section);
    EXPECT_TRUE(opened.labels == live.labels);
}
}  // namespace
}  // namespace qor::ui
