#include "data/qor_doc.h"
#include "station/station.h"
#include "ui/document/grafik_setup_dlg.h"
#include "ui/document/qor_view.h"
#include "ui/graph/graph_wnd.h"
#include "ui/shell/main_frame.h"
#include "ui/station/freigabe_dlg.h"
#include "ui_test_app.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace qor::ui {
namespace {

using station::Cmd;

// What the user did to the document graph goes into the file and comes back in a new run of
// the program.
class GraphStateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::App();
        ASSERT_TRUE(m_dir.isValid());
        qputenv("APPDATA", m_dir.path().toLocal8Bit());
        Start();
    }
    void TearDown() override
    {
        if (m_frame)
            m_frame->Document().m_modified = false;
        m_frame.reset();
    }

    void Start()
    {
        m_frame.reset();
        StartOptions o;
        o.transport = StartOptions::Transport::Simulate;
        m_frame = std::make_unique<CMainFrame>(o, m_time.clock, m_time);
        m_time.fire = [this](int id) { m_frame->OnTimer(id); };
        m_frame->show();
        test::Settle();
    }

    void OpenFile()
    {
        const QString file = m_file;
        test::OnNextModal([file](QWidget* w) {
            auto* dlg = qobject_cast<QFileDialog*>(w);
            ASSERT_NE(dlg, nullptr) << w->metaObject()->className();
            dlg->selectFile(file);
            QMetaObject::invokeMethod(dlg, "accept");
        });
        ASSERT_TRUE(m_frame->Run(Cmd::FileOpen));
        ASSERT_TRUE(m_frame->Document().m_fileBound);
    }

    // Value 1 and value 2 of the module at address 0, four samples.
    void Record()
    {
        const std::size_t before = m_frame->Document().Samples().size();
        test::OnNextModal([](QWidget* w) {
            auto* dlg = qobject_cast<CFreigabeDlg*>(w);
            ASSERT_NE(dlg, nullptr) << w->metaObject()->className();
            dlg->LeftList()->setCurrentRow(0);
            dlg->AddButton()->click();
            dlg->OkButton()->click();
        });
        ASSERT_TRUE(m_frame->Run(Cmd::SearchModules));
        test::OnNextModal([](QWidget* w) {
            auto* dlg = qobject_cast<CGrafikSetupGlg*>(w);
            ASSERT_NE(dlg, nullptr) << w->metaObject()->className();
            dlg->IntervalEdit()->setTime(QTime(0, 0, 1));
            dlg->Show(0, 0)->setChecked(true);
            dlg->Show(0, 1)->setChecked(true);
            dlg->accept();
        });
        ASSERT_TRUE(m_frame->Run(Cmd::StartRecording));
        m_time.Advance(3000);
        ASSERT_TRUE(m_frame->Run(Cmd::Stop));
        ASSERT_EQ(m_frame->Document().Samples().size(), before + 4);
    }

    struct Curve {
        graph::Rgb colour;
        std::string name;
        bool visible;
        std::size_t points;
    };
    CGraphWnd& Graph() { return *m_frame->GraphView()->Graph(); }
    std::vector<Curve> Curves()
    {
        std::vector<Curve> curves;
        int pos = -1;
        for (auto* g = Graph().GetFirstGraph(pos); g; g = Graph().GetNextGraph(pos))
            curves.push_back({g->m_colour, g->m_name, g->m_visible, g->m_points.size()});
        return curves;
    }

    QTemporaryDir m_dir;
    QString m_file = m_dir.filePath(QStringLiteral("kept.qo3"));
    test::SimTime m_time;
    std::unique_ptr<CMainFrame> m_frame;
};

TEST_F(GraphStateTest, CurvesAndTextsComeBackInANewRunAndGoWithClose)
{
    OpenFile();
    Record();
    const std::vector<Curve> before = Curves();
    ASSERT_EQ(before.size(), 2u);
    ASSERT_NE(before[1].colour, 0x123456u);

    int pos = -1;
    Graph().GetFirstGraph(pos);
    graph::CGraphProps* changed = Graph().GetNextGraph(pos);
    changed->m_colour = 0x123456;
    changed->m_name = "Cell voltage";
    changed->m_visible = false;
    Graph().Redraw();
    const graph::GraphText text{2.5, 1.25, "start of run", 0x00FF8000, "Courier", 1.5};
    Graph().AddText(text);
    ASSERT_TRUE(m_frame->Run(Cmd::FileSave));

    Start();  // a new run: nothing kept in memory, the same configuration folder
    EXPECT_EQ(Graph().GetGraphCount(), 0);
    OpenFile();
    const std::vector<Curve> after = Curves();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0].colour, before[0].colour);
    EXPECT_EQ(after[0].name, before[0].name);
    EXPECT_TRUE(after[0].visible);
    EXPECT_EQ(after[1].colour, 0x123456u);
    EXPECT_EQ(after[1].name, "Cell voltage");
    EXPECT_FALSE(after[1].visible);
    EXPECT_EQ(after[1].points, 4u);
    ASSERT_EQ(Graph().Texts().size(), 1u);
    const graph::GraphText& back = Graph().Texts()[0];
    EXPECT_EQ(back.x, text.x);
    EXPECT_EQ(back.y, text.y);
    EXPECT_EQ(back.text, text.text);
    EXPECT_EQ(back.colour, text.colour);
    EXPECT_EQ(back.font, text.font);
    EXPECT_EQ(back.scale, text.scale);

    ASSERT_TRUE(m_frame->Run(Cmd::FileClose));
    EXPECT_FALSE(m_frame->Document().m_fileBound);
    EXPECT_EQ(Graph().GetGraphCount(), 0);
    EXPECT_TRUE(Graph().Texts().empty());
}

}  // namespace
}  // namespace qor::ui
