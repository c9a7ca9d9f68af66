#include "cli/silent_document_ui.h"
#include "data/logbook.h"
#include "data/qor_doc.h"
#include "station/config.h"
#include "station/station.h"
#include "ui/document/qor_view.h"
#include "ui/graph/graph_panel.h"
#include "ui/graph/graph_wnd.h"
#include "ui/graph/point_view_bar.h"
#include "ui/shell/main_frame.h"
#include "ui/shell/main_menus.h"
#include "ui_test_app.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>
#include <gtest/gtest.h>

namespace qor::ui {
namespace {

using station::Cmd;

// What the view draws from the stored samples: each value times its factor, a failed reading
// (1e8 or more in size) at 0, X the sample's place in the file, and the setup's Y range. The
// configuration's display settings take effect: POINT marks the samples, AXIS=0 drops the
// grid, PREC sets the Y decimals.
TEST(DocumentView, DrawsTheStoredSamplesByTheSetup)
{
    test::App();
    struct Case {
        const char* name;
        std::function<void(data::CGrafikSetup&)> setup;
        int samples;
        std::vector<double> firstY;  // per curve
    };
    const Case cases[] = {
        {"failed reading", [](auto& s) { s.m_show1[3] = s.m_show2[3] = 1, s.m_factor1[3] = 2; }, 1, {0, 4}},
        {"factor", [](auto& s) { s.m_show2[0] = 1, s.m_factor2[0] = 10; }, 1, {15}},
        {"100 samples", [](auto& s) { s.m_show1[0] = 1; }, 100, {0.5}},
        {"empty setup", [](auto& s) { s.m_yFrom = -5, s.m_yTo = 50; }, 3, {}},
    };
    station::StationConfig config;
    config.point = 1;
    config.axis = 0;
    config.prec = 4;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimClock clock;
        data::Logbook logbook;
        cli::SilentDocumentUi silent;
        data::CQORDoc doc(clock, logbook, silent);
        CQORView view(doc, 0, GraphDisplay::FromConfig(config));
        EXPECT_EQ(view.Graph()->GetStyle(), unsigned{graph::kStyleMarkers | graph::kStyleLegend});
        EXPECT_EQ(view.Graph()->GetAxis(graph::kAxisY).m_decimals, 4);
        data::CGrafikSetup setup;
        c.setup(setup);
        doc.SetGrafikSetup(setup);
        auto add = [&doc](int i) {
            data::CDatenObject s;
            s.m_time = 1700000000 + i;
            s.m_value[0] = 0.5f, s.m_value[3] = 2.5e8f, s.m_value2[0] = 1.5f, s.m_value2[3] = 4.0f;
            doc.AppendSample(s);
        };
        for (int i = 0; i < c.samples; ++i)
            add(i);
        view.OnFileRead({});
        add(c.samples);  // recorded after the file was read
        view.OnSamplesAdded();
        EXPECT_EQ(view.Graph()->Range(), (graph::GraphRange{0, 500, setup.m_yFrom, setup.m_yTo}));
        ASSERT_EQ(view.Graph()->GetGraphCount(), static_cast<int>(c.firstY.size()));
        int pos = -1;
        for (double y : c.firstY) {
            const graph::CGraphProps* g =
                pos < 0 ? view.Graph()->GetFirstGraph(pos) : view.Graph()->GetNextGraph(pos);
            ASSERT_EQ(g->m_points.size(), static_cast<std::size_t>(c.samples + 1));
            EXPECT_EQ(g->m_points.Y(0), y);
            EXPECT_EQ(g->m_points.X(static_cast<std::size_t>(c.samples)), c.samples);
        }
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
        int pos = -1;
        const graph::CGraphProps* g = View().Graph()->GetFirstGraph(pos);
        return g->m_points.X(g->m_points.size() - 1);
    }
};

TEST_F(DocumentViewTest, SectionHoldsWhileSamplesArrive)
{
    View().Enlarge();
    View().ScrollSection(graph::ScrollDirection::Up);
    const graph::GraphRange zoomed = Section();
    m_time.Advance(10000);
    ASSERT_EQ(Doc().Samples().size(), 14u);
    EXPECT_EQ(Section(), zoomed);

    // Nothing lies left of sample 0: neither scrolling (also from the context menu) nor
    // reducing goes there.
    View().Graph()->SetRange(2.0, 10.0, 0.0, 1.0);
    View().Graph()->RunSectionCommand(CGraphWnd::SectionCommand::Scroll, graph::ScrollDirection::Left);
    EXPECT_EQ(Section(), (graph::GraphRange{1.0, 9.0, 0.0, 1.0}));
    View().ScrollSection(graph::ScrollDirection::Left);
    EXPECT_EQ(Section(), (graph::GraphRange{0.0, 8.0, 0.0, 1.0}));
    View().Reduce();
    EXPECT_EQ(Section(), (graph::GraphRange{0.0, 10.0, -0.25, 1.25}));
}

TEST_F(DocumentViewTest, AutomaticScrollingFollowsTheNewestSample)
{
    QAction* follow = m_frame->AutoScrollAction();
    ASSERT_FALSE(follow->isChecked());
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
}

TEST_F(DocumentViewTest, RebuildTakesTheSetupsYRangeAndKeepsX)
{
    View().Graph()->SetRange(3.0, 40.0, -1.0, 1.0);
    data::CGrafikSetup setup = Doc().GrafikSetup();
    setup.m_yFrom = -5.0f;
    setup.m_yTo = 50.0f;
    Doc().SetGrafikSetup(setup);
    EXPECT_EQ(Section(), (graph::GraphRange{3.0, 40.0, -5.0, 50.0}));
}

// The graph setup starts from what the graph shows; a zoom rectangle may reach left of X 0,
// where the other section commands leave it; the read-out goes to the status bar.
TEST_F(DocumentViewTest, SetupRangeZoomRectangleAndReadOut)
{
    View().Graph()->SetRange(0.0, 40.0, -12.5, 37.5);
    QString range;
    test::OnNextModal([&](QWidget* w) {
        auto* dlg = qobject_cast<CGrafikSetupGlg*>(w);
        ASSERT_NE(dlg, nullptr);
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

// The point list follows the recording; the graph goes to PDF through the file dialog.
TEST_F(DocumentViewTest, PointListAndPdf)
{
    m_frame->Menus().PointList()->trigger();
    ASSERT_NE(m_frame->PointList(), nullptr);
    ASSERT_TRUE(m_frame->PointList()->isVisible());
    EXPECT_EQ(m_frame->PointList()->List()->rowCount(), 4);
    m_time.Advance(1000);
    EXPECT_EQ(m_frame->PointList()->List()->rowCount(), 5);

    const QString pdf = Path("graph.pdf");
    test::OnNextModal([pdf](QWidget* w) {
        auto* dlg = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        dlg->selectFile(pdf);
        QMetaObject::invokeMethod(dlg, "accept");
    });
    m_frame->Menus().ExportPdf()->trigger();
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_GT(bytes.size(), 2000);
}

// Curve changes made in the window's dialogs were lost at Close without a question.
TEST_F(DocumentViewTest, ChangesInTheGraphsDialogsMarkTheDocumentModified)
{
    Doc().m_modified = false;
    test::OnNextModal([](QWidget* w) { QMetaObject::invokeMethod(w, "accept"); });
    ASSERT_TRUE(View().Graph()->ShowSelection());
    EXPECT_TRUE(Doc().m_modified);
}
}  // namespace
}  // namespace qor::ui
