// The data logger graph dialog offscreen, and a read-out from qorsim through the window.
#include "support/free_port.h"
#include "support/process.h"
#include "ui/document/graph_dl.h"
#include "ui/graph/graph_wnd.h"
#include "ui_test_app.h"

#include <QImage>
#include <QMessageBox>
#include <QToolButton>

namespace qor::ui {
namespace {

using test::ReadFile;

void AcceptNextMessage(QString* text)
{
    test::OnNext<QMessageBox>([text](QMessageBox* box) {
        *text = box->text();
        box->accept();
    });
}

TEST(GraphDL, OpeningButtonsStateAndExport)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("dl.tx3"));
    ASSERT_TRUE(
        test::WriteFile(path, "0101230930pH   7.000mV   250.0\n\r0101230931pH   7.125mV   251.5\n\r"));
    SimClock clock;
    CGraphDL dlg(clock);
    dlg.Open(path.toStdString(), 1);
    dlg.show();
    CGraphWnd& g = *dlg.Graph();
    ASSERT_EQ(g.GetGraphCount(), 2);
    EXPECT_EQ(g.Range(), (graph::GraphRange{0.0, 1.0, 7.0, 251.5}));

    // Each mode disables its own button at the next tick and enables the others.
    const struct {
        CGraphDL::Button click;
        bool zoom, text, edit;
    } modes[] = {{CGraphDL::ZoomRect, false, true, true},
                 {CGraphDL::TextPlace, true, false, true},
                 {CGraphDL::TextEdit, true, true, false}};
    for (const auto& m : modes) {
        dlg.GetButton(m.click)->click();
        dlg.Tick();
        EXPECT_EQ(dlg.GetButton(CGraphDL::ZoomRect)->isEnabled(), m.zoom) << m.click;
        EXPECT_EQ(dlg.GetButton(CGraphDL::TextPlace)->isEnabled(), m.text) << m.click;
        EXPECT_EQ(dlg.GetButton(CGraphDL::TextEdit)->isEnabled(), m.edit) << m.click;
    }

    // Kept for the next opening of the same file: section, a renamed curve, the grid off.
    dlg.GetButton(CGraphDL::ZoomIn)->click();
    const graph::GraphRange zoomed = g.Range();
    g.GetGraph(dlg.Model().m_curve[0])->m_name = "Acidity";
    dlg.Option(1)->setChecked(false);
    dlg.GetButton(CGraphDL::Exit)->click();
    EXPECT_EQ(dlg.Graph(), nullptr);
    dlg.Open(path.toStdString(), 1);
    EXPECT_EQ(dlg.Graph()->Range(), zoomed);
    EXPECT_EQ(dlg.Graph()->GetGraph(dlg.Model().m_curve[0])->m_name, "Acidity");
    EXPECT_EQ(dlg.Graph()->GetStyle(), unsigned{graph::kStyleLegend});
    EXPECT_FALSE(dlg.Option(1)->isChecked());

    const QString table = dir.filePath(QStringLiteral("t.txt"));
    ASSERT_TRUE(dlg.ExportTo(table.toStdString()));
    EXPECT_EQ(ReadFile(table).count('\n'), 2);
    QString message;
    AcceptNextMessage(&message);
    EXPECT_FALSE(dlg.ExportTo(dir.filePath(QStringLiteral("no/t.txt")).toStdString()));
    EXPECT_TRUE(message.startsWith("The file ")) << message.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("no"))));
    dlg.accept();

    AcceptNextMessage(&message);
    dlg.Open(dir.filePath(QStringLiteral("none.tx3")).toStdString(), 0);
    EXPECT_EQ(message, "Daten nicht verfügbar!");
    EXPECT_EQ(dlg.Graph()->GetGraphCount(), 0);
    dlg.accept();
}

