#include "ui/graph/graph_wnd.h"
#include "ui/potentiostat/eis_graph.h"
#include "ui/potentiostat/xy_graph.h"
#include "ui_test_app.h"

#include <QDir>
#include <QPrinter>
#include <cmath>
#include <cstring>

namespace qor::ui {
namespace {

class PotGraphsTest : public ::testing::Test, protected test::SimFrame {
protected:
    void Sample(std::uint32_t counter, std::int16_t current, std::int16_t potential)
    {
        std::uint8_t b[12] = {};
        std::memcpy(b, &counter, 4);
        b[4] = 1;     // step
        b[5] = 0x03;  // µA range, potential in 0.1 mV
        const std::int16_t raw[3] = {current, potential, 0};
        std::memcpy(b + 6, raw, 6);
        m_frame->Document().AddPotData(data::CQORDoc::PotBlock::Record, b, sizeof b);
    }
    void Point(float hz, float phase, float z)
    {
        std::uint8_t b[18] = {};
        const float v[3] = {hz, phase, z};
        std::memcpy(b + 4, v, 12);
        m_frame->Document().AddPotData(data::CQORDoc::PotBlock::Impedance, b, sizeof b);
    }
    static int Points(CGraphWnd* g) { return static_cast<int>(g->GetGraph(0)->m_points.size()); }
};

TEST_F(PotGraphsTest, DocumentOpensAndFeedsTheWindows)
{
    m_frame->Document().SetPotRunning(true);
    EXPECT_EQ(m_frame->PotGraph(), nullptr);
    Sample(4294967000u, 100, -50);
    CXYGraph* run = m_frame->PotGraph();
    ASSERT_NE(run, nullptr);
    EXPECT_TRUE(run->isVisible());
    Sample(200, 250, -80);    // counter wrapped: 0.496 s
    Sample(100200, 300, 40);  // 100.496 s
    for (int g = 0; g < 3; ++g)
        EXPECT_EQ(Points(run->Graph(g)), 3) << g;
    // The axes grow with the run, over the wrapped counter.
    EXPECT_EQ(run->Graph(0)->Range(), (graph::GraphRange{0, 121, 0, 3}));
    EXPECT_EQ(run->Graph(2)->Range(), (graph::GraphRange{0, 3, -8, 4}));

    // Closed and fed again, it opens with the whole list.
    run->close();
    Sample(100300, 10, 10);
    EXPECT_TRUE(run->isVisible());
    EXPECT_EQ(Points(run->Graph(1)), 4);

    const QString file = Path("run.txt");
    ASSERT_TRUE(run->ExportTo(file.toStdString(), true));
    const QByteArray bytes = test::ReadFile(file);
    EXPECT_TRUE(bytes.startsWith("step\ttype\tcurrent[\xB5"
                                 "A]\tvoltage[mV]\ttarget\r\n1\t3\t1,00\t-5,00\t0,00\t\r\n"));
    EXPECT_EQ(bytes.count("\r\n"), 5);  // the head and every sample

    Point(10, -45, 50);
    CEISGraph* eis = m_frame->EisGraph();
    ASSERT_NE(eis, nullptr);
    Point(1, -10, 200);
    Point(100, -80, 20);
    EXPECT_EQ(Points(eis->Graph(0)), 3);
    // Decades of frequency (1 … 1000 Hz), the phase's whole circle, and decades of |Z| (20 … 200).
    EXPECT_EQ(eis->Graph(0)->Range(), (graph::GraphRange{0, 3, -180, 180}));
    EXPECT_EQ(eis->Graph(1)->Range(), (graph::GraphRange{0, 3, std::log10(20.0), std::log10(200.0)}));
}

// Regression: a second run was drawn into the first run's curves, joined to its end, and
// its time axis cut the first run off.
TEST_F(PotGraphsTest, EachRunItsOwnCurve)
{
    m_frame->Document().SetPotRunning(true);
    for (std::uint32_t t : {0u, 1000u, 2000u, 0u, 1000u})  // the counter starts again: a second run
        Sample(t, t == 0 ? 300 : 100, 10);
    CXYGraph* run = m_frame->PotGraph();
    ASSERT_NE(run, nullptr);
    for (const bool rebuilt : {false, true}) {
        if (rebuilt)
            run->Rebuild();
        for (int g = 0; g < 3; ++g) {
            CGraphWnd* w = run->Graph(g);
            ASSERT_EQ(w->GetGraphCount(), 2) << g;
            EXPECT_EQ(Points(w), 3);
            EXPECT_EQ(w->GetGraph(1)->m_points.size(), 2u);
            EXPECT_EQ(w->GetGraph(0)->m_name + "/" + w->GetGraph(1)->m_name, "Lauf 1/Lauf 2");
            EXPECT_NE(w->GetGraph(0)->m_colour, w->GetGraph(1)->m_colour);
            EXPECT_TRUE(w->GetStyle() & graph::kStyleLegend);
        }
        EXPECT_EQ(run->Graph(0)->Range().xTo, 3);  // over the first, longer run
    }
}

// The hidden service buttons, the evaluation hook and the printed page. A level of 250 mV
// and 1.25 µA has no first harmonic: Z comes from the means alone.
TEST_F(PotGraphsTest, RunWindowServiceButtonsAndPrint)
{
    const QString home = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
    using test::ReadFile;
    m_frame->Document().SetPotRunning(true);
    for (std::uint32_t k = 0; k < 150; ++k)
        Sample(k, 125, 2500);
    CXYGraph* w = m_frame->PotGraph();
    std::vector<std::string> shown;
    w->SetMessageFunction([&](const std::string& m) { shown.push_back(m); });
    EXPECT_TRUE(w->EvaluateButton()->isVisible());
    EXPECT_FALSE(w->ClearButton()->isVisible() || w->DftButton()->isVisible() || w->FftButton()->isVisible());
    w->DftButton()->click();  // too few samples for a block: said, no file
    EXPECT_FALSE(QFile::exists("eis_daten.txt"));
    for (std::uint32_t k = 150; k < 399; ++k)
        Sample(k, 125, 2500);
    w->DftButton()->click();
    w->FftButton()->click();
    EXPECT_EQ(ReadFile("eis_daten.txt"), "M0,00 M0,00 P0,00 P0,00\n\rm_count=64 Z=200,00 P=0,00\n\r");
    EXPECT_TRUE(ReadFile("eis_fftdaten.txt").startsWith("G32000,00 G160,00 M0,00 M0,00 P0,00 P0,00\n\rZ="));
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0], "Zu wenige Messwerte für eine Analyse (200 je Block).");
    EXPECT_EQ(shown[1], "M0,00 M0,00 P0,00 P0,00\nm_count=64 Z=200,00 P=0,00\neis_daten.txt");
    w->EvaluateButton()->click();
    EXPECT_EQ(w->EvaluationData(), &m_frame->Document().Pot());

    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(Path("run.pdf"));
    w->PrintOn(printer);
    const QByteArray pdf = ReadFile(Path("run.pdf"));
    EXPECT_TRUE(pdf.startsWith("%PDF") && pdf.contains("/Count 1"));  // one page, named for the plot
    EXPECT_TRUE(pdf.contains(QByteArray("\0Q\0O\0r\0e\0m\0o\0t\0e\0 \0P\0l\0o\0t", 26)));
    w->ClearButton()->click();
    EXPECT_TRUE(w->Graph(2)->GetGraph(0)->m_points.empty());
    EXPECT_EQ(w->Model().MaxPotential(), 0.0);
    QDir::setCurrent(home);
}

}  // namespace
}  // namespace qor::ui
