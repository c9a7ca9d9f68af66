#include "ui/graph/graph_panel.h"
#include "ui/graph/graph_wnd.h"
#include "ui/potentiostat/eis_graph.h"
#include "ui/potentiostat/info_copy.h"
#include "ui_test_app.h"

#include <QComboBox>
#include <cmath>
#include <numbers>

namespace qor::ui {
namespace {

constexpr QRgb kRed = 0xFFFF0000u, kBlue = 0xFF0000FFu, kGreen = 0xFF00A000u;

// A Randles cell (Rs 20 Ω, Rct 200 Ω, Q 20 µS·sⁿ, n 0.9) from 0.1 Hz to 100 kHz, 7 points a decade.
std::vector<data::CEISDatenObject> Spectrum()
{
    std::vector<data::CEISDatenObject> list;
    for (int k = 42; k >= 0; --k) {
        const double hz = std::pow(10.0, k / 7.0 - 1.0);
        const std::complex<double> jwn =
            std::pow(2.0 * std::numbers::pi * hz, 0.9) * std::polar(1.0, 0.9 * std::numbers::pi / 2.0);
        const std::complex<double> z = 20.0 + 200.0 / (1.0 + 200.0 * 2e-5 * jwn);
        data::CEISDatenObject p;
        p.m_val1 = static_cast<float>(hz);
        p.m_val2 = static_cast<float>(std::arg(z) * 180.0 / std::numbers::pi);
        p.m_val3 = static_cast<float>(std::abs(z));
        list.push_back(p);
    }
    return list;
}

// Pixels of a colour in a picture, and their bounding box.
QRect Box(const QImage& img, QRgb colour, const QRect& within = {})
{
    QRect box;
    const QRect area = within.isNull() ? img.rect() : within;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (img.pixel(x, y) == colour)
                box |= QRect(x, y, 1, 1);
    return box;
}

class EisWindowTest : public ::testing::Test {
protected:
    std::vector<data::CEISDatenObject> m_list = Spectrum();
    SimClock m_clock;
    cli::SilentDocumentUi m_ui;
    CEISGraph m_w{m_list, m_clock, m_ui, 1};
};

TEST_F(EisWindowTest, FitIsDrawnInEveryViewAndKKMarksACorruptedPoint)
{
    const std::string report = test::InfoOf(m_w.FitButton());
    EXPECT_TRUE(report.find("R1 = 200") != std::string::npos && report.find("χ²") != std::string::npos)
        << report;
    for (bool nyquist : {false, true}) {
        m_w.ShowNyquist(nyquist);
        const QImage img = m_w.RenderView(QSize(600, 500));
        for (QRect half : {QRect(0, 0, 600, 250), QRect(0, 250, 600, 250)})
            EXPECT_FALSE(Box(img, kBlue, half).isEmpty()) << nyquist;
    }
    // The residuals view: one red and one blue mark per point, the fit's scatter about zero.
    m_w.FitResidualsButton()->click();
    EXPECT_TRUE(m_w.FitResidualsShown() && !m_w.Graph(CEISGraph::FitResiduals)->isHidden());
    for (int curve : {CEISGraph::Measured, CEISGraph::Model}) {
        const auto& r = m_w.Graph(CEISGraph::FitResiduals)->GetGraph(curve)->m_points;
        ASSERT_EQ(r.size(), m_list.size());
        for (std::size_t i = 0; i < r.size(); ++i)
            EXPECT_LT(std::fabs(r.Y(i)), 1e-3) << i;  // percent; the points are the model's, as floats
    }
    m_w.SetCircuit("R0-p(R1");
    const potentiostat::CircuitFit bad = m_w.RunFit();
    EXPECT_EQ(bad.status, potentiostat::CircuitFit::BadCircuit);
    EXPECT_EQ(bad.error, "',' or ')' missing at character 8 (for p( at character 4)");
    m_w.SetCircuit("randles");
    ASSERT_TRUE(m_w.RunFit().ok());
    m_w.ShowNyquist(false);
    // Over the measured span the model meets the points (the first is at 100 kHz).
    const auto& model = m_w.Graph(1)->GetGraph(CEISGraph::Model)->m_points;
    EXPECT_NEAR(model.Y(model.size() - 1), std::log10(m_list.front().m_val3), 1e-3);  // |Z| in decades

    m_list[20].m_val3 *= 1.1f;
    m_w.Rebuild();
    EXPECT_EQ(m_w.Graph(0)->GetGraph(CEISGraph::Model)->m_points.size(), 0u) << "a fit of other data";
    const auto kk = m_w.RunKK();
    EXPECT_NE(std::find(kk.flagged.begin(), kk.flagged.end(), 20u), kk.flagged.end());
    const auto& marks = m_w.Graph(CEISGraph::Nyquist)->GetGraph(CEISGraph::Flagged)->m_points;
    const auto z = potentiostat::ToImpedance(m_list[20]).z;
    bool marked = false;
    for (std::size_t i = 0; i < marks.size(); ++i)
        marked |= marks.X(i) == z.real() && marks.Y(i) == -z.imag();
    EXPECT_TRUE(marked);
    EXPECT_FALSE(Box(m_w.RenderView(QSize(600, 500)), kGreen).isEmpty());
    const std::string text = potentiostat::EISViewModel::KKReport(kk, m_list, 0);
    EXPECT_NE(text.find(Format("%.2f Hz", double{m_list[20].m_val1})), std::string::npos) << text;
}

// Two runs of EIS steps: each spectrum drawn, analysed and exported on its own, the last first.
TEST_F(EisWindowTest, EachSpectrumShownOnItsOwn)
{
    const std::vector<data::CEISDatenObject> first = m_list;
    for (data::CEISDatenObject p : first) {
        p.m_flag1 = 2, p.m_val3 *= 2.0f;
        m_list.push_back(p);
    }
    m_list.back().m_val3 *= 1.1f;  // a wrong point, at the lowest frequency
    m_w.Rebuild();
    QComboBox* choice = m_w.SpectrumChoice();
    ASSERT_EQ(choice->count(), 2);
    EXPECT_EQ(choice->itemText(0), "Spectrum 2 (step 2)");
    EXPECT_TRUE(choice->itemData(0, Qt::ToolTipRole).toString().startsWith("Spectrum 2: step 2, 43 points"));
    EXPECT_EQ(m_w.ShownSpectrum(), 2u);
    EXPECT_EQ(m_w.Graph(0)->GetGraph(CEISGraph::Measured)->m_points.size(), 43u);
    // The check and its residual view concern the shown spectrum alone.
    m_w.ShowResiduals();
    EXPECT_TRUE(m_w.ResidualsShown() && !m_w.Graph(CEISGraph::Residuals)->isHidden() &&
                m_w.Graph(0)->isHidden());
    EXPECT_EQ(m_w.Graph(CEISGraph::Residuals)->GetGraph(CEISGraph::Model)->m_points.size(), 43u);
    EXPECT_EQ(m_w.Graph(CEISGraph::Residuals)->GetGraph(CEISGraph::Flagged)->m_points.size(),
              2u);  // mark, gap
    const QImage residuals = m_w.RenderView(QSize(600, 400));
    EXPECT_FALSE(Box(residuals, kRed).isEmpty() || Box(residuals, kBlue).isEmpty() ||
                 Box(residuals, kGreen).isEmpty());

    emit choice->activated(1);
    EXPECT_EQ(m_w.ShownSpectrum(), 1u);
    EXPECT_EQ(m_w.ShownPoints().front().m_val3, first.front().m_val3);
    // A further point of the last spectrum leaves the chosen one shown.
    m_list.push_back(m_list.back());
    m_list.back().m_val1 *= 0.5f;
    m_w.AddPoint();
    EXPECT_EQ(m_w.ShownSpectrum(), 1u);
    EXPECT_EQ(m_w.Graph(0)->GetGraph(CEISGraph::Measured)->m_points.size(), 43u);
    EXPECT_TRUE(choice->itemData(0, Qt::ToolTipRole).toString().contains("44 points"));

    QTemporaryDir dir;
    ASSERT_TRUE(m_w.ExportSpectrumTo(dir.filePath("one.csv").toStdString(), false));
    const QList<QByteArray> lines = test::ReadFile(dir.filePath("one.csv")).split('\n');
    ASSERT_EQ(lines.size(), 45);  // header, 43 points, nothing after the last line end
    EXPECT_TRUE(lines[43].startsWith("0.1,"));
}

// The Nyquist view keeps equal scales at every size of the window, and in its picture. (The
// plot command's runs are EisCommand.ExportFitAndCheckEndToEnd's.)
TEST_F(EisWindowTest, NyquistEqualScalesOnScreenAndInThePicture)
{
    m_w.show();
    m_w.ViewButton()->click();
    for (QSize size : {QSize(900, 640), QSize(420, 900)}) {
        m_w.resize(size);
        test::Settle();
        ASSERT_TRUE(m_w.Graph(CEISGraph::Nyquist)->isVisible() && !m_w.Graph(0)->isVisible());
        const graph::GraphRange& r = m_w.Graph(CEISGraph::Nyquist)->Range();
        const QWidget* plot = m_w.Graph(CEISGraph::Nyquist)->Panel();
        // The length of 200 Ω on each axis.
        const double onX = 200.0 * (plot->width() - 1) / (r.xTo - r.xFrom);
        const double onY = 200.0 * (plot->height() - 1) / (r.yTo - r.yFrom);
        EXPECT_NEAR(onX, onY, 1.0) << size.width();
        EXPECT_GT(onX, 0.5 * std::min(plot->width(), plot->height())) << "the points fill the plot";
    }

    // So does the picture of the view, which the plot command saves, with the fit drawn.
    m_w.SetCircuit("randles");
    ASSERT_TRUE(m_w.RunFit().ok());
    const QImage img = m_w.RenderView(QSize(640, 480));
    EXPECT_FALSE(Box(img, kBlue).isEmpty());
    // The arc as wide against its height on the picture as in ohms.
    double x0, x1, y0, y1;
    ASSERT_TRUE(m_w.Graph(CEISGraph::Nyquist)->GetDataRange(x0, x1, y0, y1));
    const QRect arc = Box(img, kRed);
    EXPECT_NEAR(double(arc.width()) / arc.height(), (x1 - x0) / (y1 - y0), 0.05 * (x1 - x0) / (y1 - y0));
}

}  // namespace
}  // namespace qor::ui
