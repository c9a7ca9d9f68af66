// qortool record, read-logger and read-logbook, run as programs against qorsim.
#include "support/free_port.h"
#include "support/process.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

using qor::test::BinPath;
using qor::test::Process;
using qor::test::RunProgram;
using qor::test::TempDir;

namespace {

namespace fs = std::filesystem;

// The sample objects of a `qortool dump` document.
std::size_t SampleCount(const std::string& json)
{
    const auto end = json.find("],\"setup\"");
    std::size_t n = 0;
    for (auto p = json.find("{\"time\":"); p != std::string::npos && p < end;
         p = json.find("{\"time\":", p + 1))
        ++n;
    return n;
}

std::string Dump(const std::string& path)
{
    std::string out;
    EXPECT_EQ(RunProgram({BinPath("qortool"), "dump", path}, &out), 0);
    return out;
}

// qorsim with three amplifiers on a TCP port or a pseudo-terminal, and the qortool options
// that reach it.
struct Sim {
    explicit Sim(bool tcp, std::vector<std::string> extra = {})
    {
        const std::string at = "127.0.0.1:" + std::to_string(qor::test::PickFreePort());
        std::vector<std::string> args = {BinPath("qorsim"), tcp ? "--tcp" : "--pty"};
        if (tcp)
            args.push_back(at);
        for (const char* a : {"--module", "0=1", "--raw", "0=7000,-1234,251", "--module", "1=5", "--raw",
                              "1=1234,567,200", "--module", "2=8", "--raw", "2=955,862,180", "--seed", "7"})
            args.push_back(a);
        args.insert(args.end(), extra.begin(), extra.end());
        process = std::make_unique<Process>(args);
        const std::string first = process->ReadLine();
        EXPECT_FALSE(first.empty());
        link = tcp ? std::vector<std::string>{"--tcp", at} : std::vector<std::string>{"--serial", first};
    }
    std::vector<std::string> Record(const std::string& out, std::vector<std::string> options) const
    {
        std::vector<std::string> cmd = {BinPath("qortool"), "record", link[0],  link[1], "--out", out,
                                        "--interval",       "1",      "--quiet"};
        cmd.insert(cmd.end(), options.begin(), options.end());
        return cmd;
    }
    std::unique_ptr<Process> process;
    std::vector<std::string> link;
};

TEST(QortoolRecord, OverTheGatewayReadBackByDump)
{
    Sim sim(true);
    TempDir dir;
    std::string out;
    ASSERT_EQ(RunProgram(sim.Record(dir / "tcp.qo3", {"--samples", "4", "--idcount", "3"}), &out), 0);
    EXPECT_EQ(out, "4 samples\n");
    const std::string json = Dump(dir / "tcp.qo3");
    EXPECT_EQ(SampleCount(json), 4u);
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
    Sim sim(GetParam(), {"--fault-rate", "0.05"});
    TempDir dir;
    std::string out;
    ASSERT_EQ(RunProgram(sim.Record(dir / "faults.qo3", {"--samples", "5", "--idcount", "2"}), &out), 0)
        << out;
    EXPECT_EQ(out, "5 samples\n");
    EXPECT_EQ(SampleCount(Dump(dir / "faults.qo3")), 5u);
}

INSTANTIATE_TEST_SUITE_P(Transports, QortoolRecordFaults, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Tcp" : "Pty"; });

TEST(QortoolRecord, InterruptSavesEverything)
{
    Sim sim(true);
    TempDir dir;
    Process rec(sim.Record(dir / "interrupt.qo3", {"--idcount", "2", "--print-samples"}));
    // The samples are saved only at the end; two of them are taken first.
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(rec.ReadLine().rfind("sample ", 0), 0u);
    EXPECT_EQ(rec.Stop(SIGINT), 0);
    const std::string rest = rec.ReadAll();
    const auto last = rest.rfind('\n', rest.size() - 2);
    const std::size_t taken =
        std::strtoul(rest.c_str() + (last == std::string::npos ? 0 : last + 1), nullptr, 10);
    EXPECT_GE(taken, 2u) << rest;
    EXPECT_EQ(SampleCount(Dump(dir / "interrupt.qo3")), taken);
}

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
    Sim sim(false);
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

TEST(QortoolPotentiostat, LoggerAndLogbook)
{
    const std::string tcp = "127.0.0.1:" + std::to_string(qor::test::PickFreePort());
    Process sim({BinPath("qorsim"), "--tcp", tcp, "--module", "0=1", "--module", "1=67"});
    ASSERT_FALSE(sim.ReadLine().empty());
    std::string out;
    ASSERT_EQ(RunProgram({BinPath("qortool"), "search", "--tcp", tcp, "--idcount", "2"}, &out), 0);
    EXPECT_EQ(out, "Slave  0: pH - Verstärker\nSlave  1: Potentiostat\n");

    TempDir dir;
    ASSERT_EQ(
        RunProgram({BinPath("qortool"), "read-logger", "--tcp", tcp, "--out", dir / "l.tx3", "--quiet"}), 0);
    std::ifstream in(dir / "l.tx3", std::ios::binary);
    const std::string logger((std::istreambuf_iterator<char>(in)), {});
    // The simulated logger: 120 lines of 40 characters, oldest (08:00 on 1 March) first.
    ASSERT_EQ(logger.size(), 120u * 42);
    EXPECT_EQ(logger.substr(0, 10), "0103260800");
    EXPECT_EQ(logger.substr(119 * 42, 10), "0103260959");

    out.clear();
    ASSERT_EQ(RunProgram({BinPath("qortool"), "read-logbook", "--tcp", tcp, "--lang", "en"}, &out), 0);
    EXPECT_NE(out.find("\tlog book QOR- System\n01.03.2026 07:58 Netz ein\t"), std::string::npos) << out;
}

}  // namespace
