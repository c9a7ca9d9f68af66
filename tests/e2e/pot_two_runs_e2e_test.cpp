// A program of two impedance steps and a polarisation sweep, run twice into one document on
// qorsim's cell over its pseudo-terminal: four spectra and two runs, each analysed on its own.
#include "support/process.h"

#include <cmath>
#include <gtest/gtest.h>

using qor::test::BinPath;

namespace {

// The exit code of a program, its stdout in `out`.
int Exec(const std::vector<std::string>& argv, std::string* out = nullptr)
{
    return qor::test::RunProgram(argv, out);
}

// The number after "key": following `section` in `text`.
double Field(const std::string& text, const std::string& section, const std::string& key)
{
    const std::size_t at = text.find(key, text.find(section));
    return at == std::string::npos ? NAN : std::strtod(text.c_str() + at + key.size(), nullptr);
}

TEST(PotentiostatTwoRuns, EachSpectrumAndEachRunAnalysedApart)
{
    qor::test::Process sim({BinPath("qorsim"), "--pty", "--module", "0=67", "--cell-rs", "20", "--cell-icorr",
                            "50", "--cell-ba", "80", "--cell-bc", "120", "--cell-cdl", "20", "--cell-n",
                            "0.85"});
    const std::string tmp = testing::TempDir() + "pot_two_runs_" + std::to_string(::getpid());
    const std::string tty = sim.ReadLine(), doc = tmp + ".qo3", tool = BinPath("qortool");
    ASSERT_EQ(Exec({tool, "pot", "program", QOR_TEST_DATA "/potentiostat/two_eis_sweep.stp", "--serial", tty,
                    "--address", "0"}),
              0);
    std::string out;
    ASSERT_EQ(Exec({tool, "record", "--serial", tty, "--idcount", "0", "--quiet", "--lang", "en",
                    "--start-potentiostat", "--runs", "2", "--out", doc},
                   &out),
              0);
    // Per run 10 kHz .. 1 Hz and 1 kHz .. 1 Hz, five a decade, and 250 sweep samples.
    EXPECT_NE(out.find("\n500 potentiostat samples, 74 impedance points"), std::string::npos) << out;

    // Four spectra: refused as one, each fitted and checked alone, all at rest: the cell.
    std::string listing;
    EXPECT_EQ(Exec({"/bin/sh", "-c", tool + " eis fit " + doc + " --lang en 2>&1"}, &listing), 2);
    EXPECT_NE(listing.find("holds 4 spectra"), std::string::npos) << listing;
    const double rct = 80.0 * 120.0 / (std::log(10.0) * 50e-6 * 200.0) * 1e-3;  // Stern-Geary at rest
    for (const char* spectrum : {"1", "2", "3", "4"}) {
        std::string json;
        EXPECT_EQ(
            Exec({tool, "eis", "fit", doc, "--spectrum", spectrum, "--circuit", "R0-p(R1,CPE1)"}, &json), 0)
            << json;
        EXPECT_NEAR(Field(json, "parameters", "\"R0\":"), 20.0, 0.5) << json;
        EXPECT_NEAR(Field(json, "parameters", "\"R1\":"), rct, 0.02 * rct) << json;
        EXPECT_NEAR(Field(json, "parameters", "\"CPE1_n\":"), 0.85, 0.01) << json;
        EXPECT_NE(json.find("\"poor\":false"), std::string::npos) << json;
        json.clear();
        EXPECT_EQ(Exec({tool, "eis", "kk", doc, "--spectrum", spectrum}, &json), 0);
        EXPECT_NE(json.find("\"flagged\":[]"), std::string::npos) << spectrum << " " << json;
    }

    // Two runs: each its own 250 samples, each giving the same Tafel slopes, and near the
    // open-circuit potential the resistance the impedance fit found, Rs + Rct.
    std::vector<double> slopes;
    for (const char* run : {"1", "2"}) {
        std::string table;
        const std::string csv = tmp + "_run" + run + ".txt";
        EXPECT_EQ(Exec({tool, "pot", "export-run", doc, csv, "--run", run}), 0);
        EXPECT_EQ(Exec({"/bin/sh", "-c", "wc -l < " + csv}, &table), 0);
        EXPECT_EQ(std::stoi(table), 251) << run;  // a header and 250 samples
        std::remove(csv.c_str());
        std::string tafel;
        EXPECT_EQ(Exec({tool, "pot", "analyse", doc, "--lang", "en", "--run", run, "--tafel", "-290:-130",
                        "--tafel", "30:190", "--rp"},
                       &tafel),
                  0);
        slopes.push_back(Field(tafel, "", "βc="));
        slopes.push_back(Field(tafel, "", "βa="));
        EXPECT_NEAR(Field(tafel, "Polarisation resistance", "Rp="), 20.0 + rct, 0.03 * rct) << tafel;
    }
    ASSERT_EQ(slopes.size(), 4u);
    EXPECT_NEAR(slopes[2], slopes[0], 0.02 * std::fabs(slopes[0]));
    EXPECT_NEAR(slopes[3], slopes[1], 0.02 * std::fabs(slopes[1]));
    EXPECT_NE(Exec({tool, "pot", "analyse", doc, "--run", "3"}), 0);
    std::remove(doc.c_str());
}

}  // namespace
