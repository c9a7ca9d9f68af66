// qortool record, run as a program against qorsim.
#include "support/recording.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using qor::test::BinPath;
using qor::test::Dump;
using qor::test::DumpSamples;
using qor::test::Process;
using qor::test::Qorsim;
using qor::test::RunProgram;
using qor::test::TempDir;

namespace {

namespace fs = std::filesystem;

// qortool record over the link of `sim`, a sample a second, quiet, then `options`.
std::vector<std::string> Record(const Qorsim& sim, const std::string& out, std::vector<std::string> options)
{
    options.insert(options.begin(), {"--out", out, "--interval", "1", "--quiet"});
    return sim.Qortool("record", options);
}

// Interrupted, the recording saves every sample it took: all of them only then.
TEST(QortoolRecord, OverTheGatewayInterruptedSavesEverything)
{
    const Qorsim sim(qor::test::kThreeAmplifiers, true, {"--seed", "7"});
    TempDir dir;
    Process rec(Record(sim, dir / "tcp.qo3", {"--idcount", "3", "--print-samples"}));
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(rec.ReadLine().rfind("sample ", 0), 0u);
    EXPECT_EQ(rec.Stop(SIGINT), 0);
    const std::string rest = rec.ReadAll();
    const auto last = rest.rfind('\n', rest.size() - 2);
    const std::size_t taken =
        std::strtoul(rest.c_str() + (last == std::string::npos ? 0 : last + 1), nullptr, 10);
    EXPECT_GE(taken, 2u) << rest;
    const std::string json = Dump(dir / "tcp.qo3");
    EXPECT_EQ(DumpSamples(json).size(), taken);
    // pH 7.000, 12.34 mS/cm as 12340 µS/cm, 95.5 % oxygen; nothing measured at address 3.
    EXPECT_NE(json.find("\"value\":[7,12340,95.5,null,"), std::string::npos) << json.substr(0, 400);
    EXPECT_NE(json.find("\"temperature\":[25.1000004,20,18,null,"), std::string::npos);
    EXPECT_NE(json.find("\"moduleType\":[1,5,8,0,"), std::string::npos);
    EXPECT_NE(json.find("Aufzeichnung gestartet aller  00:00:01"), std::string::npos);
    EXPECT_NE(json.find("Aufzeichnung beendet"), std::string::npos);
}

// 5 % of the answers corrupted: the recording goes on and keeps every sample it took.
class QortoolRecordFaults : public ::testing::TestWithParam<bool> {};

TEST_P(QortoolRecordFaults, KeepEverySampleTaken)
{
    const Qorsim sim(qor::test::kThreeAmplifiers, GetParam(), {"--seed", "7", "--fault-rate", "0.05"});
    TempDir dir;
    std::string out;
    ASSERT_EQ(RunProgram(Record(sim, dir / "faults.qo3", {"--samples", "5", "--idcount", "2"}), &out), 0)
        << out;
    EXPECT_EQ(out, "5 samples\n");
    EXPECT_EQ(DumpSamples(Dump(dir / "faults.qo3")).size(), 5u);
}

INSTANTIATE_TEST_SUITE_P(Transports, QortoolRecordFaults, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Tcp" : "Pty"; });

// Targets refused before anything is recorded, each with its reason: a read-only file (kept
// as it was), a folder named as the file, and a new file in a folder that takes none (run as
// an ordinary user: root passes every permission check). None leaves a journal.
TEST(QortoolRecord, RefusesTargetsItCannotWrite)
{
    TempDir dir;
    const std::string file = dir / "readonly.qo3", folder = dir / "folder.qo3";
    std::ofstream(file) << "kept";
    fs::permissions(file, fs::perms::owner_read);
    EXPECT_EQ(RunProgram({BinPath("qortool"), "record", "--sim", "--out", file, "--samples", "1", "--quiet"}),
              1);
    EXPECT_EQ(fs::file_size(file), 4u);
    EXPECT_FALSE(fs::exists(file + ".journal"));

    fs::create_directory(folder);
    std::string out;
    EXPECT_EQ(RunProgram({"/bin/sh", "-c",
                          BinPath("qortool") + " record --sim --out " + folder +
                              " --samples 1 --quiet --lang en 2>&1"},
                         &out),
              2);
    EXPECT_EQ(out, "qortool: --out " + folder + " is a folder, not a file\n");
    EXPECT_FALSE(fs::exists(folder + ".journal"));

    const std::string ro = dir / "ro", home = dir / "home";
    fs::create_directories(ro);
    fs::create_directories(home);
    fs::permissions(dir.path, fs::perms(0755));
    fs::permissions(ro, fs::perms(0555));
    fs::permissions(home, fs::perms(0777));
    out.clear();
    EXPECT_EQ(
        RunProgram(
            {"/bin/sh", "-c",
             "HOME=" + home +
                 (::geteuid() == 0 ? " /usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups " : " ") +
                 BinPath("qortool") + " record --sim --out " + ro +
                 "/new.qo3 --samples 1 --quiet --lang en 2>&1"},
            &out),
        1);
    EXPECT_NE(out.find("The folder " + ro + " is read-only: " + ro + "/new.qo3 cannot be created"),
              std::string::npos)
        << out;
}

// A relative path to the port is taken from the working folder, not from /dev.
TEST(QortoolRecord, RelativeSerialPathIsTheWorkingFolders)
{
    const Qorsim sim(qor::test::kThreeAmplifiers, false);
    TempDir here;
    fs::create_directories(here / "ports");
    fs::create_symlink(sim.link[1], here / "ports/bus");
    std::string out;
    EXPECT_EQ(RunProgram({"/bin/sh", "-c",
                          "cd " + here.path.string() + " && exec " + BinPath("qortool") +
                              " search --serial ports/bus --idcount 2"},
                         &out),
              0);
    EXPECT_EQ(out.rfind("Slave  0: pH - Verstärker\nSlave  1: ", 0), 0u) << out;
    EXPECT_NE(out.find("\nSlave  2: "), std::string::npos) << out;
}

}  // namespace
