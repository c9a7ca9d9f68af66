#include "station_rig.h"

#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace qor::station::testing {
namespace {

const char* const kUnavailable = "Daten nicht verfügbar!";
const char* const kInterrupted = "Datenübertragung unterbrochen!";

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

// The index file: the ring start as a little-endian 32-bit word, then four bytes.
std::string Ini(std::uint32_t ringStart)
{
    std::string s(8, '\0');
    for (int i = 0; i < 4; ++i)
        s[static_cast<std::size_t>(i)] = static_cast<char>(ringStart >> (8 * i));
    return s;
}

// A pH amplifier and a potentiostat at 6 holding the logger files.
struct LoggerRig : Rig {
    explicit LoggerRig(Wire w = Wire::Serial) : Rig(w), pot(AddPot(6))
    {
        bus.AddModule(0, 1);
        SearchAll();
        ui.loggerFile = dir / "out.tx3";
    }
    sim::SimPotentiostat& pot;
    TempDir dir;
};

// Guards the logger's ring order, overlong content, and missing files or failed blocks losing data unseen.
TEST(ReadDataLogger, RingOrderAbsentFilesAndBlockFailures)
{
    struct Case {
        const char* name;
        std::size_t size;                   // of dl.txt; 0: no such file
        std::optional<std::uint32_t> ring;  // dl.ini's ring start; none: no such file
        const char* file;                   // a failing block: lost `lost` times, or answered with `status`
        int block, lost, status;
        const char* message;
        std::optional<std::string> written;
    };
    const std::size_t full = FileReadout::kLoggerCapacity;
    auto rotated = [](std::size_t n, std::size_t k) {
        return Pattern(n).substr(k) + Pattern(n).substr(0, k);
    };
    const std::string p = Pattern(3500);
    const Case cases[] = {
        {"neither file", 0, {}, nullptr, 0, 0, -1, kUnavailable, ""},
        {"no index", 3500, {}, nullptr, 0, 0, -1, nullptr, p},
        {"ring start 100", 1000, 100, nullptr, 0, 0, -1, nullptr, rotated(1000, 100)},
        {"exactly full", full, 5, nullptr, 0, 0, -1, nullptr, rotated(full, 5)},
        {"beyond the buffer", full + 1, {}, nullptr, 0, 0, -1, kInterrupted, std::nullopt},
        {"ring start beyond the content", 1000, 1001, nullptr, 0, 0, -1, kInterrupted, std::nullopt},
        {"block lost once", 3500, 0, "dl.txt", 2, 1, -1, nullptr, p},
        {"block lost twice", 3500, 0, "dl.txt", 2, 2, -1, kInterrupted, std::nullopt},
        {"later block with status 0", 3500, 0, "dl.txt", 1, 0, 0, kInterrupted, std::nullopt},
        {"first block lost", 3500, 0, "dl.txt", 0, 1, -1, kUnavailable, std::nullopt},
        {"index status 1", 3500, 0, "dl.ini", 0, 0, 1, kInterrupted, std::nullopt},
        {"index lost", 3500, 0, "dl.ini", 0, 1, -1, kUnavailable, std::nullopt},
        // The second index exchange only closes the transfer: the file is complete.
        {"index close lost", 3500, 0, "dl.ini", 1, 1, -1, nullptr, p},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LoggerRig r;
        r.pot.SetFile("dl.txt", c.size ? std::optional(Pattern(c.size)) : std::nullopt);
        r.pot.SetFile("dl.ini", c.ring ? std::optional(Ini(*c.ring)) : std::nullopt);
        if (c.file && c.lost)
            r.pot.FailBlock(c.file, static_cast<std::uint16_t>(c.block), c.lost);
        if (c.file && c.status >= 0)
            r.pot.OverrideBlockStatus(c.file, static_cast<std::uint16_t>(c.block),
                                      static_cast<std::uint8_t>(c.status));
        r.station->ReadDataLogger();
        EXPECT_EQ(r.ui.messages,
                  c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
        EXPECT_EQ(ReadAll(*r.ui.loggerFile), c.written);
        EXPECT_EQ(r.ui.graphPath.empty(), !c.written);
        EXPECT_FALSE(r.ui.progressOpen || r.station->Link().Busy());
    }
}

// Guards file blocks asked with the short poll time-out, the keep-alive left off after the transfer, and a
// transfer (and its logbook entry) started although the user cancelled the file choice.
TEST(ReadDataLogger, SlowBlocksAndTheKeepAliveAfterwards)
{
    for (Wire w : {Wire::Serial, Wire::Tcp}) {
        LoggerRig r(w);
        r.pot.SetFile("dl.txt", Pattern(10));
        r.pot.SetFile("dl.ini", Ini(0));
        r.stream.SetAnswerDelayMs(9000);  // serial only
        r.station->ReadDataLogger();
        EXPECT_EQ(ReadAll(*r.ui.loggerFile), Pattern(10));
        EXPECT_EQ(r.timers.On(kTimerKeepAlive), w == Wire::Tcp);
        // A cancelled file choice starts no transfer and writes no logbook entry.
        r.ui.loggerFile.reset();
        const auto before = r.bus.Exchanges();
        const std::size_t logged = Count(r.logbook.m_text, "Datenlogger");
        r.station->ReadDataLogger();
        EXPECT_EQ(r.bus.Exchanges(), before);
        EXPECT_EQ(Count(r.logbook.m_text, "Datenlogger"), logged);
    }
}

// Guards a device logbook cut at a block border, a NUL or a retried block, or left with its line breaks.
TEST(ReadDeviceLogbook, LongTextInBlocksBecomesOneEntry)
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
    EXPECT_TRUE(Has(r.logbook.m_text, "\tlog book QOR- System\n" + expected + "\n"));
    EXPECT_TRUE(r.ui.messages.empty());
    EXPECT_FALSE(r.ui.waitOpen);
}

// Guards a missing logbook, a wrong answer or a missing potentiostat still writing an entry or a file.
TEST(ReadDeviceLogbook, Unavailable)
{
    struct Case {
        const char* name;
        bool pot, file;
        sim::Fault fault;
    };
    const Case cases[] = {{"no potentiostat", false, false, sim::Fault::None},
                          {"no logbook file", true, false, sim::Fault::None},
                          {"wrong echo", true, true, sim::Fault::WrongEcho}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rig r;
        r.bus.AddModule(0, 1);
        if (c.pot)
            r.AddPot(6).SetFile("logbook.txt", c.file ? std::optional<std::string>("x") : std::nullopt);
        r.SearchAll();
        r.bus.QueueFault(6, c.fault);
        TempDir dir;
        r.ui.loggerFile = dir / "x.tx3";
        const auto size = r.logbook.m_text.size();
        r.station->ReadDeviceLogbook();
        EXPECT_EQ(r.logbook.m_text.size(), size);
        if (!c.pot)
            r.station->ReadDataLogger();
        EXPECT_EQ(r.ui.messages, std::vector<std::string>(c.pot ? 1 : 2, kUnavailable));
        EXPECT_FALSE(ReadAll(*r.ui.loggerFile));
    }
}

}  // namespace
}  // namespace qor::station::testing
