// The run window's service buttons, its evaluation hook and its printed page.
#include "ui/graph/graph_wnd.h"
#include "ui/potentiostat/xy_graph.h"
#include "ui_test_app.h"

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QPushButton>
#include <gtest/gtest.h>

namespace qor::ui {
namespace {

struct Ui : data::DocumentUi {
    std::optional<std::string> ChooseFile(data::FileDialog, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    int AskSave(const std::string&, const std::string&) override { return 3; }
    void ShowMessage(const std::string& m) override { messages.push_back(m); }
    void SetTitle(const std::string&) override {}
    void OpenDataLogger(const std::string&, int) override {}
    std::vector<std::string> messages;
};

QByteArray Read(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
}

TEST(RunWindow, ServiceButtonsEvaluationAndPrint)
{
    test::App();
    QTemporaryDir dir;
    const QString home = QDir::currentPath();
    QDir::setCurrent(dir.path());
    SimClock clock(1236258429);
    Ui ui;
    // A level 250 mV, 1.25 µA run: no first harmonic, Z from the means alone.
    std::vector<data::CPotQORDatenObject> samples(150);
    for (std::size_t k = 0; k < samples.size(); ++k) {
        samples[k].m_counter = static_cast<std::uint32_t>(k * 10);
        samples[k].m_range = 0x0B;
        samples[k].m_raw = {125, 250, 0};
    }
    CXYGraph w(samples, clock, ui, 1);
    std::vector<std::string> shown;
    w.SetMessageFunction([&](const std::string& m) { shown.push_back(m); });
    w.show();
    EXPECT_TRUE(w.EvaluateButton()->isVisible());
    for (QPushButton* b : {w.ClearButton(), w.DftButton(), w.FftButton()})
        EXPECT_FALSE(b->isVisible()) << b->text().toStdString();

    // Too few samples for one block: said, and an older result stays.
    QFile old("eis_daten.txt");
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("earlier");
    old.close();
    w.DftButton()->click();
    EXPECT_EQ(shown, std::vector<std::string>{"Too few samples for an analysis (200 per block)."});
    EXPECT_EQ(Read("eis_daten.txt"), "earlier");

    samples.resize(399, samples.back());
    shown.clear();
    w.DftButton()->click();
    w.FftButton()->click();
    EXPECT_EQ(Read("eis_daten.txt"), "M0,00 M0,00 P0,00 P0,00\n\rm_count=64 Z=200,00 P=0,00\n\r");
    EXPECT_TRUE(Read("eis_fftdaten.txt").startsWith("G32000,00 G160,00 M0,00 M0,00 P0,00 P0,00\n\rZ="));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], "M0,00 M0,00 P0,00 P0,00\nm_count=64 Z=200,00 P=0,00\neis_daten.txt");
    EXPECT_TRUE(ui.messages.empty());

    // "Auswertung" takes the document's samples once.
    w.EvaluateButton()->click();
    EXPECT_EQ(w.EvaluationData(), &samples);

    // Printed: one page of the three graphs under the dated header, named for the plot.
    w.Rebuild();
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("run.pdf"));
    w.PrintOn(printer);
    const QByteArray pdf = Read(dir.filePath("run.pdf"));
    EXPECT_TRUE(pdf.startsWith("%PDF"));
    EXPECT_TRUE(pdf.contains("/Count 1"));
    EXPECT_TRUE(
        pdf.contains(QByteArray::fromStdString(std::string("\0Q\0O\0r\0e\0m\0o\0t\0e\0 \0P\0l\0o\0t", 26))));

    w.ClearButton()->click();
    for (int g = 0; g < 3; ++g)
        EXPECT_TRUE(w.Graph(g)->GetGraph(0)->m_points.empty()) << g;
    EXPECT_EQ(w.Model().MaxPotential(), 0.0);
    QDir::setCurrent(home);
}

}  // namespace
}  // namespace qor::ui
