// qortool's command line: exit status, the language of its messages, and the potentiostat
// commands judged by their own outcome.
#include "support/recording.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <tuple>

using qor::test::BinPath;
using qor::test::RunProgram;

namespace {

// Runs qortool with stderr joined to stdout; returns the exit status.
int Qortool(std::vector<std::string> args, std::string& out)
{
    args.insert(args.begin(), {"/bin/sh", "-c", "exec \"$0\" \"$@\" 2>&1", BinPath("qortool")});
    out.clear();
    return RunProgram(args, &out);
}

}  // namespace

// One wording per kind of fault, in the language asked for, for every command: exit 2 for a
// wrong command line, 1 for a station that failed.
TEST(QortoolOptions, EveryFaultOfTheCommandLineSaysWhatInOneWording)
{
    const std::string dead = "127.0.0.1:" + std::to_string(qor::test::PickFreePort());
    const std::tuple<std::vector<std::string>, int, std::string> cases[] = {
        {{"poll", "--sim", "--bogus"}, 2, "qortool: unbekannte Option --bogus\n"},
        {{"eis", "fit", "d.qo3", "--bogus", "--lang", "en"}, 2, "qortool: unknown option --bogus\n"},
        {{"record", "--sim", "--out"}, 2, "qortool: --out verlangt FILE.qo3\n"},
        {{"search", "--sim", "--idcount", "16", "--lang", "en"},
         2,
         "qortool: --idcount needs the highest address from 0 to 15\n"},
        {{"pot", "start", "--serial", "/dev/null", "--baud", "99999999999"},
         2,
         "qortool: --baud verlangt eine Baudrate von 50 bis 4000000\n"},
        {{"pot", "manual", "--sim", "--mode", "off", "--lang", "en"},
         2,
         "qortool: --mode needs galvanostat, potentiostat or rest\n"},
        {{"dump", "a.qo3", "--lang", "fr"}, 2, "qortool: --lang verlangt de oder en\n"},
        {{"dump"}, 2, "qortool: Aufruf: qortool dump FILE [--lang de|en]\n"},
        {{"convert", "a", "b", "c", "--lang", "en"},
         2,
         "qortool: usage: qortool convert IN OUT [--lang de|en]\n"},
        {{"record", "--sim", "--lang", "en"}, 2, "qortool: --out FILE.qo3 is required\n"},
        {{"record", "--sim", "--out", "x.qo3", "--runs", "2"},
         2,
         "qortool: --runs gilt nur mit --start-potentiostat\n"},
        {{"record", "--sim", "--out", "x.qo3", "--lang", "en", "--mqtt", "broker:1883"},
         2,
         "qortool: Invalid broker address \"broker:1883\": expected mqtt://HOST:PORT or mqtts://HOST:PORT\n"},
        {{"record", "--sim", "--out", "x.qo3", "--lang", "en", "--mqtt", "mqtt://h", "--station", "a/b"},
         2,
         "qortool: The station name must not contain /, + or #\n"},
        {{"record", "--sim", "--out", "x.qo3", "--lang", "en", "--mqtt", "mqtt://h", "--mqtt-user", "u",
          "--mqtt-password-file", "/nonexistent"},
         2,
         "qortool: The password file /nonexistent cannot be read\n"},
        {{"read-logbook", "--sim", "--address", "3", "--idcount", "2"},
         2,
         "qortool: entweder --address oder --idcount angeben\n"},
        {{"dump", "--help", "--lang", "en"},
         0,
         "usage: qortool dump FILE [--lang de|en]\n        a .qo3, .qrv or .xrv file as JSON on stdout\n"},
        {{"poll", "--tcp", dead, "--count", "1", "--lang", "en"},
         1,
         "qortool: TCP Socket not connected!\nqortool: cannot open the gateway " + dead + "\n"},
        {{"read-logbook", "--sim", "--address", "1"}, 1, "qortool: Kein entsprechender Slave am Bus.\n"},
        {{"poll", "--count", "1"},
         2,
         "qortool: eine Verbindung wählen: (--sim | --tcp HOST:PORT | --serial DEVICE [--baud N])\n"},
        {{"poll", "--tcp", "nowhere", "--lang", "en"},
         2,
         "qortool: --tcp needs an IPv4 address and a port, e.g. 127.0.0.1:50000\n"},
        {{"dump", "/nonexistent/a.qo3"}, 2, "qortool: Datei nicht gefunden: /nonexistent/a.qo3\n"},
        {{"convert", "/nonexistent/a.qo3", "/nonexistent/b.qo3", "--lang", "1"},
         2,
         "qortool: no such file: /nonexistent/a.qo3\n"},
    };
    std::string out;
    for (const auto& [args, status, says] : cases) {
        EXPECT_EQ(Qortool(args, out), status) << says;
        EXPECT_EQ(out, says);
    }
}

// Five potentiostats: the search says that only four are allowed, which must not fail the
// commands after it. The logger and the logbook read are the simulated ones.
TEST(QortoolPotentiostat, CommandsJudgedByTheirOwnOutcome)
{
    const qor::test::Qorsim sim(
        {"--module", "0=67", "--module", "1=67", "--module", "2=67", "--module", "3=67", "--module", "4=67"});
    const std::string tcp = sim.at;
    std::string out;
    EXPECT_EQ(Qortool({"read-logbook", "--tcp", tcp, "--idcount", "4", "--lang", "en"}, out), 0) << out;
    EXPECT_NE(out.find("\tlog book QOR- System\n01.03.2026 07:58 Netz ein\t"), std::string::npos) << out;
    const qor::test::TempDir dir;
    ASSERT_EQ(Qortool({"read-logger", "--tcp", tcp, "--out", dir / "l.tx3", "--quiet"}, out), 0) << out;
    std::ifstream in(dir / "l.tx3", std::ios::binary);
    const std::string logger((std::istreambuf_iterator<char>(in)), {});
    // 120 lines of 40 characters, oldest (08:00 on 1 March) first.
    ASSERT_EQ(logger.size(), 120u * 42);
    EXPECT_EQ(logger.substr(0, 10), "0103260800");
    EXPECT_EQ(logger.substr(119 * 42, 10), "0103260959");
    EXPECT_EQ(Qortool({"pot", "start", "--tcp", tcp, "--address", "0"}, out), 0) << out;
    EXPECT_EQ(out, "Potentiostat 0 gestartet\n");
    // The program runs now: a second start is refused, though the search finds it running.
    EXPECT_EQ(Qortool({"pot", "start", "--tcp", tcp, "--address", "0", "--lang", "en"}, out), 1);
    EXPECT_EQ(out, "qortool: Start not possible!\n");
    // A running potentiostat numbers its answers 1..10; they belong to the address polled.
    EXPECT_EQ(Qortool({"poll", "--tcp", tcp, "--address", "0", "--count", "1"}, out), 0);
    EXPECT_EQ(out.substr(0, 5), "0\t83\t") << out;
    EXPECT_EQ(Qortool({"pot", "stop", "--tcp", tcp, "--idcount", "4", "--lang", "en"}, out), 0) << out;
    EXPECT_NE(out.find("potentiostat 0 stopped\n"), std::string::npos);
    EXPECT_EQ(Qortool({"poll", "--tcp", tcp, "--address", "0", "--count", "1"}, out), 0);
    EXPECT_EQ(out.substr(0, 5), "0\t67\t") << out;  // the running bit gone
}
