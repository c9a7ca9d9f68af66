// The sample journal end to end: qortool record against qorsim, killed, recovered; a
// target that cannot be written; a disk that fills and is freed during a recording.
#include "support/free_port.h"
#include "support/process.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using qor::test::BinPath;
using qor::test::Process;
using qor::test::RunProgram;

namespace {

namespace fs = std::filesystem;

// The `sample` lines of qortool record's output, each as `qortool dump` shows that sample
// (where nothing was measured: "nan" printed, null dumped).
std::vector<std::string> PrintedSamples(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream lines(text);
    for (std::string line, word; std::getline(lines, line);) {
        std::istringstream in(line);
        if (!(in >> word >> word >> word) || line.rfind("sample ", 0) != 0)
            continue;
        std::string json = "{\"time\":" + word;
        for (const char* name : {"value", "value2", "temperature"})
            for (int c = 0; c < 16; ++c)
                json += (c ? "," : std::string(",\"") + name + "\":[") +
                        (in >> word, word == "nan" ? "null" : word) + (c < 15 ? "" : "]");
        out.push_back(json + "}");
    }
    return out;
}

class JournalE2e : public ::testing::Test {
protected:
    JournalE2e()
        : tcp("127.0.0.1:" + std::to_string(qor::test::PickFreePort())),
          sim({BinPath("qorsim"), "--tcp", tcp})
    {
        EXPECT_FALSE(sim.ReadLine().empty());
    }
    std::string Record(const std::string& out, const std::string& more) const
    {
        return BinPath("qortool") + " record --tcp " + tcp + " --out " + out +
               " --interval 1 --quiet --lang en --print-samples --idcount 2 " + more;
    }
    // Every sample printed is in the document, in order, with its values.
    static void ExpectInOrder(const std::vector<std::string>& printed, const std::string& dump)
    {
        std::size_t at = 0;
        for (const auto& s : printed)
            ASSERT_NE(at = dump.find(s, at), std::string::npos) << s << "\n" << dump.substr(0, 800);
    }
    std::string tcp;
    Process sim;
    const qor::test::TempDir temp;
    const std::string dir = temp.path.string();
};

TEST_F(JournalE2e, KilledRecordingIsRecoveredExactly)
{
    const std::string file = dir + "/k.qo3";
    Process rec({"/bin/sh", "-c", "exec " + Record(file, "--duration 3600")});
    std::string printed;
    for (int i = 0; i < 3; ++i)
        printed += rec.ReadLine() + "\n";
    rec.Stop(SIGKILL);
    ASSERT_FALSE(fs::exists(file));
    std::string out, dump;
    ASSERT_EQ(RunProgram({BinPath("qortool"), "recover", file, "--lang", "en"}, &out), 0);
    EXPECT_NE(out.find("samples from"), std::string::npos) << out;
    EXPECT_FALSE(fs::exists(file + ".journal"));
    ASSERT_EQ(RunProgram({BinPath("qortool"), "dump", file}, &dump), 0);
    ASSERT_EQ(PrintedSamples(printed).size(), 3u);
    ExpectInOrder(PrintedSamples(printed), dump);
    EXPECT_NE(dump.find("Start for logging every"), std::string::npos);

    // A folder that is not there: refused with the reason, before any sample.
    out.clear();
    EXPECT_NE(RunProgram({"/bin/sh", "-c", Record(dir + "/missing/x.qo3", "--samples 2 2>&1")}, &out), 0);
    EXPECT_NE(out.find("Recording is not possible: " + dir + "/missing: No such file or directory"),
              std::string::npos)
        << out;
    EXPECT_TRUE(PrintedSamples(out).empty()) << out;
}

// A journal left by a kill right after a save holds nothing beyond its file: recover removes
// it and a recording into that name is not refused. A new recording into the name of an older
// file, killed before its first save, is recovered into a file of its own, and the older file
// stays as it was.
TEST_F(JournalE2e, LeftoverJournalGoesAndAForeignOneGetsItsOwnFile)
{
    const std::string file = dir + "/day.qo3", journal = file + ".journal";
    const auto leave = [&] { std::ofstream(journal, std::ios::binary).write("QORJ\x01\0\0\0", 8); };
    ASSERT_EQ(RunProgram({"/bin/sh", "-c", Record(file, "--samples 2")}), 0);
    leave();
    std::string out;
    ASSERT_EQ(RunProgram({BinPath("qortool"), "recover", file}, &out), 0);
    EXPECT_NE(out.find("nothing to recover"), std::string::npos) << out;
    EXPECT_FALSE(fs::exists(journal));
    leave();
    out.clear();
    ASSERT_EQ(RunProgram({"/bin/sh", "-c", Record(file, "--samples 2 2>&1")}, &out), 0) << out;
    EXPECT_FALSE(fs::exists(journal));

    std::string before, after;
    ASSERT_EQ(RunProgram({BinPath("qortool"), "dump", file}, &before), 0);
    Process rec({"/bin/sh", "-c", "exec " + Record(file, "--duration 3600")});
    std::string printed;
    for (int i = 0; i < 3; ++i)
        printed += rec.ReadLine() + "\n";
    rec.Stop(SIGKILL);
    out.clear();
    ASSERT_EQ(RunProgram({BinPath("qortool"), "recover", file}, &out), 0);
    EXPECT_NE(out.find(journal + " belongs to another recording: its "), std::string::npos) << out;
    EXPECT_NE(
        out.find(" samples were saved as " + dir + "/day.recovered.qo3; " + file + " was left as it was"),
        std::string::npos)
        << out;
    EXPECT_FALSE(fs::exists(journal));
    ASSERT_EQ(RunProgram({BinPath("qortool"), "dump", file}, &after), 0);
    EXPECT_EQ(after, before);
    out.clear();
    ASSERT_EQ(RunProgram({BinPath("qortool"), "dump", dir + "/day.recovered.qo3"}, &out), 0);
    ASSERT_EQ(PrintedSamples(printed).size(), 3u);
    ExpectInOrder(PrintedSamples(printed), out);
}

// A small file system of its own (a mount namespace) fills during the recording and is
// freed again: every sample ends up in the document, and the logbook says why once.
TEST_F(JournalE2e, FullDiskThenFreedKeepsEverySample)
{
    if (RunProgram({"/usr/bin/unshare", "-rm", "/bin/true"}) != 0)
        GTEST_SKIP() << "no mount namespace here to make a small file system in";
    const std::string disk = dir + "/disk", file = disk + "/f.qo3", printed = dir + "/printed";
    fs::create_directory(disk);
    // The disk fills after the second sample and is freed after the fifth (a save a second in
    // between); the recording is interrupted after the eighth: counted in samples, not seconds.
    const std::string script =
        "mount -t tmpfs -o size=256k none " + disk + " || exit 99\n" + Record(file, "--save 1") + " >" +
        printed + " &\nafter() { until [ \"$(grep -c '^sample ' " + printed +
        ")\" -ge $1 ]; do kill -0 $! || exit 98; sleep 0.1; done; }\nafter 2; dd if=/dev/zero of=" + disk +
        "/fill bs=4k 2>/dev/null; after 5; rm " + disk + "/fill; after 8; kill -INT $!; wait $!; s=$?; cat " +
        printed + "; echo exit $s\n" + BinPath("qortool") + " dump " + file;
    std::string out;
    ASSERT_EQ(RunProgram({"/usr/bin/unshare", "-rm", "/bin/sh", "-c", script}, &out), 0) << out;
    EXPECT_NE(out.find("\nexit 0\n"), std::string::npos) << out;
    ASSERT_GE(PrintedSamples(out).size(), 8u) << out;
    ExpectInOrder(PrintedSamples(out), out.substr(out.find("\nexit 0\n")));
    const auto failed = out.find("Save failed (" + file + ": no space left on the device)");
    EXPECT_NE(failed, std::string::npos) << out;
    EXPECT_EQ(out.find("Save failed", failed + 1), std::string::npos);
}

}  // namespace
