// Alarms end to end: qortool record against qorsim --tcp driven by a timed script.
#include "support/mosquitto_broker.h"
#include "support/recording.h"

#include <algorithm>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using qor::test::BinPath;
using qor::test::RunProgram;

namespace {

std::vector<std::string> Lines(const std::string& text, const std::string& start)
{
    std::vector<std::string> v;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        if (l.rfind(start, 0) == 0)
            v.push_back(l);
    return v;
}

// The pH at address 0 rises past its limit at 5 s and falls back at 10 s; the conductivity module
// at address 1 goes at 6 s and comes back at 12 s. The recording (18 s) covers it all, and a
// slow start of qortool leaves the order of the transitions as it is. The printed transitions
// are those stored, logged, published on the broker's alarm topic and given to the alarm
// command, which sleeps for a minute after noting itself: the recording waits for none.
TEST(AlarmE2e, PrintedTransitionsAreStoredAndLogged)
{
    const qor::test::TempDir dir;
    std::ofstream(dir / "script.txt")
        << "# seconds command\n5 raw 0 7410,0,250\n6 remove 1\n10 raw 0 7000,0,250\n"
           "12 add 1 5\n";
    std::ofstream(dir / "alarms.ini")
        << "[STATION]\nCOMM_LOSS=2\n[ALARM1]\nSOURCE=S0.1\nHIGH=7.20\nDEADBAND=0.05\n";
    const qor::test::Qorsim sim(
        {"--module", "0=1", "--raw", "0=7000,0,250", "--module", "1=5", "--script", dir / "script.txt"});
    qor::test::MosquittoBroker broker;
    qor::test::MqttSub sub(broker.Port(), "qor/st/alarm", {}, {"-C", "4"});
    ASSERT_TRUE(sub.WaitSubscribed());
    const std::string calls = dir / "calls.txt";
    std::string out;
    ASSERT_EQ(RunProgram(sim.Qortool("record",
                                     {"--out",
                                      dir / "a.qo3",
                                      "--interval",
                                      "1",
                                      "--samples",
                                      "18",
                                      "--idcount",
                                      "1",
                                      "--quiet",
                                      "--lang",
                                      "en",
                                      "--alarms",
                                      dir / "alarms.ini",
                                      "--print-alarms",
                                      "--mqtt",
                                      broker.Url(),
                                      "--station",
                                      "st",
                                      "--alarm-command",
                                      "echo \"$$ $QOR_ALARM_SOURCE $QOR_ALARM_KIND $QOR_ALARM_EVENT\" >> " +
                                          calls + "; exec sleep 60 >/dev/null 2>&1"}),
                         &out),
              0)
        << out;
    const std::vector<std::string> printed = Lines(out, "{");
    std::vector<std::string> published;
    for (std::size_t k = 0; k < printed.size(); ++k)
        published.push_back(sub.Next().substr(std::string("qor/st/alarm").size()));
    for (const std::string& p : printed)
        EXPECT_NE(std::find(published.begin(), published.end(), " " + p), published.end()) << p;
    std::string listed;
    ASSERT_EQ(RunProgram({BinPath("qortool"), "alarms", dir / "a.qo3"}, &listed), 0);
    EXPECT_EQ(Lines(listed, "{"), printed);
    std::vector<std::string> what;
    for (const std::string& l : printed)
        what.push_back(l.substr(l.find("\"source\"")));
    const std::vector<std::string> expected = {
        R"("source": "S0.1", "kind": "high", "event": "raised", "value": 7.41, "limit": 7.2})",
        R"("source": "S1", "kind": "comm", "event": "raised", "value": null, "limit": null})",
        R"("source": "S0.1", "kind": "high", "event": "cleared", "value": 7, "limit": 7.2})",
        R"("source": "S1", "kind": "comm", "event": "cleared", "value": null, "limit": null})"};
    EXPECT_EQ(what, expected);
    const std::string dump = qor::test::Dump(dir / "a.qo3");
    for (const char* line :
         {"\\tAlarm S0 pH value high: 7.41 > 7.20\\n", "\\tAlarm S0 pH value high cleared: 7.00\\n",
          "\\tAlarm S1 communication: 2 polls unanswered\\n", "\\tAlarm S1 communication cleared\\n"})
        EXPECT_NE(dump.find(line), std::string::npos) << line;
    std::ifstream f(calls);
    std::vector<std::string> got;
    for (std::string l; std::getline(f, l);)
        got.push_back(l);
    EXPECT_EQ(got.size(), printed.size());
    // qortool has ended, its commands sleep on.
    for (const std::string& l : got)
        EXPECT_EQ(::kill(std::stoi(l), SIGKILL), 0) << l;
}

TEST(AlarmE2e, ScriptLineThatIsNoCommandIsRefusedAtStart)
{
    const qor::test::TempDir dir;
    std::ofstream(dir / "bad.txt") << "1 raw 0 7000,0,250\n2 rise 0\n";
    EXPECT_EQ(RunProgram({BinPath("qorsim"), "--tcp", "127.0.0.1:0", "--script", dir / "bad.txt"}), 2);
}

}  // namespace