// qortool logger: the reader's result as JSON, the export, and the dialog's picture.
TEST(GraphDL, QortoolLoggerDumpExportPlot)
{
    QTemporaryDir dir;
    const std::string in = dir.filePath(QStringLiteral("a.tx3")).toStdString();
    const std::string out = dir.filePath(QStringLiteral("a.txt")).toStdString();
    const std::string png = dir.filePath(QStringLiteral("a.png")).toStdString();
    ASSERT_TRUE(test::WriteFile(QString::fromStdString(in), "0101230930pH  12.345\xB0"
                                                            "C   1.000\n\r0101230931pH  12.000\xB0"
                                                            "C   2.000\n\r"));
    const std::string tool = test::BinPath("qortool");
    std::string json;
    ASSERT_EQ(test::RunProgram({"/usr/bin/env", "TZ=UTC", tool, "logger", "dump", in, "--lang", "en"}, &json),
              0);
    EXPECT_NE(json.find(R"({"x": 0, "time": 1672565400, "fields": [{"tag": "pH  ", "value": 12.345}, )"
                        R"({"tag": "°C  ", "value": 1}]})"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find(R"({"name": "Channel 1 [°C  ]", "colour": "#00ff00"}]})"), std::string::npos) << json;
    ASSERT_EQ(test::RunProgram({tool, "logger", "export", in, out}), 0);
    EXPECT_EQ(ReadFile(QString::fromStdString(out)), "01.01.23\t09:30\tpH  \t12,345\t\xB0"
                                                     "C  \t 1,000\t\r\n"
                                                     "01.01.23\t09:31\tpH  \t12,000\t\xB0"
                                                     "C  \t 2,000\t\r\n");
    ASSERT_EQ(test::RunProgram({tool, "logger", "plot", in, "--png", png, "--size", "600x400"}), 0);
    SimClock clock;
    CGraphDL dlg(clock);
    dlg.Open(in, 0);
    EXPECT_EQ(QImage(QString::fromStdString(png)).convertToFormat(QImage::Format_RGB32),
              dlg.Graph()->RenderImage(QSize(600, 400)));
    dlg.accept();

    // Bytes that hold no sample line are refused with a word, by every action.
    ASSERT_TRUE(
        test::WriteFile(QString::fromStdString(in), QByteArray("QOR3\0\x01\xff\n\rjunk line\n\r", 17)));
    for (const std::string& action : {"dump '" + in + "'", "export '" + in + "' '" + out + "'",
                                      "plot '" + in + "' --png '" + png + "'"}) {
        std::string said;
        EXPECT_EQ(
            test::RunProgram({"/bin/sh", "-c", "'" + tool + "' logger " + action + " --lang en 2>&1"}, &said),
            1)
            << action;
        EXPECT_NE(said.find("holds no data logger samples"), std::string::npos) << action << said;
    }
    // The dialog says so instead of drawing nothing.
    QString told;
    AcceptNextMessage(&told);
    CGraphDL refused(clock);
    refused.Open(in, 1);
    EXPECT_EQ(told.toStdString(), "The file holds no data logger samples.");
    EXPECT_EQ(refused.Graph()->GetGraphCount(), 0);
    refused.accept();
}

// qorsim's potentiostat holds 120 logger lines of three channels; the window reads them out.
TEST(GraphDL, ReadOutFromQorsimOpensTheGraph)
{
    const int port = test::PickFreePort();
    test::Process sim({test::BinPath("qorsim"), "--tcp", "127.0.0.1:" + std::to_string(port), "--module",
                       "0=1", "--module", "3=0x43"});
    ASSERT_EQ(sim.ReadLine(), "tcp 127.0.0.1:" + std::to_string(port));
    test::SimFrame f;
    StartOptions o;
    o.transport = StartOptions::Transport::Tcp;
    ASSERT_TRUE(wiring::ParseHostPort("127.0.0.1:" + std::to_string(port), o.ip, o.tcpPort));
    f.m_frame = std::make_unique<CMainFrame>(o, f.m_time.clock, f.m_time);
    f.m_frame->show();
    test::Settle();
    ASSERT_TRUE(f.SearchAndRelease({0, 1}));

    const QString file = f.Path("read.tx3");
    int curves = 0;
    std::size_t points = 0;
    std::string first;
    ASSERT_TRUE(f.WithFile(station::Cmd::ReadDataLogger, file, [&](QWidget* w) {
        auto* dlg = qobject_cast<CGraphDL*>(w);
        ASSERT_NE(dlg, nullptr) << w->metaObject()->className();
        curves = dlg->Graph()->GetGraphCount();
        points = dlg->Graph()->GetGraph(dlg->Model().m_curve[2])->m_points.size();
        first = dlg->Graph()->GetGraph(dlg->Model().m_curve[0])->m_name;
        dlg->GetButton(CGraphDL::Exit)->click();
    }));
    EXPECT_EQ(curves, 3);
    EXPECT_EQ(points, 120u);
    EXPECT_EQ(first, "Kanal 0 [pH  ]");
    EXPECT_TRUE(ReadFile(file).startsWith("0103260800pH "));

    // File > Open of the .tx3 and the .tx3 on the command line open it too.
    QString title;
    const auto takeTitle = [&title](QWidget* w) {
        title = w->windowTitle();
        QMetaObject::invokeMethod(w, "accept");
    };
    ASSERT_TRUE(f.WithFile(station::Cmd::FileOpen, file, takeTitle));
    EXPECT_EQ(title, "Datenlogger Grafik - read.tx3");
    test::OnNextModal(takeTitle);
    f.Start(1, file.toStdString());
    EXPECT_EQ(title, "Data logger graphic - read.tx3");
}

}  // namespace
}  // namespace qor::ui
