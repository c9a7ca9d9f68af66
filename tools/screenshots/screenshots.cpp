// Makes the document the README pictures show: eight minutes recorded on the simulated bus
// from a pH and a conductivity amplifier, values 1 to 3 of both and one virtual channel,
// scaled into one Y range; scripts/screenshots.sh then draws it with qorremote --screenshot.
// With a folder, also the pictures of the data logger graph with a day of the simulated
// potentiostat's logger, and of the measurement windows after Window › Tile, in German and
// English.
// Usage: qor_screenshots OUT.qo3 [FOLDER]
#include "data/grafik_setup_virtuell.h"
#include "sim/sim_potentiostat.h"
#include "ui/document/grafik_setup_dlg.h"
#include "ui/document/graph_dl.h"
#include "ui/shell/main_frame.h"
#include "ui/station/plant_link_dlg.h"
#include "ui_test_app.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <cstdio>

using namespace qor;

namespace {

bool Record(const QString& path)
{
    test::SimFrame sim(1709283600);  // 1 March 2024, 09:00 UTC
    ui::CMainFrame& frame = *sim.m_frame;
    if (!sim.WithFile(station::Cmd::FileOpen, path) || !sim.SearchAndRelease({0, 1}))
        return false;
    data::CQORDoc& doc = frame.Document();
    data::CGrafikSetupVirtuell virtuell = doc.Virtuell();
    virtuell.m_enable[0] = 1;
    virtuell.m_sourceY[0] = 0;  // pH
    virtuell.m_sourceZ[0] = 2;  // its temperature
    virtuell.m_formula[0] = "(y+z)/2";
    doc.SetGrafikSetup(doc.GrafikSetup(), &virtuell);
    // Factors that bring pH, millivolts, degrees and microsiemens to one scale.
    const char* factors[2][3] = {{"10", "10", "2"}, {"0,1", "10", "1"}};
    const bool started = sim.StartRecording(
        {{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}}, [&factors](ui::CGrafikSetupGlg* dlg) {
            for (int a = 0; a < 2; ++a)
                for (int k = 0; k < 3; ++k)
                    dlg->Factor(a, k)->setText(QString::fromLatin1(factors[a][k]));
            dlg->YFrom()->setText(QStringLiteral("-20"));
            dlg->YTo()->setText(QStringLiteral("140"));
        });
    if (!started)
        return false;
    sim.m_time.Advance(499000);  // 500 samples: the section the file opens with
    return frame.Run(station::Cmd::Stop) && frame.Run(station::Cmd::FileSave) && !doc.Modified();
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

// The four measurement windows of the simulated bus and the graph pane after Window › Tile,
// in a 1280x800 main window.
bool ShootTiled(int lang, const QDir& out)
{
    test::SimFrame sim(1709283600);
    sim.Start(lang);
    ui::CMainFrame& frame = *sim.m_frame;
    frame.resize(1280, 800);
    test::Settle();
    if (!sim.SearchAndRelease({0, 1, 2, 3}) || !frame.Run(station::Cmd::StartMeasuring))
        return false;
    sim.m_time.Advance(3000);
    frame.ArrangeWindows(true);
    test::Settle();
    const QString name = lang ? QStringLiteral("meters_tiled_en.png") : QStringLiteral("meters_tiled_de.png");
    const bool saved = frame.grab().toImage().save(out.filePath(name));
    if (!saved)
        std::fprintf(stderr, "qor_screenshots: cannot write %s\n", qPrintable(out.filePath(name)));
    frame.Run(station::Cmd::Stop);
    return saved;
}

// Station › Plant link with a broker, credentials, TLS and a database set.
bool ShootPlantLink(int lang, const QDir& out)
{
    plant::PlantSettings s;
    s.mqttUrl = "mqtt://broker.lab:1883";
    s.station = "lab-2";
    s.mqttUser = "station";
    s.passwordFile = "/etc/qor/mqtt-password";
    s.tlsCa = "/etc/ssl/certs/lab-ca.pem";
    s.tsdbUrl = "http://db.lab:8428/write";
    ui::PlantLinkDlg dlg(s, lang, nullptr);
    dlg.show();
    test::Settle();
    const QString name = lang ? QStringLiteral("plant_link_en.png") : QStringLiteral("plant_link_de.png");
    const bool saved = dlg.grab().toImage().save(out.filePath(name));
    if (!saved)
        std::fprintf(stderr, "qor_screenshots: cannot write %s\n", qPrintable(out.filePath(name)));
    return saved;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: qor_screenshots OUT.qo3 [FOLDER]\n");
        return 2;
    }
    QApplication app(argc, argv);
    if (!Record(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "qor_screenshots: the recording could not be made\n");
        return 1;
    }
    if (argc == 3) {
        const QDir out(QString::fromLocal8Bit(argv[2]));
        return ShootLogger(0, out) && ShootLogger(1, out) && ShootTiled(0, out) && ShootTiled(1, out) &&
                       ShootPlantLink(0, out) && ShootPlantLink(1, out)
                   ? 0
                   : 1;
    }
    return 0;
}
