// Makes the pictures of the station window for the documentation: the window while recording
// from two modules, once in German and once in English, on the simulated bus and clock; and
// the data logger graph with a day of the simulated potentiostat's logger.
// Usage: qor_screenshots <folder>   (scripts/screenshots.sh builds and runs it)
#include "sim/sim_potentiostat.h"
#include "ui/document/graph_dl.h"
#include "ui/document/qor_view.h"
#include "ui/shell/main_frame.h"
#include "ui_test_app.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QMdiSubWindow>
#include <cstdio>

using namespace qor;

namespace {

bool Shoot(int lang, const QDir& out)
{
    test::SimFrame sim(1709283600);  // 1 March 2024, 09:00 UTC
    sim.Start(lang);
    ui::CMainFrame& frame = *sim.m_frame;
    frame.resize(1180, 800);
    test::Settle();
    if (!sim.SearchAndRelease({0, 1}) || !sim.StartRecording({{0, 0}, {1, 0}}) ||
        !frame.Run(station::Cmd::ShowMeters) || !frame.MeterFrame(0) || !frame.MeterFrame(1)) {
        std::fprintf(stderr, "qor_screenshots: the recording did not start\n");
        return false;
    }
    // A minute of samples, shown whole as a user would with "Zoom page".
    sim.m_time.Advance(60000);
    frame.GraphView()->ZoomPage();

    // Two meter windows side by side over the graph.
    QMdiSubWindow* a = frame.MeterFrame(0);
    QMdiSubWindow* b = frame.MeterFrame(1);
    a->move(40, 170);
    b->move(a->geometry().right() + 16, 170);
    test::Settle();

    const QString name = lang ? QStringLiteral("screenshot_en.png") : QStringLiteral("screenshot_de.png");
    const bool saved = frame.grab().toImage().save(out.filePath(name));
    frame.Run(station::Cmd::Stop);
    if (!saved)
        std::fprintf(stderr, "qor_screenshots: cannot write %s\n", qPrintable(out.filePath(name)));
    return saved;
}

bool ShootLogger(int lang, const QDir& out)
{
    sim::SimPotentiostat pot(3, sim::SimPotentiostat::kDefaultType, 1);
    pot.MakeLogger(1440, 0);  // one line a minute, oldest first
    const QString file = out.filePath(QStringLiteral("dl.tx3"));
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly) || f.write(QByteArray::fromStdString(pot.Files().at("dl.txt"))) < 0)
        return false;
    f.close();
    SimClock clock;
    ui::CGraphDL dlg(clock);
    dlg.Open(file.toStdString(), lang);
    QFile::remove(file);
    dlg.resize(1180, 700);
    dlg.show();
    test::Settle();
    const QString name = lang ? QStringLiteral("logger_graph_en.png") : QStringLiteral("logger_graph_de.png");
    const bool saved = dlg.grab().toImage().save(out.filePath(name));
    dlg.accept();
    if (!saved)
        std::fprintf(stderr, "qor_screenshots: cannot write %s\n", qPrintable(out.filePath(name)));
    return saved;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: qor_screenshots <folder>\n");
        return 2;
    }
    QApplication app(argc, argv);
    const QDir out(QString::fromLocal8Bit(argv[1]));
    return Shoot(0, out) && Shoot(1, out) && ShootLogger(0, out) && ShootLogger(1, out) ? 0 : 1;
}
