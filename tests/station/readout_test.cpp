#include "bus/frame.h"
#include "station_rig.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace qor::station::testing {
namespace {

std::optional<std::string> ReadAll(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    if (!f)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(f), {});
}

std::string Pattern(std::size_t n)
{
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>('A' + (i * 7 + i / 26) % 26);
    return s;
}

std::string Ini(std::uint32_t ringStart)
{
    return std::string{static_cast<char>(ringStart & 0xFF),
                       static_cast<char>((ringStart >> 8) & 0xFF),
                       static_cast<char>((ringStart >> 16) & 0xFF),
                       static_cast<char>(ringStart >> 24),
                       0,
                       0,
                       0,
                       0};
}

// Records every request on the way to the simulated gateway.
struct RecordingGateway : bus::Gateway {
    explicit RecordingGateway(bus::Gateway& g) : inner(g) {}
    int ConnectSocketIP(const std::uint8_t ip[4], std::uint16_t port) override
    {
        return inner.ConnectSocketIP(ip, port);
    }
    int GetValues(const std::uint8_t* request, int length, std::uint8_t* answer, int timeoutSeconds) override
    {
        requests.emplace_back(request, request + length);
        timeouts.push_back(timeoutSeconds);
        return inner.GetValues(request, length, answer, timeoutSeconds);
    }
    void CloseSocket() override { inner.CloseSocket(); }
    bus::Gateway& inner;
    std::vector<std::vector<std::uint8_t>> requests;
    std::vector<int> timeouts;
};

struct LoggerRig : Rig {
    explicit LoggerRig(Wire w = Wire::Serial) : Rig(w), pot(AddPot(6))
    {
        bus.AddModule(0, 1);
        SearchAll();
        ui.loggerFile = dir.File("out.tx3");
    }
    sim::SimPotentiostat& pot;
    TempDir dir;
};

TEST(ReadDataLogger, ThreeBlocksWithoutIndexFile)
{
    LoggerRig r;
    const std::string content = Pattern(2500);
    r.pot.SetFile("dl.txt", content);
    r.pot.SetFile("dl.ini", std::nullopt);
    r.station->ReadDataLogger();
    EXPECT_EQ(ReadAll(*r.ui.loggerFile), content);
    EXPECT_EQ(r.ui.graphPath, *r.ui.loggerFile);
    EXPECT_EQ(r.ui.graphLanguage, 0);
    EXPECT_TRUE(r.ui.messages.empty());
    EXPECT_EQ(r.ui.progressMax, 1048);
    EXPECT_EQ(r.ui.progress, (std::vector<int>{1, 2, 1048}));
    EXPECT_EQ(r.ui.progressTitle, "Datenübertragung");
    EXPECT_FALSE(r.ui.progressOpen);
    EXPECT_FALSE(r.station->Link().Busy());
    EXPECT_NE(r.logbook.m_text.find("\tDatenlogger auslesen\n"), std::string::npos);
}

TEST(ReadDataLogger, RingStartPutsTheOldestBytesFirst)
{
    LoggerRig r;
    const std::string content = Pattern(1000);
    r.pot.SetFile("dl.txt", content);
    r.pot.SetFile("dl.ini", Ini(100));
    r.station->ReadDataLogger();
    EXPECT_EQ(ReadAll(*r.ui.loggerFile), content.substr(100) + content.substr(0, 100));
}

TEST(ReadDataLogger, RequestBytesAndTimeOut)
{
    LoggerRig r(Wire::Tcp);
    RecordingGateway rec(r.gateway);
    r.station->Link().SetGateway(&rec);
    r.pot.SetFile("dl.txt", Pattern(10));
    r.pot.SetFile("dl.ini", Ini(0));
    r.station->ReadDataLogger();
    // dl.txt block 0, then dl.ini blocks 0 and 1, each to the potentiostat at 6.
    const std::pair<std::string, int> expect[] = {{"dl.txt", 0}, {"dl.ini", 0}, {"dl.ini", 1}};
    ASSERT_EQ(rec.requests.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(rec.requests[i][2], 6);
        EXPECT_EQ(rec.requests[i][10], expect[i].second);
        EXPECT_EQ(std::string(rec.requests[i].begin() + 12, rec.requests[i].end()), expect[i].first);
    }
    EXPECT_EQ(rec.timeouts, (std::vector<int>{10, 10, 10}));
    // The keep-alive runs again once the transfer is over.
    EXPECT_TRUE(r.timers.On(5));
    EXPECT_EQ(ReadAll(*r.ui.loggerFile), Pattern(10));
}

