#include "data/qor_doc.h"
#include "station/station.h"
#include "ui/document/qor_view.h"
#include "ui/graph/graph_wnd.h"
#include "ui/shell/main_frame.h"
#include "ui_test_app.h"

#include <QAction>
#include <gtest/gtest.h>

namespace qor::ui {
namespace {

using station::Cmd;

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

    // Without curves the section starts over at X 0..500.
    for (auto& show : setup.m_show1)
        show = 0;
    Doc().SetGrafikSetup(setup);  // the curves shown so far still hold X
    Doc().SetGrafikSetup(setup);
    EXPECT_EQ(Section(), (graph::GraphRange{0.0, 500.0, -5.0, 50.0}));
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
