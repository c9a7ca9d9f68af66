#include "sim/sim_bus.h"
#include "station/station.h"
#include "ui/document/export_dlg.h"
#include "ui/document/logbuch_view.h"
#include "ui/document/qor_view.h"
#include "ui/graph/graph_wnd.h"
#include "ui/potentiostat/eis_graph.h"
#include "ui/potentiostat/xy_graph.h"
#include "ui/shell/main_menus.h"
#include "ui/station/c3d_meter_ctrl.h"
#include "ui/station/digital_mess_view.h"
#include "ui/station/led.h"
#include "ui/station/rs232_dlg.h"
#include "ui_test_app.h"

#include <QDir>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <cmath>
#include <tuple>

namespace qor::ui {
namespace {

using station::Cmd;

class MainFrameTest : public ::testing::Test, protected test::SimFrame {
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    const std::string& Log() { return m_frame->LogbookObject().m_text; }
    CGraphWnd& Graph() { return *m_frame->GraphView()->Graph(); }
    bool SwitchToSerial()
    {
        test::OnNext<Crs232>([](Crs232* dlg) {
            dlg->SerialChoice()->click();
            dlg->accept();
        });
        return m_frame->Run(Cmd::PortSetup);
    }
};

// Every digit box shows its whole number at a size that fits, or a mark without digits;
// units and "Run:" are not cut.
void ExpectWhole(const CDigitalMessView& view, const char* when)
{
    for (int i = 0; i < 3; ++i) {
        const QLabel& box = *view.DigitBox(i);
        const QString shown = box.text();
        EXPECT_TRUE(shown == view.ValueText(i) ||
                    !shown.contains(QRegularExpression(QStringLiteral("[0-9]"))))
            << when << ": " << shown.toStdString() << " for " << view.ValueText(i).toStdString();
        EXPECT_LE(box.fontMetrics().horizontalAdvance(shown), box.contentsRect().width()) << when << i;
        EXPECT_GE(box.font().pixelSize(), 9) << when << i;
    }
    for (const QLabel* l : view.findChildren<QLabel*>()) {
        if (!l->frameWidth()) {
            EXPECT_LE(l->fontMetrics().horizontalAdvance(l->text()), l->contentsRect().width())
                << when << ": " << l->text().toStdString();
        }
    }
}

// The meters of the released modules open in a cascade and come to the front each time
// measuring starts, and stay there when one of them closes; their names follow the language,
// their digits the poll. Tile and Cascade give the four measurement windows and the graph a
// size at which the digits stay whole in a 1280x800 window, tiled side by side, cascaded with
// every title bar free; a digital view grows with its frame.
TEST_F(MainFrameTest, TiledMeasurementWindowsKeepTheirDigits)
{
    m_frame->resize(1280, 800);
    ASSERT_TRUE(SearchAndRelease({0, 1, 2, 3}));
    QMdiArea* area = m_frame->MdiArea();
    auto expectInFront = [&](const char* when) {
        const QList<QMdiSubWindow*> order = area->subWindowList(QMdiArea::StackingOrder);
        const auto graph = order.indexOf(qobject_cast<QMdiSubWindow*>(m_frame->GraphView()->parentWidget()));
        for (int a = 0; a < 4; ++a)
            EXPECT_TRUE(!m_frame->MeterFrame(a) || order.indexOf(m_frame->MeterFrame(a)) > graph)
                << when << a;
    };
    for (int run = 0; run < 2; ++run) {
        ASSERT_TRUE(run == 0 || m_frame->Run(Cmd::Stop));
        ASSERT_TRUE(m_frame->Run(Cmd::StartMeasuring));
        test::Settle();
        expectInFront("measuring started");
    }
    EXPECT_EQ(m_frame->PaneText(2), "Datenübertragung läuft");
    for (int a = 0; a < 4; ++a) {
        ASSERT_NE(m_frame->MeterFrame(a), nullptr) << a;
        EXPECT_EQ(m_frame->MeterFrame(a)->pos(), QPoint(20 * (a + 1), 20 * (a + 1)));
    }
    EXPECT_EQ(m_frame->MeterFrame(4), nullptr);
    m_frame->SetLanguage(1);  // before any poll, the titles follow the language too
    EXPECT_EQ(m_frame->MeterFrame(1)->windowTitle(), "Slave 01 2000µS - amplifier");
    m_frame->SetLanguage(0);

    // One poll: the digits show the cycle's measurement, the lamp is lit green.
    struct Last : station::MeasurementListener {
        station::Measurement m;
        void OnMeasurement(const station::Measurement& x) override { m = x; }
    } last;
    m_frame->GetStation().Measurements().Subscribe(&last);
    m_time.Advance(1000);
    CDigitalMessView* view = m_frame->MeterView(0);
    EXPECT_EQ(view->ValueText(0), QString::asprintf("%.3f", last.m.modules[0].values[0]));
    EXPECT_EQ(view->Lamp()->LedColour(), CLed::LED_COLOR_GREEN);
    for (const bool tile : {true, false}) {
        m_frame->ArrangeWindows(tile);
        test::Settle();
        const char* when = tile ? "tiled" : "cascaded";
        const QList<QMdiSubWindow*> stack = area->subWindowList(QMdiArea::StackingOrder);
        for (qsizetype i = 0; i < stack.size(); ++i) {
            const QRect below = stack[i]->geometry();
            EXPECT_TRUE(area->viewport()->rect().contains(below)) << when;
            for (qsizetype above = i + 1; above < stack.size(); ++above) {
                const QRect over = stack[above]->geometry();
                EXPECT_FALSE(tile ? over.intersects(below) : over.contains(below.topLeft() + QPoint(8, 6)))
                    << when << i << " under " << above;
            }
        }
        for (int a = 0; a < 4; ++a)
            ExpectWhole(*m_frame->MeterView(a), when);
    }
    // A cycle that missed the module shows no value, and the names follow the language at once.
    m_frame->SimulatedBus()->QueueFault(0, sim::Fault::NoAnswer);
    m_time.Advance(1000);
    EXPECT_EQ(last.m.modules[0].state, station::Reading::Missed);
    EXPECT_EQ(view->ValueText(0), "---");
    m_frame->SetLanguage(1);
    EXPECT_EQ(view->Title(), "Slave 00 pH - amplifier");
    m_frame->SetLanguage(0);
    m_frame->GetStation().Measurements().Unsubscribe(&last);

    // The user works in the window and closes the meter in front.
    QApplication::setActiveWindow(m_frame.get());
    area->setActiveSubWindow(m_frame->MeterFrame(1));
    m_frame->MeterFrame(1)->close();
    test::Settle();
    expectInFront("one closed");
    QMdiSubWindow* frame = m_frame->MeterFrame(0);
    const int meterWidth = m_frame->MeterView(0)->Meter(0)->width();
    frame->resize(frame->size() * 2);
    EXPECT_GE(m_frame->MeterView(0)->Meter(0)->width(), meterWidth * 3 / 2);

    // Closing every view enables the command again while measuring runs.
    for (int a : {0, 2, 3})
        m_frame->MeterFrame(a)->close();
    test::Settle();
    EXPECT_TRUE(m_frame->Action(Cmd::ShowMeters)->isEnabled());
    ASSERT_TRUE(m_frame->Run(Cmd::Stop));
    EXPECT_EQ(m_frame->PaneText(2), "keine Datenübertragung");
}

// End to end: search, release two modules, record three ticks, change a curve and add a text,
// stop, save, export, close, open again in a new run of the program.
TEST_F(MainFrameTest, RecordSaveExportCloseAndOpenAgain)
{
    const QString file = Path("run.qo3");
    ASSERT_TRUE(WithFile(Cmd::FileOpen, file));
    ASSERT_TRUE(SearchAndRelease({0, 1}));
    ASSERT_TRUE(StartRecording({{0, 0}, {1, 0}}, [](CGrafikSetupGlg* dlg) {
        EXPECT_FALSE(dlg->Show(5, 0)->isEnabled());  // not released
    }));
    ASSERT_TRUE(m_frame->GetStation().Recording());
    // The first sample at once, then one per recording tick.
    m_time.Advance(3000);
    ASSERT_EQ(m_frame->Document().Samples().size(), 4u);

    ASSERT_TRUE(m_frame->Run(Cmd::Stop));
    const float first = m_frame->Document().Samples().front().m_value[0];
    auto look = [](const graph::CGraphProps* c) {
        return std::tuple(c->m_colour, c->m_name, c->m_visible, c->m_points.size());
    };
    std::vector<graph::CGraphProps*> curves = test::Curves(Graph());
    ASSERT_EQ(curves.size(), 2u);
    const auto kept = look(curves[0]);
    graph::CGraphProps* changed = curves[1];
    ASSERT_NE(changed->m_colour, 0x123456u);
    changed->m_colour = 0x123456;
    changed->m_name = "Cell voltage";
    changed->m_visible = false;
    const graph::GraphText text{2.5, 1.25, "start of run", 0x00FF8000, "Courier", 1.5};
    Graph().AddText(text);
    ASSERT_TRUE(m_frame->Run(Cmd::FileSave));
    EXPECT_FALSE(m_frame->Document().Modified());

    // Export: the file dialog, then the column choice; one line per sample below the header.
    const QString table = Path("run.txt");
    ASSERT_TRUE(WithFile(Cmd::FileExport, table, [](QWidget* d) {
        auto* dlg = qobject_cast<CExportDlg*>(d);
        ASSERT_NE(dlg, nullptr) << d->metaObject()->className();
        EXPECT_TRUE(dlg->Box(0, 0)->isChecked());
        EXPECT_FALSE(dlg->Box(5, 0)->isEnabled());  // not recorded
        dlg->DecimalChoice(1)->click();
        QMetaObject::invokeMethod(dlg, "accept");
    }));
    const QList<QByteArray> lines = test::ReadFile(table).split('\n');
    EXPECT_EQ(lines.size(), 4 + 2);  // header, samples, empty tail
    EXPECT_TRUE(lines.value(1).contains(QByteArray::number(first, 'f', 2)));
    ASSERT_TRUE(m_frame->Run(Cmd::FileClose));
    EXPECT_FALSE(m_frame->Document().FileBound());
    EXPECT_TRUE(m_frame->Document().Samples().empty());
    EXPECT_TRUE(Graph().Texts().empty());

    Start();
    ASSERT_TRUE(WithFile(Cmd::FileOpen, file));
    ASSERT_EQ(m_frame->Document().Samples().size(), 4u);
    EXPECT_EQ(m_frame->Document().Samples().front().m_value[0], first);
    curves = test::Curves(Graph());
    ASSERT_EQ(curves.size(), 2u);
    EXPECT_EQ(look(curves[0]), kept);
    EXPECT_EQ(look(curves[1]), std::tuple(0x123456u, std::string("Cell voltage"), false, std::size_t{4}));
    ASSERT_EQ(Graph().Texts().size(), 1u);
    const graph::GraphText& back = Graph().Texts()[0];
    EXPECT_EQ(std::tie(back.x, back.y, back.text, back.colour, back.font, back.scale),
              std::tie(text.x, text.y, text.text, text.colour, text.font, text.scale));
}

// A manual entry goes into the logbook as typed; the toggle turns the logbook and the entry
// command off. Closing with the document so modified asks first; Escape is Cancel.
TEST_F(MainFrameTest, ManualLogbookEntryAndClosingAsks)
{
    ASSERT_TRUE(WithFile(Cmd::FileOpen, Path("asked.qo3")));
    test::OnNextModal([](QWidget* w) {
        auto* edit = w->findChild<QPlainTextEdit*>();
        ASSERT_NE(edit, nullptr);
        edit->setPlainText(QStringLiteral("A\nB"));
        QMetaObject::invokeMethod(w, "accept");
    });
    ASSERT_TRUE(m_frame->Run(Cmd::LogbookEntry));
    EXPECT_NE(Log().find("\tmanueller Eintrag\n\t\t\t\tA\r\n\t\t\t\tB\n"), std::string::npos) << Log();
    ASSERT_TRUE(m_frame->Run(Cmd::ToggleLogbook));
    EXPECT_FALSE(m_frame->Action(Cmd::LogbookEntry)->isEnabled());

    ASSERT_TRUE(m_frame->Document().Modified());
    // Cancel keeps the window and the bound file.
    test::OnNextModal([](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_FALSE(m_frame->close());
    EXPECT_TRUE(m_frame->Document().FileBound());
    // Yes saves, then the window closes and the configuration is written.
    test::OnNextModal([](QWidget* w) { w->findChild<QPushButton*>("yes")->click(); });
    EXPECT_TRUE(m_frame->close());
    EXPECT_GT(QFileInfo(Path("asked.qo3")).size(), 0);
    EXPECT_TRUE(QFileInfo::exists(m_dir.filePath("QORremote/config.ini")));
}

// Guards an OK in the port setup writing the simulated bus over the saved link, and a status bar
// that calls the simulated bus a gateway.
TEST_F(MainFrameTest, SimulatedBusNeverReplacesTheSavedLink)
{
    Quit();
    const QString path = m_dir.filePath("QORremote/config.ini");
    ASSERT_TRUE(QDir().mkpath(m_dir.filePath("QORremote")));
    const QByteArray saved = "[RS232]\n\rPORT=3\n\r[GRAFIK]\n\rIDCOUNT=4\n\rETHERNET=0\n\r"
                             "IP_ADR=010000000001\n\rTCP_PORT=50001\n\r";
    ASSERT_TRUE(test::WriteFile(path, saved));
    Start();
    EXPECT_EQ(m_frame->PaneText(1), "Simulierter Bus (Gateway)");
    m_frame->SetLanguage(1);
    EXPECT_EQ(m_frame->PaneText(1), "Simulated bus (gateway)");
    test::OnNext<Crs232>([](Crs232* dlg) {
        dlg->IdCountEdit()->setValue(7);  // not a link setting: kept
        dlg->accept();
    });
    ASSERT_TRUE(m_frame->Run(Cmd::PortSetup));
    ASSERT_TRUE(SearchAndRelease({0}));
    EXPECT_EQ(m_frame->PaneText(1), "Simulated bus (gateway)");
    Quit();
    const QByteArray written = test::ReadFile(path);
    for (const char* line :
         {"\rPORT=3\n", "\rETHERNET=0\n", "\rIP_ADR=010000000001\n", "\rTCP_PORT=50001\n", "\rIDCOUNT=7\n"})
        EXPECT_TRUE(written.contains(line)) << line << "\n" << written.toStdString();
}

// Catches every message box that opens and closes it again.
struct MessageBoxWatch : QObject {
    MessageBoxWatch() { QCoreApplication::instance()->installEventFilter(this); }
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Show && qobject_cast<QMessageBox*>(o)) {
            ++shown;
            QMetaObject::invokeMethod(o, "reject", Qt::QueuedConnection);
        }
        return false;
    }
    int shown = 0;
};

// The port setup switches from the gateway to the serial line, which the simulated bus
// answers as well, and is kept away while measuring. Guards the checksum message box held
// open inside the poll cycle while the record timer stores frozen values.
TEST_F(MainFrameTest, ChecksumErrorIsANoticeAndRecordingGoesOn)
{
    ASSERT_TRUE(SearchAndRelease({0}));
    ASSERT_NE(m_frame->SimulatedBus(), nullptr);
    EXPECT_EQ(m_frame->PaneText(1), "Simulierter Bus (Gateway)");
    ASSERT_TRUE(SwitchToSerial());  // frames with a checksum
    EXPECT_EQ(m_frame->PaneText(1), "Simulierter Bus (seriell)");
    EXPECT_FALSE(m_frame->GetStation().Link().Connected());
    ASSERT_TRUE(SearchAndRelease({}));
    EXPECT_EQ(m_frame->PaneText(3), "Module angemeldet");
    ASSERT_TRUE(m_frame->Run(Cmd::StartMeasuring));
    EXPECT_FALSE(m_frame->Run(Cmd::PortSetup));
    ASSERT_TRUE(StartRecording({{0, 1}}));
    MessageBoxWatch watch;
    for (int i = 0; i < 3; ++i)
        m_frame->SimulatedBus()->QueueFault(0, sim::Fault::BadChecksum);
    m_time.Advance(5000);
    EXPECT_EQ(watch.shown, 0);
    EXPECT_EQ(m_frame->statusBar()->currentMessage(), "Error CS protocol");
    EXPECT_NE(Log().find("\tError CS protocol\n"), std::string::npos);
    const auto& samples = m_frame->Document().Samples();
    ASSERT_EQ(samples.size(), 6u);
    EXPECT_FALSE(std::isnan(samples.back().m_value[0]));
}

// The Potentiostat menu opens the run window and the impedance window again once closed, and
// starts and stops the program.
TEST_F(MainFrameTest, PotentiostatMenuReopensTheResultWindows)
{
    data::CEISDatenObject p;
    p.m_val1 = 10.0f, p.m_val2 = -30.0f, p.m_val3 = 50.0f;
    m_frame->Document().AppendEis(p);
    const MainMenus& menus = m_frame->Menus();
    for (QAction* a : {menus.ShowEis(), menus.ShowRun()}) {
        const QList<QObject*> in = a->associatedObjects();
        EXPECT_TRUE(std::any_of(in.begin(), in.end(), [](QObject* o) {
            auto* menu = qobject_cast<QMenu*>(o);
            return menu && menu->title() == "&Potentiostat";
        }));
    }
    for (int round = 0; round < 2; ++round) {
        menus.ShowEis()->trigger();
        menus.ShowRun()->trigger();
        ASSERT_TRUE(m_frame->EisGraph() && m_frame->PotGraph());
        EXPECT_TRUE(m_frame->EisGraph()->isVisible() && m_frame->PotGraph()->isVisible()) << round;
        EXPECT_EQ(m_frame->EisGraph()->ShownPoints().size(), 1u);
        m_frame->EisGraph()->close();
        m_frame->PotGraph()->close();
        EXPECT_FALSE(m_frame->EisGraph()->isVisible());
    }
    // Its export: the CSV filter chosen, a name without suffix becomes a .csv file of values.
    test::OnNextFileDialog(Path("spectrum"), "CSV (*.csv)");
    m_frame->EisGraph()->ExportButton()->click();
    EXPECT_EQ(test::ReadFile(Path("spectrum.csv")),
              "frequency[Hz],Z'[Ohm],Z''[Ohm],|Z|[Ohm],phase[deg]\r\n10,43.30127,-25,50,-30\r\n");

    // The potentiostat's lamp turns yellow while its program runs, green again after the stop.
    ASSERT_TRUE(SearchAndRelease({3}));
    ASSERT_TRUE(m_frame->GetStation().PotentiostatPresent());
    ASSERT_TRUE(m_frame->Run(Cmd::StartPotentiostat));
    ASSERT_TRUE(m_frame->GetStation().PotentiostatRunning());
    ASSERT_NE(m_frame->MeterView(3), nullptr);
    m_time.Advance(1000);
    EXPECT_EQ(m_frame->MeterView(3)->Lamp()->LedColour(), CLed::LED_COLOR_YELLOW);
    EXPECT_NE(Log().find("Start POT/GAL"), std::string::npos);

    ASSERT_TRUE(m_frame->Run(Cmd::StopPotentiostat));
    m_time.Advance(1000);
    EXPECT_EQ(m_frame->MeterView(3)->Lamp()->LedColour(), CLed::LED_COLOR_GREEN);
    ASSERT_TRUE(m_frame->Run(Cmd::Stop));
    EXPECT_EQ(m_frame->MeterFrame(3), nullptr);  // the stop closes the measurement windows
}

// The File menu lists the documents opened last and the list outlives the window; a file
// named on the command line is read at the first activation; an entry whose file went away
// is dropped instead of being created empty.
TEST_F(MainFrameTest, RecentFilesAndTheCommandLineFile)
{
    const QString first = Path("first.qo3"), second = Path("second.qo3");
    for (const QString& f : {first, second}) {
        ASSERT_TRUE(WithFile(Cmd::FileOpen, f));
        ASSERT_TRUE(SearchAndRelease({0}));
        m_frame->GetStation().AddLogbookEntry("marker entry");
        m_frame->Document().AddSample(data::CDatenObject{});
        ASSERT_TRUE(m_frame->Run(Cmd::FileSave));
        ASSERT_TRUE(m_frame->Run(Cmd::FileClose));
    }
    ASSERT_EQ(m_frame->RecentFiles().Files().size(), 2u);
    EXPECT_EQ(QString::fromStdString(m_frame->RecentFiles().Files()[0]), second);
    EXPECT_TRUE(m_frame->RecentAction(0)->text().endsWith(QStringLiteral("second.qo3")));
    EXPECT_FALSE(m_frame->RecentAction(2)->isVisible());

    Start(1, second.toStdString());
    EXPECT_EQ(m_frame->Document().Samples().size(), 1u);
    EXPECT_LT(Log().find("marker entry"), Log().find("Start of program"));
    EXPECT_NE(Log().find("File " + second.toStdString() + " load"), std::string::npos);
    EXPECT_TRUE(m_frame->windowTitle().startsWith(second));
    m_frame->UpdateCommands();
    EXPECT_FALSE(m_frame->RecentAction(1)->isEnabled()) << "a file is bound";
    ASSERT_TRUE(m_frame->Run(Cmd::FileClose));

    m_frame->OpenRecent(1);
    EXPECT_EQ(QString::fromStdString(m_frame->Document().Path()), first);
    EXPECT_EQ(m_frame->Document().Samples().size(), 1u);
    EXPECT_EQ(QString::fromStdString(m_frame->RecentFiles().Files()[0]), first);
    ASSERT_TRUE(m_frame->Run(Cmd::FileClose));

    ASSERT_TRUE(QFile::remove(second));
    test::OnNext<QMessageBox>([](QMessageBox* box) { box->accept(); });
    m_frame->OpenRecent(1);
    EXPECT_FALSE(QFile::exists(second));
    EXPECT_FALSE(m_frame->Document().FileBound());
    EXPECT_EQ(m_frame->RecentFiles().Files().size(), 1u);
}

}  // namespace
}  // namespace qor::ui
