// The sample journal end to end: qortool record against qorsim, killed, recovered; a
// target that cannot be written; a disk that fills and is freed during a recording.
#include "support/recording.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using qor::test::BinPath;
using qor::test::Dump;
using qor::test::PrintedSamples;
using qor::test::Process;
using qor::test::RunProgram;
using qor::test::Sample;

namespace {

namespace fs = std::filesystem;

class JournalE2e : public ::testing::Test {
protected:
    std::string Record(const std::string& out, const std::string& more) const
    {
        return BinPath("qortool") + " record --tcp " + sim.at + " --out " + out +
               " --interval 1 --quiet --lang en --print-samples --idcount 2 " + more;
    }
    // The samples a recording into `out` printed before it was killed after the third.
    std::string KilledAfterThreeSamples(const std::string& out) const
    {
        Process rec({"/bin/sh", "-c", "exec " + Record(out, "--duration 3600")});
        std::string printed;
        for (int i = 0; i < 3; ++i)
            printed += rec.ReadLine() + "\n";
        rec.Stop(SIGKILL);
        EXPECT_EQ(PrintedSamples(printed).size(), 3u);
        return printed;
    }
    // Every sample printed is in the document, in order, with its values.
    static void ExpectInOrder(const std::string& printed, const std::string& dump)
    {
        const std::vector<Sample> stored = qor::test::DumpSamples(dump);
        auto at = stored.begin();
        for (const Sample& s : PrintedSamples(printed))
            ASSERT_NE(at = std::find(at, stored.end(), s), stored.end()) << s.time << "\n"
                                                                         << dump.substr(0, 800);
    }
    const qor::test::Qorsim sim{{}};
    const qor::test::TempDir temp;
    const std::string dir = temp.path.string();
};

TEST_F(JournalE2e, KilledRecordingIsRecoveredExactly)
{
    const std::string file = dir + "/k.qo3";
    const std::string printed = KilledAfterThreeSamples(file);
    ASSERT_FALSE(fs::exists(file));
    std::string out;
    ASSERT_EQ(RunProgram({BinPath("qortool"), "recover", file, "--lang", "en"}, &out), 0);
    EXPECT_NE(out.find("samples from"), std::string::npos) << out;
    EXPECT_FALSE(fs::exists(file + ".journal"));
    const std::string dump = Dump(file);
    ExpectInOrder(printed, dump);
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

    const std::string before = Dump(file);
    const std::string printed = KilledAfterThreeSamples(file);
    out.clear();
    ASSERT_EQ(RunProgram({BinPath("qortool"), "recover", file}, &out), 0);
    EXPECT_NE(out.find(journal + " belongs to another recording: its "), std::string::npos) << out;
    EXPECT_NE(
        out.find(" samples were saved as " + dir + "/day.recovered.qo3; " + file + " was left as it was"),
        std::string::npos)
        << out;
    EXPECT_FALSE(fs::exists(journal));
    EXPECT_EQ(Dump(file), before);
    ExpectInOrder(printed, Dump(dir + "/day.recovered.qo3"));
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
    ExpectInOrder(out, out.substr(out.find("\nexit 0\n")));
    const auto failed = out.find("Save failed (" + file + ": no space left on the device)");
    EXPECT_NE(failed, std::string::npos) << out;
    EXPECT_EQ(out.find("Save failed", failed + 1), std::string::npos);
}

}  // namespace
