// Step programs programmed into qorsim's potentiostat through its pseudo-terminal and run by
// qortool record: the recordings, the Tafel and circuit fits and the potentiostat windows give
// back the simulated cell.
#include "support/recording.h"

#include <QImage>
#include <cmath>
#include <gtest/gtest.h>

using qor::test::BinPath;
using qor::test::RunProgram;

namespace {

// Runs a program that must succeed; its stdout.
std::string Succeeds(const std::vector<std::string>& argv)
{
    std::string out;
    EXPECT_EQ(RunProgram(argv, &out), 0) << argv[1] << " " << argv[2] << "\n" << out;
    return out;
}

// The number after "key": following `section` in `text`.
double Field(const std::string& text, const std::string& section, const std::string& key)
{
    const std::size_t at = text.find(key, text.find(section));
    return at == std::string::npos ? NAN : std::strtod(text.c_str() + at + key.size(), nullptr);
}

// An impedance sweep and a polarisation sweep, written, read back and run once.
TEST(PotentiostatCell, RecordedRunGivesBackTheCell)
{
    // Ecorr -50 mV; at rest Rct = ba bc / (ln 10 icorr (ba + bc)) = 20.85 kOhm.
    const qor::test::Qorsim sim({"--module", "0=67", "--cell-rs", "10", "--cell-icorr", "1", "--cell-ba",
                                 "80", "--cell-bc", "120", "--cell-cdl", "2", "--cell-n", "0.9"},
                                false);
    // Named per process: two runs at once must not share a document or its journal.
    const std::string tmp = testing::TempDir() + "pot_cell_" + std::to_string(::getpid());
    const std::string tty = sim.link[1], doc = tmp + ".qo3", tool = BinPath("qortool");
    const std::string stp = QOR_TEST_DATA "/potentiostat/corrosion.stp", back = tmp + ".stp";
    Succeeds({tool, "pot", "program", stp, "--serial", tty, "--address", "0"});
    // Read back, the program holds the template's steps in their device form.
    Succeeds({tool, "pot", "read-program", "--serial", tty, "--address", "0", "--out", back});
    const auto devices = [&](const std::string& file) {
        const std::string json = Succeeds({tool, "stp", "dump", file});
        std::string steps;
        for (auto p = json.find("\"device\""); p != std::string::npos; p = json.find("\"device\"", p + 1))
            steps += json.substr(p, json.find('}', p) - p) + "\n";
        return steps;
    };
    EXPECT_EQ(devices(back), devices(stp));
    EXPECT_NE(devices(stp), "");
    const std::string out = Succeeds({tool, "record", "--serial", tty, "--idcount", "0", "--quiet", "--lang",
                                      "en", "--start-potentiostat", "--out", doc});
    // 5 s at 50 per second, the last at the sweep's end; 10 kHz .. 1 Hz, five per decade.
    EXPECT_NE(out.find("\n250 potentiostat samples, 21 impedance points"), std::string::npos) << out;

    // Both branches 80 .. 240 mV from Ecorr, where the IR drop bends the anodic one least.
    const std::string tafel =
        Succeeds({tool, "pot", "analyse", doc, "--lang", "en", "--tafel", "-290:-130", "--tafel", "30:190"});
    EXPECT_NEAR(Field(tafel, "", "βc="), -120.0, 12.0) << tafel;
    EXPECT_NEAR(Field(tafel, "", "βa="), 80.0, 8.0) << tafel;
    EXPECT_NEAR(Field(tafel, "", "\n  Icorr = "), 1.0, 0.1) << tafel;  // where the lines cross
    const std::string fit = Succeeds({tool, "eis", "fit", doc});
    // The simulated spectrum is the circuit itself (double layer a CPE), with 0.2 % noise.
    EXPECT_NEAR(Field(fit, "", "\"R0\":"), 10.0, 0.3) << fit;
    EXPECT_NEAR(Field(fit, "", "\"R1\":"), 20850.0, 400.0) << fit;
    EXPECT_NEAR(Field(fit, "", "\"CPE1_Q\":"), 2e-6, 0.1e-6) << fit;
    EXPECT_NEAR(Field(fit, "", "\"CPE1_n\":"), 0.9, 0.01) << fit;

    for (const std::string window : {"run", "eis"}) {
        const std::string png = tmp + "_" + window + ".png";
        const std::string shot =
            Succeeds({BinPath("qorremote"), "--screenshot", png, "--window", window, doc});
        const QImage picture(QString::fromStdString(png));
        int graphs = 0;
        for (auto p = shot.find("\ngraph "); p != std::string::npos;
             p = shot.find("\ngraph ", p + 1), ++graphs) {
            int n = 0, x = 0, y = 0, w = 0, h = 0, red = 0;
            ASSERT_EQ(std::sscanf(shot.c_str() + p, "\ngraph %d: %d,%d %dx%d", &n, &x, &y, &w, &h), 5);
            for (int i = x; i < x + w; ++i)
                for (int j = y; j < y + h; ++j)
                    red += picture.pixel(i, j) == 0xFFFF0000u;
            EXPECT_GT(red, 10) << window << " graph " << n;  // the curve, drawn in pure red (none when empty)
        }
        EXPECT_GE(graphs, window == "run" ? 3 : 2) << shot;
    }
    for (const char* made : {".qo3", ".stp", "_run.png", "_eis.png"})
        std::remove((tmp + made).c_str());
}

// Two impedance steps and a polarisation sweep, run twice into one document: four spectra and
// two runs, each analysed on its own.
TEST(PotentiostatTwoRuns, EachSpectrumAndEachRunAnalysedApart)
{
    const qor::test::Qorsim sim({"--module", "0=67", "--cell-rs", "20", "--cell-icorr", "50", "--cell-ba",
                                 "80", "--cell-bc", "120", "--cell-cdl", "20", "--cell-n", "0.85"},
                                false);
    const std::string tmp = testing::TempDir() + "pot_two_runs_" + std::to_string(::getpid());
    const std::string tty = sim.link[1], doc = tmp + ".qo3", tool = BinPath("qortool");
    Succeeds({tool, "pot", "program", QOR_TEST_DATA "/potentiostat/two_eis_sweep.stp", "--serial", tty,
              "--address", "0"});
    const std::string out = Succeeds({tool, "record", "--serial", tty, "--idcount", "0", "--quiet", "--lang",
                                      "en", "--start-potentiostat", "--runs", "2", "--out", doc});
    // Per run 10 kHz .. 1 Hz and 1 kHz .. 1 Hz, five a decade, and 250 sweep samples.
    EXPECT_NE(out.find("\n500 potentiostat samples, 74 impedance points"), std::string::npos) << out;

    // Four spectra: refused as one, each fitted and checked alone, all at rest: the cell.
    std::string listing;
    EXPECT_EQ(RunProgram({"/bin/sh", "-c", tool + " eis fit " + doc + " --lang en 2>&1"}, &listing), 2);
    EXPECT_NE(listing.find("holds 4 spectra"), std::string::npos) << listing;
    const double rct = 80.0 * 120.0 / (std::log(10.0) * 50e-6 * 200.0) * 1e-3;  // Stern-Geary at rest
    for (const char* spectrum : {"1", "2", "3", "4"}) {
        const std::string json =
            Succeeds({tool, "eis", "fit", doc, "--spectrum", spectrum, "--circuit", "R0-p(R1,CPE1)"});
        EXPECT_NEAR(Field(json, "parameters", "\"R0\":"), 20.0, 0.5) << json;
        EXPECT_NEAR(Field(json, "parameters", "\"R1\":"), rct, 0.02 * rct) << json;
        EXPECT_NEAR(Field(json, "parameters", "\"CPE1_n\":"), 0.85, 0.01) << json;
        EXPECT_NE(json.find("\"poor\":false"), std::string::npos) << json;
        EXPECT_NE(Succeeds({tool, "eis", "kk", doc, "--spectrum", spectrum}).find("\"flagged\":[]"),
                  std::string::npos)
            << spectrum;
    }

    // Two runs: each its own 250 samples, each giving the same Tafel slopes, and near the
    // open-circuit potential the resistance the impedance fit found, Rs + Rct.
    std::vector<double> slopes;
    for (const char* run : {"1", "2"}) {
        const std::string csv = tmp + "_run" + run + ".txt";
        Succeeds({tool, "pot", "export-run", doc, csv, "--run", run});
        EXPECT_EQ(std::stoi(Succeeds({"/bin/sh", "-c", "wc -l < " + csv})), 251)
            << run;  // a header, 250 samples
        std::remove(csv.c_str());
        const std::string tafel = Succeeds({tool, "pot", "analyse", doc, "--lang", "en", "--run", run,
                                            "--tafel", "-290:-130", "--tafel", "30:190", "--rp"});
        slopes.push_back(Field(tafel, "", "βc="));
        slopes.push_back(Field(tafel, "", "βa="));
        EXPECT_NEAR(Field(tafel, "Polarisation resistance", "Rp="), 20.0 + rct, 0.03 * rct) << tafel;
    }
    ASSERT_EQ(slopes.size(), 4u);
    EXPECT_NEAR(slopes[2], slopes[0], 0.02 * std::fabs(slopes[0]));
    EXPECT_NEAR(slopes[3], slopes[1], 0.02 * std::fabs(slopes[1]));
    EXPECT_NE(RunProgram({tool, "pot", "analyse", doc, "--run", "3"}), 0);
    std::remove(doc.c_str());
}

}  // namespace
