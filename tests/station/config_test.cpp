#include "station/config.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace qor::station;

namespace {

const std::string kFirstStart =
    "[RS232]\n\rPORT=1\n\rBAUD=56000\n\r[SETUP]\n\rINTERVALL=23:59:59\n\rSPRACHE=0\n\r[GRAFIK]\n\r"
    "POINT=0\n\rMOUSE=0\n\rAXIS=1\n\rPOTRATE=0\n\rPREC=2\n\rIDCOUNT=15\n\rS_ENABLE=0\n\rAUTO_ENABLE=0\n\r"
    "ETHERNET=0\n\rIP_HOST=0\n\rIP_ADR=192168002010\n\rHOST_NAME=;\n\rTCP_PORT=50000\n\r";

std::string ReadFile(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST(Config, FirstStartTextByteForByte)
{
    EXPECT_EQ(SaveConfig(FirstStartDefaults()), kFirstStart);
}

TEST(Config, MissingKeysTakeTheirReaderDefaults)
{
    StationConfig c = LoadConfig("PORT=3\n");
    EXPECT_EQ(c.link.port, 3);
    EXPECT_EQ(c.link.baud, 56000);
    EXPECT_EQ(c.axis, 0);  // unlike the first-start file
    EXPECT_EQ((std::array<std::uint8_t, 4>{0, 0, 0, 0}), c.link.ip);
    EXPECT_EQ(c.prec, 2);
    EXPECT_EQ(c.idCount, 15);
    EXPECT_EQ(c.link.tcpPort, 50000);
    EXPECT_EQ(c.link.hostName, "");
    TimeOfDay t = SplitDayFraction(c.interval);
    EXPECT_EQ(t.hours, 23);
    EXPECT_EQ(t.minutes, 59);
    EXPECT_EQ(t.seconds, 59);
}

struct FieldCase {
    const char* text;
    void (*check)(const StationConfig&);
};

TEST(Config, FixedWidthFields)
{
    const FieldCase cases[] = {
        {"IP_ADR=010000000001\n",
         [](const StationConfig& c) {
             EXPECT_EQ((std::array<std::uint8_t, 4>{10, 0, 0, 1}), c.link.ip);
         }},
        {"HOST_NAME=plant-gw;\n\rTCP_PORT=4001\n\r",
         [](const StationConfig& c) {
             EXPECT_EQ(c.link.hostName, "plant-gw");
             EXPECT_EQ(c.link.tcpPort, 4001);
         }},
        {"SPRACHE=1\n\r", [](const StationConfig& c) { EXPECT_EQ(c.language, 0); }},
        // Fewer characters than the width: read as far as the digits go.
        {"PORT=7\n\rBAUD=9600\n\r",
         [](const StationConfig& c) {
             EXPECT_EQ(c.link.port, 7);
             EXPECT_EQ(c.link.baud, 9600);
         }},
        // Widths cut longer values.
        {"PORT=12345\n\rIDCOUNT=123\n\rPREC=45\n\r",
         [](const StationConfig& c) {
             EXPECT_EQ(c.link.port, 123);
             EXPECT_EQ(c.idCount, 12);
             EXPECT_EQ(c.prec, 4);
         }},
        {"INTERVALL=01:02:03\n\r",
         [](const StationConfig& c) {
             TimeOfDay t = SplitDayFraction(c.interval);
             EXPECT_EQ(t.hours * 10000 + t.minutes * 100 + t.seconds, 10203);
         }},
        // CR LF line ends are read as well.
        {"PORT=4\r\nS_ENABLE=5\r\nAUTO_ENABLE=1\r\n",
         [](const StationConfig& c) {
             EXPECT_EQ(c.link.port, 4);
             EXPECT_EQ(c.sEnable, 5u);
             EXPECT_EQ(c.autoEnable, 1);
         }},
        {"", [](const StationConfig& c) { EXPECT_EQ(c.link.port, 1); }},
    };
    for (const auto& fc : cases) {
        SCOPED_TRACE(fc.text);
        fc.check(LoadConfig(fc.text));
    }
}

TEST(Config, RoundTripKeepsEveryValueButTheLanguage)
{
    StationConfig c;
    c.link.port = 12;
    c.link.baud = 19200;
    c.interval = DayFraction(0, 10, 0);
    c.language = 1;
    c.point = 1;
    c.mouse = 1;
    c.axis = 0;
    c.potRate = 1;
    c.prec = 4;
    c.idCount = 3;
    c.sEnable = 0x8005;
    c.autoEnable = 1;
    c.link.ethernet = 1;
    c.link.ipHost = 1;
    c.link.ip = {10, 1, 20, 254};
    c.link.hostName = "gateway";
    c.link.tcpPort = 4000;
    c.link.device = "/dev/pts/7";
    StationConfig r = LoadConfig(SaveConfig(c));
    EXPECT_EQ(r.link.port, 12);
    EXPECT_EQ(r.link.baud, 19200);
    EXPECT_EQ(SplitDayFraction(r.interval).minutes, 10);
    EXPECT_EQ(r.language, 0);
    EXPECT_EQ(r.point, 1);
    EXPECT_EQ(r.mouse, 1);
    EXPECT_EQ(r.axis, 0);
    EXPECT_EQ(r.potRate, 1);
    EXPECT_EQ(r.prec, 4);
    EXPECT_EQ(r.idCount, 3);
    EXPECT_EQ(r.sEnable, 0x8005u);
    EXPECT_EQ(r.autoEnable, 1);
    EXPECT_EQ(r.link.ethernet, 1);
    EXPECT_EQ(r.link.ipHost, 1);
    EXPECT_EQ((std::array<std::uint8_t, 4>{10, 1, 20, 254}), r.link.ip);
    EXPECT_EQ(r.link.hostName, "gateway");
    EXPECT_EQ(r.link.tcpPort, 4000);
    EXPECT_EQ(r.link.device, "/dev/pts/7");
}

TEST(Config, DevicePathFollowsTheClassicText)
{
    StationConfig c = FirstStartDefaults();
    c.link.device = "/dev/ttyUSB0";
    EXPECT_EQ(SaveConfig(c), kFirstStart + "SERIAL_DEVICE=/dev/ttyUSB0;\n\r");
}

TEST(Config, HostNameIsWrittenInWindows1252)
{
    StationConfig c = FirstStartDefaults();
    c.link.hostName = "Kläranlage";
    const std::string text = SaveConfig(c);
    EXPECT_NE(text.find("HOST_NAME=Kl\xE4ranlage;"), std::string::npos);
    EXPECT_EQ(LoadConfig(text).link.hostName, "Kläranlage");
}

struct IntervalCase {
    int h, m, s;
};

TEST(Config, IntervalSurvivesTheDayFraction)
{
    for (IntervalCase ic : {IntervalCase{0, 0, 1}, IntervalCase{0, 0, 30}, IntervalCase{0, 10, 0},
                            IntervalCase{12, 34, 56}, IntervalCase{23, 59, 59}}) {
        TimeOfDay t = SplitDayFraction(DayFraction(ic.h, ic.m, ic.s));
        EXPECT_EQ(t.hours, ic.h);
        EXPECT_EQ(t.minutes, ic.m);
        EXPECT_EQ(t.seconds, ic.s);
    }
    EXPECT_FALSE(SplitDayFraction(4e6).valid);
}

class ConfigLocation : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* v : {"APPDATA", "XDG_CONFIG_HOME", "HOME"}) {
            const char* old = std::getenv(v);
            saved.emplace_back(v, old ? std::optional<std::string>(old) : std::nullopt);
        }
        dir = std::filesystem::temp_directory_path() / ("qor-config-" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir);
    }
    void TearDown() override
    {
        for (auto& [k, v] : saved) {
            if (v)
                ::setenv(k.c_str(), v->c_str(), 1);
            else
                ::unsetenv(k.c_str());
        }
        std::filesystem::remove_all(dir);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
    std::filesystem::path dir;
};