TEST(ReadDataLogger, AbsentFiles)
{
    struct Case {
        const char* name;
        bool hasTxt, hasIni;
        std::vector<std::string> messages;
        std::optional<std::string> file;
    };
    const Case cases[] = {
        {"neither", false, false, {"Daten nicht verfügbar!"}, std::string()},
        {"no logger, ring start 0", false, true, {"Daten nicht verfügbar!"}, std::string()},
        {"no index", true, false, {}, Pattern(300)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LoggerRig r;
        r.pot.SetFile("dl.txt", c.hasTxt ? std::optional<std::string>(Pattern(300)) : std::nullopt);
        r.pot.SetFile("dl.ini", c.hasIni ? std::optional<std::string>(Ini(0)) : std::nullopt);
        r.station->ReadDataLogger();
        EXPECT_EQ(r.ui.messages, c.messages);
        EXPECT_EQ(ReadAll(*r.ui.loggerFile), c.file);
        EXPECT_EQ(r.ui.graphPath, *r.ui.loggerFile);
    }
}

TEST(ReadDataLogger, BlockFailures)
{
    struct Case {
        const char* name;
        std::function<void(sim::SimPotentiostat&)> arrange;
        bool written;
        std::vector<std::string> messages;
    };
    const std::string content = Pattern(3500);
    const Case cases[] = {
        {"fails once, then succeeds", [](sim::SimPotentiostat& p) { p.FailBlock("dl.txt", 2, 1); }, true, {}},
        {"fails twice",
         [](sim::SimPotentiostat& p) { p.FailBlock("dl.txt", 2, 2); },
         false,
         {"Datenübertragung unterbrochen!"}},
        {"later block with status 0",
         [](sim::SimPotentiostat& p) { p.OverrideBlockStatus("dl.txt", 1, 0); },
         false,
         {"Datenübertragung unterbrochen!"}},
        {"first block lost: empty logger",
         [](sim::SimPotentiostat& p) { p.FailBlock("dl.txt", 0, 1); },
         true,
         {}},
        {"index status 1",
         [](sim::SimPotentiostat& p) { p.OverrideBlockStatus("dl.ini", 0, 1); },
         false,
         {"Datenübertragung unterbrochen!"}},
        {"index lost",
         [](sim::SimPotentiostat& p) { p.FailBlock("dl.ini", 0, 1); },
         false,
         {"Daten nicht verfügbar!"}},
        // The second index exchange only closes the transfer: the file is complete.
        {"index close lost", [](sim::SimPotentiostat& p) { p.FailBlock("dl.ini", 1, 1); }, true, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LoggerRig r;
        r.pot.SetFile("dl.txt", content);
        r.pot.SetFile("dl.ini", Ini(0));
        c.arrange(r.pot);
        r.station->ReadDataLogger();
        EXPECT_EQ(r.ui.messages, c.messages);
        const auto file = ReadAll(*r.ui.loggerFile);
        EXPECT_EQ(file.has_value(), c.written);
        EXPECT_EQ(!r.ui.graphPath.empty(), c.written);
        if (file && std::string(c.name).find("first block") == std::string::npos) {
            EXPECT_EQ(*file, content);
        }
        EXPECT_FALSE(r.station->Link().Busy());
    }
}

TEST(ReadDataLogger, RefusesContentBeyondTheBufferOrARingStartBeyondIt)
{
    {
        LoggerRig r;
        r.pot.SetFile("dl.txt", Pattern(FileReadout::kLoggerCapacity + 1));
        r.station->ReadDataLogger();
        EXPECT_EQ(r.ui.messages, (std::vector<std::string>{"Datenübertragung unterbrochen!"}));
        EXPECT_FALSE(ReadAll(*r.ui.loggerFile));
        EXPECT_TRUE(r.ui.graphPath.empty());
    }
    {
        LoggerRig r;
        r.pot.SetFile("dl.txt", Pattern(FileReadout::kLoggerCapacity));  // exactly full is fine
        r.pot.SetFile("dl.ini", Ini(5));
        r.station->ReadDataLogger();
        EXPECT_TRUE(r.ui.messages.empty());
        EXPECT_EQ(ReadAll(*r.ui.loggerFile)->size(), FileReadout::kLoggerCapacity);
    }
    {
        LoggerRig r;
        r.pot.SetFile("dl.txt", Pattern(1000));
        r.pot.SetFile("dl.ini", Ini(1001));
        r.station->ReadDataLogger();
        EXPECT_EQ(r.ui.messages, (std::vector<std::string>{"Datenübertragung unterbrochen!"}));
        EXPECT_FALSE(ReadAll(*r.ui.loggerFile));
    }
}

TEST(ReadDataLogger, CancelledFileChoiceDoesNothing)
{
    LoggerRig r;
    r.ui.loggerFile.reset();
    const auto before = r.bus.Exchanges();
    r.station->ReadDataLogger();
    EXPECT_EQ(r.bus.Exchanges(), before);
    EXPECT_EQ(r.logbook.m_text.find("Datenlogger"), std::string::npos);
}

TEST(ReadDeviceLogbook, BecomesOneEntry)
{
    LoggerRig r;
    r.pot.SetFile("logbook.txt", std::string("a\nb"));
    r.station->ReadDeviceLogbook();
    const std::string& log = r.logbook.m_text;
    const std::string entry = "\tLogbuch QOR- System\na\tb\n";
    ASSERT_GE(log.size(), entry.size());
    EXPECT_EQ(log.substr(log.size() - entry.size()), entry);
    EXPECT_EQ(log.substr(log.size() - entry.size() - 19, 14), "01.01.2000 00:");
    EXPECT_FALSE(r.ui.waitOpen);
    EXPECT_EQ(r.ui.waits.back(), "Bitte warten, lese Daten.");
}

TEST(ReadDeviceLogbook, LongTextInBlocksWithoutNulsInEnglish)
{
    LoggerRig r;
    r.station->SetLanguage(1);
    std::string text;
    for (int i = 0; i < 60; ++i)
        text += Format("line %02d with some words to fill the block\n", i);
    text[5] = '\0';
    r.pot.SetFile("logbook.txt", text);
    r.pot.FailBlock("logbook.txt", 1, 1);
    r.station->ReadDeviceLogbook();
    std::string expected = text;
    std::replace(expected.begin(), expected.end(), '\n', '\t');
    expected.erase(5, 1);
    EXPECT_NE(r.logbook.m_text.find("\tlog book QOR- System\n" + expected + "\n"), std::string::npos);
    EXPECT_TRUE(r.ui.messages.empty());
}

TEST(ReadDeviceLogbook, Unavailable)
{
    LoggerRig r;
    r.pot.SetFile("logbook.txt", std::nullopt);
    const auto size = r.logbook.m_text.size();
    r.station->ReadDeviceLogbook();
    EXPECT_EQ(r.ui.messages, (std::vector<std::string>{"Daten nicht verfügbar!"}));
    EXPECT_EQ(r.logbook.m_text.size(), size);
    r.ui.messages.clear();
    r.pot.SetFile("logbook.txt", std::string("x"));
    r.bus.QueueFault(6, sim::Fault::WrongEcho);
    r.station->ReadDeviceLogbook();
    EXPECT_EQ(r.ui.messages, (std::vector<std::string>{"Daten nicht verfügbar!"}));
}

TEST(ReadDevice, WithoutPotentiostatNothingIsAvailable)
{
    Rig r;
    r.bus.AddModule(0, 1);
    r.SearchAll();
    TempDir dir;
    r.ui.loggerFile = dir.File("x.tx3");
    r.station->ReadDataLogger();
    r.station->ReadDeviceLogbook();
    EXPECT_EQ(r.ui.messages, (std::vector<std::string>{"Daten nicht verfügbar!", "Daten nicht verfügbar!"}));
    EXPECT_FALSE(ReadAll(*r.ui.loggerFile));
}

}  // namespace
}  // namespace qor::station::testing
