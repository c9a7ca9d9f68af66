// A step program of an impedance sweep and a polarisation sweep, programmed into qorsim's
// potentiostat through its pseudo-terminal, read back, and run by qortool record: the recording,
// the Tafel and circuit fits and the potentiostat windows give back the simulated cell.
#include "support/process.h"

#include <QImage>
#include <gtest/gtest.h>

using qor::test::BinPath;

namespace {

// Runs a program that must succeed; its stdout.
std::string Succeeds(const std::vector<std::string>& argv)
{
    std::string out;
    EXPECT_EQ(qor::test::RunProgram(argv, &out), 0) << argv[1] << " " << argv[2];
    return out;
}

// The numbers that follow each `key` in `text`.
std::vector<double> After(const std::string& text, const std::string& key)
{
    std::vector<double> v;
    for (auto p = text.find(key); p != std::string::npos; p = text.find(key, p + 1))
        v.push_back(std::strtod(text.c_str() + p + key.size(), nullptr));
    return v;
}

TEST(PotentiostatCell, RecordedRunGivesBackTheCell)
{
    // Ecorr -50 mV; at rest Rct = ba bc / (ln 10 icorr (ba + bc)) = 20.85 kOhm.
    qor::test::Process sim({BinPath("qorsim"), "--pty", "--module", "0=67", "--cell-rs", "10", "--cell-icorr",
                            "1", "--cell-ba", "80", "--cell-bc", "120", "--cell-cdl", "2", "--cell-n",
                            "0.9"});
    // Named per process: two runs at once must not share a document or its journal.
    const std::string tmp = testing::TempDir() + "pot_cell_" + std::to_string(::getpid());
    const std::string tty = sim.ReadLine(), doc = tmp + ".qo3", tool = BinPath("qortool");
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
    // at() fails the test when a line is missing
    EXPECT_NEAR(After(tafel, "βc=").at(0), -120.0, 12.0) << tafel;
    EXPECT_NEAR(After(tafel, "βa=").at(0), 80.0, 8.0) << tafel;
    EXPECT_NEAR(After(tafel, "\n  Icorr = ").at(0), 1.0, 0.1) << tafel;  // where the lines cross
    const std::string fit = Succeeds({tool, "eis", "fit", doc});
    // The simulated spectrum is the circuit itself (double layer a CPE), with 0.2 % noise.
    EXPECT_NEAR(After(fit, "\"R0\":").at(0), 10.0, 0.3) << fit;
    EXPECT_NEAR(After(fit, "\"R1\":").at(0), 20850.0, 400.0) << fit;
    EXPECT_NEAR(After(fit, "\"CPE1_Q\":").at(0), 2e-6, 0.1e-6) << fit;
    EXPECT_NEAR(After(fit, "\"CPE1_n\":").at(0), 0.9, 0.01) << fit;

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

}  // namespace