TEST_F(ConfigLocation, AppDataThenXdgThenHome)
{
    ::setenv("APPDATA", (dir / "a").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (dir / "x").c_str(), 1);
    ::setenv("HOME", (dir / "h").c_str(), 1);
    EXPECT_EQ(ConfigPath(), (dir / "a" / "QORremote" / "config.ini").string());
    ::unsetenv("APPDATA");
    EXPECT_EQ(ConfigPath(), (dir / "x" / "QORremote" / "config.ini").string());
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(ConfigPath(), (dir / "h" / ".config" / "QORremote" / "config.ini").string());
}

TEST_F(ConfigLocation, FirstStartCreatesTheFileThenReadsIt)
{
    ::setenv("APPDATA", dir.c_str(), 1);
    bool created = false;
    StationConfig c = LoadOrCreateConfig(ConfigPath(), &created);
    EXPECT_TRUE(created);
    EXPECT_EQ(c.axis, 1);
    EXPECT_EQ(ReadFile(ConfigPath()), kFirstStart);

    c.link.port = 9;
    ASSERT_TRUE(WriteConfigFile(ConfigPath(), c));
    StationConfig again = LoadOrCreateConfig(ConfigPath(), &created);
    EXPECT_FALSE(created);
    EXPECT_EQ(again.link.port, 9);
    EXPECT_FALSE(std::filesystem::exists(ConfigPath() + ".tmp"));
}

}  // namespace
