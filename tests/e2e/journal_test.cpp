// The sample journal end to end: qortool record against qorsim, killed, recovered; a
// target that cannot be written; a disk that fills and is freed during a recording.
#include "support/free_port.h"
#include "support/process.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

using qor::test::BinPath;
using qor::test::Process;
using qor::test::RunProgram;

namespace {

namespace fs = std::filesystem;

struct Folder {
    Folder()
    {
        std::string t = (fs::temp_directory_path() / "qor-journal.XXXXXX").string();
        path = ::mkdtemp(t.data());
    }
    ~Folder() { fs::remove_all(path); }
    std::string operator/(const char* name) const { return path + "/" + name; }
    std::string path;
};

std::vector<std::string> Record(const std::string& tcp, const std::string& out,
                                std::vector<std::string> more = {})
{
    std::vector<std::string> cmd = {
        BinPath("qortool"), "record", "--tcp",   tcp,      "--out", out,
        "--interval",       "1",      "--quiet", "--lang", "en",    "--print-samples",
        "--idcount",        "2"};
    cmd.insert(cmd.end(), more.begin(), more.end());
    return cmd;
}

// A printed sample line as `qortool dump` shows the sample's values.
std::string AsJson(const std::string& line)
{
    std::istringstream in(line);
    std::string word, number, json;
    in >> word >> number >> word;
    json = "{\"time\":" + word;
    for (const char* name : {"value", "value2", "temperature"}) {
        json += std::string(",\"") + name + "\":[";
        for (int c = 0; c < 16; ++c)
            json += (in >> word, word) + (c < 15 ? "," : "]");
    }
    return json + "}";
}

std::vector<std::string> Lines(const std::string& text, const std::string& prefix)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        if (l.rfind(prefix, 0) == 0)
            out.push_back(l);
    return out;
}

struct Sim {
    Sim() : tcp("127.0.0.1:" + std::to_string(qor::test::PickFreePort()))
    {
        process = std::make_unique<Process>(
            std::vector<std::string>{BinPath("qorsim"), "--tcp", tcp, "--seed", "3"});
        EXPECT_FALSE(process->ReadLine().empty());
    }
    std::string tcp;
    std::unique_ptr<Process> process;
};

TEST(Journal, KilledRecordingIsRecoveredExactly)
{
    Sim sim;
    Folder dir;
    const std::string file = dir / "k.qo3";
    Process rec(Record(sim.tcp, file, {"--duration", "3600"}));
    std::vector<std::string> printed;
    while (printed.size() < 3)
        printed.push_back(rec.ReadLine());
    rec.Stop(SIGKILL);
    ASSERT_FALSE(fs::exists(file));
    std::string out;
    ASSERT_EQ(RunProgram({BinPath("qortool"), "recover", file, "--lang", "en"}, &out), 0);
    EXPECT_NE(out.find("samples from"), std::string::npos) << out;
    EXPECT_FALSE(fs::exists(file + ".journal"));
    std::string json;
    ASSERT_EQ(RunProgram({BinPath("qortool"), "dump", file}, &json), 0);
    std::size_t at = 0;
    for (const auto& line : printed) {
        at = json.find(AsJson(line), at);
        ASSERT_NE(at, std::string::npos) << AsJson(line) << "\n" << json.substr(0, 1000);
    }
    EXPECT_NE(json.find("Start for logging every"), std::string::npos);
    out.clear();
    EXPECT_EQ(RunProgram({BinPath("qortool"), "recover", file}, &out), 0);
    EXPECT_EQ(out.rfind("nothing to recover", 0), 0u) << out;
}

TEST(Journal, UnwritableTargetIsRefusedBeforeTheFirstSample)
{
    Sim sim;
    Folder dir;
    std::string cmd;
    for (const auto& a : Record(sim.tcp, dir / "missing/x.qo3", {"--samples", "2"}))
        cmd += a + " ";
    std::string out;
    EXPECT_NE(RunProgram({"/bin/sh", "-c", cmd + "2>&1"}, &out), 0);
    EXPECT_NE(out.find("Recording is not possible: " + dir.path + "/missing: No such file or directory"),
              std::string::npos)
        << out;
    EXPECT_TRUE(Lines(out, "sample ").empty()) << out;
}

// A small file system of its own (a mount namespace) fills during the recording and is
// freed again: every sample ends up in the document, and the logbook says why once.
TEST(Journal, FullDiskThenFreedKeepsEverySample)
{
    if (RunProgram({"/usr/bin/unshare", "-rm", "/bin/true"}) != 0)
        GTEST_SKIP() << "no mount namespace here to make a small file system in";
    Sim sim;
    Folder dir;
    const std::string disk = dir / "disk", file = dir / "disk/f.qo3";
    fs::create_directory(disk);
    std::string record;
    for (const auto& a : Record(sim.tcp, file, {"--save", "1"}))
        record += a + " ";
    const std::string script =
        "mount -t tmpfs -o size=256k none " + disk + " || exit 99\n" + record +
        " & sleep 2.5; dd if=/dev/zero of=" + disk + "/fill bs=4k 2>/dev/null; sleep 3; rm " + disk +
        "/fill; sleep 2.5; kill -INT $!; wait $!; echo exit $?\n" + BinPath("qortool") + " dump " + file;
    std::string out;
    ASSERT_EQ(RunProgram({"/usr/bin/unshare", "-rm", "/bin/sh", "-c", script}, &out), 0) << out;
    const auto printed = Lines(out, "sample ");
    ASSERT_GE(printed.size(), 7u) << out;
    EXPECT_NE(out.find("\nexit 0\n"), std::string::npos) << out;
    std::size_t at = 0;
    for (const auto& line : printed) {
        at = out.find(AsJson(line), at);
        ASSERT_NE(at, std::string::npos) << line;
    }
    const auto failed = out.find("Save failed (" + file + ": no space left on the device)");
    EXPECT_NE(failed, std::string::npos) << out.substr(out.find("\"logbook\""), 2000);
    EXPECT_EQ(out.find("Save failed", failed + 1), std::string::npos);
}

}  // namespace
