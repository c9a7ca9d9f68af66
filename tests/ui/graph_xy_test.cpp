#include "../data/data_test_util.h"
#include "common/text.h"
#include "ui/graph/graph_panel.h"
#include "ui/graph/graph_wnd.h"
#include "ui/potentiostat/graph_auswahl_dlg.h"
#include "ui/potentiostat/graph_xy.h"
#include "ui/potentiostat/info_copy.h"
#include "ui_test_app.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPrinter>
#include <QRadioButton>
#include <QTest>
#include <cmath>

namespace qor::ui {
namespace {

using FileUi = data::test::FakeUi;

// A drag over the plot from X `from` to X `to` (data coordinates): press and release.
void DragX(CGraphWnd* g, double from, double to)
{
    QWidget* panel = g->Panel();
    const graph::GraphRange r = g->Range();
    auto px = [&](double x) {
        return QPoint(static_cast<int>(std::lround((x - r.xFrom) / (r.xTo - r.xFrom) * (panel->width() - 1))),
                      panel->height() / 2);
    };
    QTest::mousePress(panel, Qt::LeftButton, {}, px(from));
    QTest::mouseRelease(panel, Qt::LeftButton, {}, px(to));
}

using test::InfoOf;
using test::OnNext;

// Samples of range 3 (0.01 µA and 0.1 mV a step) a second apart; `at` gives sample k's
// current in µA and potential in mV.
std::vector<data::CPotQORDatenObject> Samples(int n, std::function<std::pair<double, double>(int)> at)
{
    std::vector<data::CPotQORDatenObject> samples(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        const auto [i, u] = at(k);
        samples[k].m_counter = 1000u * static_cast<std::uint32_t>(k);
        samples[k].m_range = 3;
        samples[k].m_raw = {static_cast<std::int16_t>(std::lround(i * 100)),
                            static_cast<std::int16_t>(std::lround(u * 10)), 0};
    }
    return samples;
}

// 1 µA (10^(U/60 mV) - 10^(-U/120 mV)) at U mV.
double ButlerVolmer(double u)
{
    return std::pow(10, u / 60) - std::pow(10, -u / 120);
}

class GraphXyTest : public ::testing::Test, protected test::SimFrame {
protected:
    // The window over `samples` (kept by reference), driven from here (its own dialogs are the
    // modal ones).
    std::unique_ptr<CGraphXY> Open(const std::vector<data::CPotQORDatenObject>& samples, unsigned address,
                                   int lang)
    {
        auto xy = std::make_unique<CGraphXY>(samples, address, m_time.clock, m_time, m_ui, lang,
                                             [this](const std::string& m) { m_messages.push_back(m); });
        m_time.fire = [w = xy.get()](int id) { id == CGraphXY::kTimerId ? w->OnTimer() : void(); };
        xy->setModal(false);
        xy->show();
        test::Settle();
        return xy;
    }
    FileUi m_ui;
    std::vector<std::string> m_messages;
};

TEST_F(GraphXyTest, TafelLinesChargesExportReferencesAndTheMenuCommand)
{
    // Butler-Volmer from -300 to 150 mV.
    const auto samples =
        Samples(91, [](int k) { return std::pair(ButlerVolmer(5.0 * k - 300), 5.0 * k - 300); });
    double charge = 0;  // µA·s; the first sample has no time step
    for (std::size_t k = 1; k < samples.size(); ++k)
        charge += std::fabs(samples[k].m_raw[0] / 100.0);
    const auto window = Open(samples, 3, 0);
    CGraphXY& xy = *window;
    EXPECT_TRUE(xy.ExportButton()->isEnabled() && !xy.TafelButton()->isEnabled());

    // Export (lin), the decimal choice left at the comma.
    m_ui.files = {Path("xy.txt").toStdString()};
    OnNext<QDialog>([](QDialog* d) { d->accept(); });
    xy.ExportButton()->click();
    EXPECT_EQ(test::ReadFile(Path("xy.txt")).count("\r\n"), 92);  // the head and every sample

    const std::string report = InfoOf(xy.ChargeField(0));
    EXPECT_NE(report.find(Format("Gesamt: %.2f mQ", charge / 1000)), std::string::npos) << report;

    xy.ScaleRadio(true)->click();
    EXPECT_TRUE(!xy.ExportButton()->isEnabled() && xy.TafelButton()->isEnabled());
    xy.Graph()->SetZoomMode(true);
    xy.TafelButton()->click();  // the range selection and the zoom exclude each other
    EXPECT_TRUE(xy.TafelButton()->isChecked() && xy.Graph()->RangeSelectMode() && !xy.Graph()->ZoomMode());
    const graph::GraphRange shown = xy.Graph()->Range();
    DragX(xy.Graph(), 0, 0.3);  // a click marks nothing
    EXPECT_FALSE(xy.Graph()->Selection().done);
    // Anodic with G1 (dragged right to left), cathodic with the choice cancelled (the first
    // graph), then a third.
    const std::pair<double, double> ranges[] = {{145, 70}, {-295, -160}, {0, 50}};
    for (int n = 0; n < 3; ++n) {
        OnNext<CGraphAuswahlDlg>([n](CGraphAuswahlDlg* d) { n == 1 ? d->reject() : d->Button(0)->click(); });
        DragX(xy.Graph(), ranges[n].first, ranges[n].second);
        m_time.Advance(CGraphXY::kTickMs);
        EXPECT_EQ(xy.Graph()->GetGraphCount(), 2 + std::min(n, 1)) << n;
    }
    EXPECT_EQ(m_messages, std::vector<std::string>{"Nur 2 Geraden sind möglich!"});
    EXPECT_EQ(xy.Graph()->Range(), shown) << "a range is no zoom";
    const std::string info = InfoOf(xy.InfoButton());
    const std::size_t anodic = info.find("βa="), cathodic = info.find("βc=");
    ASSERT_TRUE(anodic != std::string::npos && cathodic != std::string::npos) << info;
    EXPECT_NEAR(std::atof(info.c_str() + anodic + 4), 60, 3) << info;  // "β" takes two bytes
    EXPECT_NEAR(std::atof(info.c_str() + cathodic + 4), -120, 6) << info;
    EXPECT_NE(info.find("Schnittpunkt: "), std::string::npos);

    // The curve saved as a reference and loaded into REF2.
    m_ui.files = {Path("g1.ref").toStdString(), Path("g1.ref").toStdString()};
    xy.SaveRefButton()->click();
    OnNext<CGraphAuswahlDlg>([](CGraphAuswahlDlg* d) { d->Button(1)->click(); });
    xy.LoadRefButton()->click();
    EXPECT_TRUE(xy.ReferenceBox(1)->isChecked());
    EXPECT_EQ(xy.Graph()->GetGraphCount(), 4);  // G1, REF2 and the two lines
    EXPECT_EQ(m_messages.size(), 1u);

    QPrinter printer;  // one page, named for the plot
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(Path("xy.pdf"));
    xy.PrintOn(printer);
    const QByteArray pdfBytes = test::ReadFile(Path("xy.pdf"));
    EXPECT_TRUE(pdfBytes.startsWith("%PDF") && pdfBytes.contains("/Count 1"));
    EXPECT_TRUE(pdfBytes.contains(QByteArray("\0x\0y\0-\0P\0l\0o\0t", 14)));

    // The main window's command opens the window modal, not the run window.
    for (const auto& s : samples)
        m_frame->Document().AppendPot(s);
    QString title;
    OnNext<CGraphXY>([&title](CGraphXY* d) {
        title = d->windowTitle() + (d->isModal() ? " modal" : "");
        d->CloseButton()->click();
    });
    m_frame->Document().OnDisplayXyGraph();
    EXPECT_EQ(title, "XY Grafik modal");
    EXPECT_EQ(m_frame->PotGraph(), nullptr);  // not the run window
}

// The curve-name field names the measured curve (empty: after the bus address) and keeps
// the section; the zoom buttons zoom, and "Zoom -" and "Alles" are offered only while part
// of the curve is out of sight. Runs and overloads get curves of their own.
TEST_F(GraphXyTest, CurveNameZoomButtonsRunsAndOverloads)
{
    auto samples = Samples(20, [](int k) { return std::pair(k * k / 10.0, 10.0 * k); });
    const auto window = Open(samples, 5, 1);
    CGraphXY& xy = *window;
    EXPECT_EQ(xy.CurveNameField()->placeholderText(), "Pot/Gal Slave 5 mV / µA");
    const graph::GraphRange fitted = xy.Graph()->Range();
    EXPECT_TRUE(xy.ZoomInButton()->isEnabled());
    EXPECT_FALSE(xy.ZoomOutButton()->isEnabled() || xy.FitAllButton()->isEnabled());

    xy.ZoomInButton()->click();
    const graph::GraphRange zoomed = xy.Graph()->Range();
    EXPECT_LT(zoomed.xTo - zoomed.xFrom, fitted.xTo - fitted.xFrom);
    EXPECT_TRUE(xy.ZoomOutButton()->isEnabled() && xy.FitAllButton()->isEnabled());

    xy.CurveNameField()->setText(" Probe 7 ");
    emit xy.CurveNameField()->editingFinished();
    EXPECT_EQ(xy.Graph()->GetGraph(0)->m_name, "Probe 7");
    EXPECT_EQ(xy.Graph()->Range(), zoomed) << "renaming keeps the section";
    xy.CurveNameField()->clear();
    emit xy.CurveNameField()->editingFinished();
    EXPECT_EQ(xy.Graph()->GetGraph(0)->m_name, "Pot/Gal Slave 5 mV / µA");

    xy.FitAllButton()->click();
    EXPECT_EQ(xy.Graph()->Range(), fitted);
    EXPECT_FALSE(xy.ZoomOutButton()->isEnabled() || xy.FitAllButton()->isEnabled());

    // "Zoom" is the graph's rectangle mode, shown as the graph has it.
    xy.ZoomButton()->click();
    EXPECT_TRUE(xy.Graph()->ZoomMode());
    xy.Graph()->SetZoomMode(false);  // as a finished rectangle ends it
    m_time.Advance(CGraphXY::kTickMs);
    EXPECT_FALSE(xy.ZoomButton()->isChecked());
    EXPECT_TRUE(xy.RunBox()->isHidden());  // one run: nothing to choose

    // A second run (the counter starts again): the window shows the last, the box the first.
    for (int k = 0; k < 5; ++k) {
        samples.push_back(samples[static_cast<std::size_t>(k)]);
        samples.back().m_raw[1] = static_cast<std::int16_t>(-k * 100);
    }
    const auto two = Open(samples, 5, 1);
    ASSERT_EQ(two->RunBox()->count(), 2);
    EXPECT_FALSE(two->RunBox()->isHidden());
    EXPECT_EQ(two->Graph()->GetGraph(0)->m_points.size(), 5u);
    two->RunBox()->setCurrentIndex(0);
    EXPECT_EQ(two->Graph()->GetGraph(0)->m_points.size(), 20u);

    // Overloaded samples get marks over the curve, one curve per unbroken stretch.
    const double words[] = {100, 32767, 200, 300, -32768, -32768};
    const auto overloaded = Samples(6, [&](int k) { return std::pair(words[k] / 100, 10.0 * k); });
    const auto marked = Open(overloaded, 3, 1);
    ASSERT_EQ(marked->Graph()->GetGraphCount(), 3);
    std::vector<std::size_t> marks;
    for (const graph::CGraphProps* g : test::Curves(*marked->Graph()))
        if (g->m_name == "Overload")
            marks.push_back(g->m_points.size());
    EXPECT_EQ(marks, (std::vector<std::size_t>{1, 2}));
}

// "Rp …" asks for the options of the polarisation resistance that the Info report then uses;
// bad figures are refused with a message and change nothing.
TEST_F(GraphXyTest, RpOptionsDialogFeedsTheInfoReport)
{
    // Butler-Volmer from -30 to 30 mV.
    const auto samples = Samples(61, [](int k) { return std::pair(ButlerVolmer(k - 30.0), k - 30.0); });
    const auto window = Open(samples, 3, 1);
    CGraphXY& xy = *window;
    const std::pair<std::array<QString, 5>, const char*> refused[] = {
        {{"0", "", "", "", ""}, "Band ± [mV]: '0' is not a positive number (empty: none)"},
        {{"5", "x", "", "", ""}, "Electrode area [cm²]: 'x' is not a positive number (empty: none)"},
        {{"5", "1", "27.9", "", ""}, "Equivalent weight and density go together."},
        {{"5", "", "27.9", "7.87", ""}, "The corrosion rate needs the electrode area."},
    };
    for (const auto& [fields, message] : refused) {
        m_messages.clear();
        EXPECT_FALSE(xy.SetRpOptions(fields));
        EXPECT_EQ(m_messages, std::vector<std::string>{message});
    }
    EXPECT_EQ(xy.Model().RpOptionsInUse().band, 10.0);

    std::string report;
    OnNext<QDialog>([&report](QDialog* d) {
        const auto edits = d->findChildren<QLineEdit*>();
        ASSERT_EQ(edits.size(), 5);
        EXPECT_EQ(edits[0]->text(), "10");
        EXPECT_EQ(d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->text(), "Cancel");
        for (int k = 0; k < 5; ++k)
            edits[k]->setText(QStringList{"5", "0,5", "27.9", "7.87", "100"}[k]);
        OnNext<CInfoCopy>(
            [&report](CInfoCopy* info) {
                report = info->Text().toStdString();
                info->accept();
            },
            d);
        d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    xy.RpButton()->click();
    EXPECT_EQ(xy.Model().RpOptionsInUse().area, 0.5);
    EXPECT_NE(report.find("--- Polarisation resistance (±5 mV around"), std::string::npos) << report;
    EXPECT_NE(report.find("iR corrected with Rs=100 Ω"), std::string::npos) << report;
}

}  // namespace
}  // namespace qor::ui
