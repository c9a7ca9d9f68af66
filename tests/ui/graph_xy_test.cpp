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
#include <QFile>
#include <QLineEdit>
#include <QPrinter>
#include <QRadioButton>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>

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

// `action` runs on the next modal dialog, which must be a D.
template <class D> void Next(std::function<void(D*)> action)
{
    test::OnNextModal([action](QWidget* w) { action(qobject_cast<D*>(w)); });
}

std::string InfoOf(QPushButton* button)
{
    std::string text;
    Next<CInfoCopy>([&text](CInfoCopy* d) { text = d->Text().toStdString(), d->accept(); });
    button->click();
    return text;
}

class GraphXyTest : public ::testing::Test, protected test::SimFrame {};

TEST_F(GraphXyTest, RangeSelectionModeOfTheGraph)
{
    CGraphWnd g(nullptr, 1);
    g.resize(400, 300);
    g.show();
    g.SetRange(0, 100, 0, 10, true);
    g.SetZoomMode(true);
    g.SetRangeSelectMode(true);  // the modes exclude each other
    EXPECT_FALSE(g.ZoomMode());
    DragX(&g, 80, 30);  // right to left: the limits still come as from < to
    EXPECT_TRUE(g.Selection().done && g.RangeSelectMode());
    EXPECT_LT(std::fabs(g.Selection().from - 30) + std::fabs(g.Selection().to - 80), 1);
    EXPECT_EQ(g.Range(), (graph::GraphRange{0, 100, 0, 10}));  // no zoom
    g.ClearSelection();
    DragX(&g, 50, 50.3);  // a click marks nothing
    EXPECT_FALSE(g.Selection().done);
}

// Overloaded samples get marks over the curve, one curve per unbroken stretch.
TEST_F(GraphXyTest, OverloadedSamplesAreMarked)
{
    const std::int16_t words[] = {100, 32767, 200, 300, -32768, -32768};
    std::vector<data::CPotQORDatenObject> samples(6);
    for (std::size_t k = 0; k < samples.size(); ++k) {
        samples[k].m_counter = 1000u * std::uint32_t(k), samples[k].m_range = 3;
        samples[k].m_raw = {words[k], static_cast<std::int16_t>(100 * k), 0};
    }
    FileUi ui;
    CGraphXY xy(samples, 3, m_time.clock, m_time, ui, 1, [](const std::string&) {});
    xy.setModal(false);
    xy.show();
    test::Settle();
    ASSERT_EQ(xy.Graph()->GetGraphCount(), 3);
    std::vector<std::size_t> marks;
    int pos;
    for (const graph::CGraphProps* g = xy.Graph()->GetFirstGraph(pos); g; g = xy.Graph()->GetNextGraph(pos))
        if (g->m_name == "Overload")
            marks.push_back(g->m_points.size());
    EXPECT_EQ(marks, (std::vector<std::size_t>{1, 2}));
}

