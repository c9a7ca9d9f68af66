// qortool poll against qorsim, and qortool config.
#include "support/recording.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

using qor::test::BinPath;
using qor::test::Qorsim;
using qor::test::RunProgram;

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        out.push_back(l);
    return out;
}

TEST(QortoolPoll, DecodedValuesOverTheGateway)
{
    const Qorsim sim({"--module", "0=1", "--raw", "0=7000,-1234,251", "--module", "2=5", "--raw",
                      "2=1234,567,-15", "--display-mode", "2=2", "--module", "4=8", "--raw", "4=955,862,-3"});
    std::string out;
    ASSERT_EQ(RunProgram(sim.Qortool("poll", {"--count", "2", "--period", "10"}), &out), 0);
    auto lines = Lines(out);
    ASSERT_EQ(lines.size(), 6u) << out;
    EXPECT_EQ(lines[0], "0\t1\t7.000\tpH\t-123.4\tmV\t25.1\t°C");
    // 20 mS/cm amplifier in TDS mode: the second value in g/l with the first value's decimals.
    EXPECT_EQ(lines[1], "2\t5\t12.34\tmS/cm\t5.67\tg/l\t-1.5\t°C");
    EXPECT_EQ(lines[2], "4\t8\t95.5\t%\t8.62\tmg/l\t-0.3\t°C");
    EXPECT_EQ(lines[3], lines[0]);
}

// Regression: the potentiostat's revision was never asked, so its target read a tenth.
TEST(QortoolPoll, PotentiostatTargetByItsRevision)
{
    const Qorsim sim({"--module", "1=67", "--raw", "1=1234,-567,1000"}, false);
    std::string out;
    ASSERT_EQ(RunProgram(sim.Qortool("poll", {"--address", "1", "--count", "2", "--period", "0"}), &out), 0);
    const auto lines = Lines(out);
    ASSERT_EQ(lines.size(), 2u) << out;
    for (const std::string& line : lines)
        EXPECT_EQ(line.substr(line.size() - 10), "\t1000.0\tmV") << line;
}

TEST(QortoolConfig, FirstStartWritesTheFileAndPrintsIt)
{
    const qor::test::TempDir dir;
    const std::vector<std::string> config = {"/usr/bin/env", "APPDATA=" + dir.path.string(),
                                             BinPath("qortool"), "config"};
    std::string out;
    ASSERT_EQ(RunProgram(config, &out), 0);
    EXPECT_NE(out.find("(created)"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(dir / "QORremote/config.ini"));
    out.clear();
    ASSERT_EQ(RunProgram(config, &out), 0);
    EXPECT_EQ(out.find("(created)"), std::string::npos);
}

}  // namespace
