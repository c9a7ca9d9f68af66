// A step program of an impedance sweep and a polarisation sweep, programmed into qorsim's
// potentiostat through its pseudo-terminal and run by qortool record: the recording, the
// Tafel and circuit fits and the potentiostat windows give back the simulated cell.
#include "support/process.h"

#include <QImage>
#include <gtest/gtest.h>

using qor::test::BinPath;
using qor::test::RunProgram;

namespace {

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
                            "1", "--cell-ba", "80", "--cell-bc", "120", "--cell-cdl", "2", "--cell-noise-mv",
                            "0.1"});
    const std::string tty = sim.ReadLine(), doc = testing::TempDir() + "pot_cell.qo3";
    ASSERT_EQ(RunProgram({BinPath("qortool"), "pot", "program", QOR_TEST_DATA "/potentiostat/corrosion.stp",
                          "--serial", tty, "--address", "0"}),
              0);
    std::string out, dump;
    ASSERT_EQ(RunProgram({BinPath("qortool"), "record", "--serial", tty, "--idcount", "0", "--quiet",
                          "--lang", "en", "--start-potentiostat", "--out", doc},
                         &out),
              0);
    // 5 s at 50 per second, the last at the sweep's end; 10 kHz .. 1 Hz, five per decade.
    EXPECT_NE(out.find("\n250 potentiostat samples, 21 impedance points"), std::string::npos) << out;
    ASSERT_EQ(RunProgram({BinPath("qortool"), "dump", doc}, &dump), 0);
    EXPECT_EQ(After(dump, "\"counter\":").size(), 250u);
    EXPECT_EQ(After(dump, "\"flag1\":").size(), 21u);

    for (const std::string window : {"run", "eis"}) {
        const std::string png = testing::TempDir() + window + ".png";
        std::string shot;
        ASSERT_EQ(RunProgram({BinPath("qorremote"), "--screenshot", png, "--window", window, doc}, &shot), 0);
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
}

}  // namespace