TEST_F(GraphXyTest, TafelLinesChargesExportReferencesAndTheMenuCommand)
{
    // 1 µA · (10^(U/60 mV) − 10^(−U/120 mV)) from −300 to 150 mV, once a second, in 0.01 µA.
    std::vector<data::CPotQORDatenObject> samples(91);
    double charge = 0;  // µA·s; the first sample has no time step
    for (int k = 0; k <= 90; ++k) {
        const double u = 5.0 * k - 300, i = std::pow(10, u / 60) - std::pow(10, -u / 120);
        samples[k].m_counter = 1000u * k, samples[k].m_range = 3;
        samples[k].m_raw = {static_cast<std::int16_t>(std::lround(i * 100)),
                            static_cast<std::int16_t>(u * 10), 0};
        charge += k > 0 ? std::fabs(samples[k].m_raw[0] / 100.0) : 0;
    }
    FileUi ui;
    std::vector<std::string> messages;
    CGraphXY xy(samples, 3, m_time.clock, m_time, ui, 0,
                [&](const std::string& m) { messages.push_back(m); });
    m_time.fire = [&xy](int id) { id == CGraphXY::kTimerId ? xy.OnTimer() : void(); };
    xy.setModal(false);  // driven from here; its own dialogs are the modal ones
    xy.show();
    test::Settle();
    EXPECT_EQ(xy.Graph()->GetGraph(0)->m_name, "Pot/Gal Slave 3 mV / µA");
    EXPECT_TRUE(xy.ExportButton()->isEnabled() && !xy.TafelButton()->isEnabled());

    // Export (lin), the decimal choice left at the comma; the file is Windows-1252.
    ui.files = {Path("xy.txt").toStdString()};
    Next<QDialog>([](QDialog* d) { d->accept(); });
    xy.ExportButton()->click();
    QFile file(Path("xy.txt"));
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    EXPECT_TRUE(bytes.startsWith("X-Axis [mV]\tY-Axis [\xB5"
                                 "A]\t\r\n-300,00\t-316,23\t\r\n"));
    EXPECT_EQ(bytes.count("\r\n"), 92);

    const std::string report = InfoOf(xy.ChargeField(0));
    EXPECT_NE(report.find(Format("Gesamt: %.2f mQ", charge / 1000)), std::string::npos) << report;

    xy.ScaleRadio(true)->click();
    EXPECT_TRUE(!xy.ExportButton()->isEnabled() && xy.TafelButton()->isEnabled());
    xy.TafelButton()->click();
    EXPECT_TRUE(xy.TafelButton()->isChecked() && xy.Graph()->RangeSelectMode());
    // Anodic with G1, cathodic with the choice cancelled (the first graph), then a third.
    const std::pair<double, double> ranges[] = {{70, 145}, {-295, -160}, {0, 50}};
    for (int n = 0; n < 3; ++n) {
        Next<CGraphAuswahlDlg>([n](CGraphAuswahlDlg* d) { n == 1 ? d->reject() : d->Button(0)->click(); });
        DragX(xy.Graph(), ranges[n].first, ranges[n].second);
        m_time.Advance(CGraphXY::kTickMs);
        EXPECT_EQ(xy.Graph()->GetGraphCount(), 2 + std::min(n, 1)) << n;
    }
    EXPECT_EQ(messages, std::vector<std::string>{"Nur 2 Geraden sind möglich!"});
    const std::string info = InfoOf(xy.InfoButton());
    const std::size_t anodic = info.find("βa="), cathodic = info.find("βc=");
    ASSERT_TRUE(anodic != std::string::npos && cathodic != std::string::npos) << info;
    EXPECT_NEAR(std::atof(info.c_str() + anodic + 4), 60, 3) << info;  // "β" takes two bytes
    EXPECT_NEAR(std::atof(info.c_str() + cathodic + 4), -120, 6) << info;
    EXPECT_NE(info.find("Schnittpunkt: "), std::string::npos);

    // The curve saved as a reference and loaded into REF2.
    ui.files = {Path("g1.ref").toStdString(), Path("g1.ref").toStdString()};
    xy.SaveRefButton()->click();
    Next<CGraphAuswahlDlg>([](CGraphAuswahlDlg* d) { d->Button(1)->click(); });
    xy.LoadRefButton()->click();
    EXPECT_TRUE(xy.ReferenceBox(1)->isChecked());
    EXPECT_EQ(xy.Graph()->GetGraphCount(), 4);  // G1, REF2 and the two lines
    EXPECT_EQ(messages.size(), 1u);

    QPrinter printer;  // one page, named for the plot
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(Path("xy.pdf"));
    xy.PrintOn(printer);
    QFile pdf(Path("xy.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    const QByteArray pdfBytes = pdf.readAll();
    EXPECT_TRUE(pdfBytes.startsWith("%PDF") && pdfBytes.contains("/Count 1"));
    EXPECT_TRUE(pdfBytes.contains(QByteArray("\0x\0y\0-\0P\0l\0o\0t", 14)));

    // The main window's command opens the window modal, not the run window.
    for (const auto& s : samples)
        m_frame->Document().AppendPot(s);
    QString title;
    Next<CGraphXY>([&title](CGraphXY* d) {
        title = d->windowTitle() + (d->isModal() ? " modal" : ""), d->CloseButton()->click();
    });
    m_frame->Document().OnDisplayXyGraph();
    EXPECT_EQ(title, "XY Grafik modal");
    EXPECT_EQ(m_frame->PotGraph(), nullptr);  // not the run window
}

// The curve-name field names the measured curve (empty: after the bus address) and keeps
// the section; the zoom buttons zoom, and "Zoom -" and "Alles" are offered only while part
// of the curve is out of sight.
TEST_F(GraphXyTest, CurveNameAndZoomButtons)
{
    std::vector<data::CPotQORDatenObject> samples(20);
    for (int k = 0; k < 20; ++k) {
        samples[k].m_counter = 1000u * k, samples[k].m_range = 3;
        samples[k].m_raw = {static_cast<std::int16_t>(k * k * 10), static_cast<std::int16_t>(k * 100), 0};
    }
    FileUi ui;
    CGraphXY xy(samples, 5, m_time.clock, m_time, ui, 1);
    m_time.fire = [&xy](int id) { id == CGraphXY::kTimerId ? xy.OnTimer() : void(); };
    xy.setModal(false);
    xy.show();
    test::Settle();
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
    CGraphXY two(samples, 5, m_time.clock, m_time, ui, 1);
    ASSERT_EQ(two.RunBox()->count(), 2);
    EXPECT_FALSE(two.RunBox()->isHidden());
    EXPECT_EQ(two.Graph()->GetGraph(0)->m_points.size(), 5u);
    two.RunBox()->setCurrentIndex(0);
    EXPECT_EQ(two.Graph()->GetGraph(0)->m_points.size(), 20u);
}

// "Rp …" asks for the options of the polarisation resistance that the Info report then uses;
// bad figures are refused with a message and change nothing.
TEST_F(GraphXyTest, RpOptionsDialogFeedsTheInfoReport)
{
    std::vector<data::CPotQORDatenObject> samples(61);
    for (int k = 0; k <= 60; ++k) {  // 1 µA (10^(U/60) - 10^(-U/120)), U -30 .. 30 mV
        const double u = k - 30.0, i = std::pow(10, u / 60) - std::pow(10, -u / 120);
        samples[k].m_counter = 1000u * k, samples[k].m_range = 3;
        samples[k].m_raw = {static_cast<std::int16_t>(std::lround(i * 100)),
                            static_cast<std::int16_t>(u * 10), 0};
    }
    FileUi ui;
    std::vector<std::string> messages;
    CGraphXY xy(samples, 3, m_time.clock, m_time, ui, 1,
                [&](const std::string& m) { messages.push_back(m); });
    xy.setModal(false);
    xy.show();
    test::Settle();
    const std::pair<std::array<QString, 5>, const char*> refused[] = {
        {{"0", "", "", "", ""}, "Band ± [mV]: '0' is not a positive number (empty: none)"},
        {{"5", "x", "", "", ""}, "Electrode area [cm²]: 'x' is not a positive number (empty: none)"},
        {{"5", "1", "27.9", "", ""}, "Equivalent weight and density go together."},
        {{"5", "", "27.9", "7.87", ""}, "The corrosion rate needs the electrode area."},
    };
    for (const auto& [fields, message] : refused) {
        messages.clear();
        EXPECT_FALSE(xy.SetRpOptions(fields));
        EXPECT_EQ(messages, std::vector<std::string>{message});
    }
    EXPECT_EQ(xy.Model().RpOptionsInUse().band, 10.0);

    std::string report;
    Next<QDialog>([&report](QDialog* d) {
        const auto edits = d->findChildren<QLineEdit*>();
        ASSERT_EQ(edits.size(), 5);
        EXPECT_EQ(edits[0]->text(), "10");
        EXPECT_EQ(d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->text(), "Cancel");
        for (int k = 0; k < 5; ++k)
            edits[k]->setText(QStringList{"5", "0,5", "27.9", "7.87", "100"}[k]);
        Next<CInfoCopy>([&report](CInfoCopy* info) { report = info->Text().toStdString(), info->accept(); });
        d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    xy.RpButton()->click();
    EXPECT_EQ(xy.Model().RpOptionsInUse().area, 0.5);
    EXPECT_NE(report.find("--- Polarisation resistance (±5 mV around"), std::string::npos) << report;
    EXPECT_NE(report.find("iR corrected with Rs=100 Ω"), std::string::npos) << report;
}

}  // namespace
}  // namespace qor::ui
