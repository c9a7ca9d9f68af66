#include "station/config.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <tuple>

using namespace qor::station;

namespace {

const std::string kFirstStart =
    "[RS232]\n\rPORT=1\n\rBAUD=56000\n\r[SETUP]\n\rINTERVALL=23:59:59\n\rSPRACHE=0\n\r[GRAFIK]\n\r"
    "POINT=0\n\rMOUSE=0\n\rAXIS=1\n\rPOTRATE=0\n\rPREC=2\n\rIDCOUNT=15\n\rS_ENABLE=0\n\rAUTO_ENABLE=0\n\r"
    "ETHERNET=0\n\rIP_HOST=0\n\rIP_ADR=192168002010\n\rHOST_NAME=;\n\rTCP_PORT=50000\n\r";

TEST(Config, FirstStartTextByteForByte)
{
    EXPECT_EQ(SaveConfig(FirstStartDefaults()), kFirstStart);
    StationConfig c = FirstStartDefaults();
    c.link.device = "/dev/ttyUSB0";  // follows the classic text
    EXPECT_EQ(SaveConfig(c), kFirstStart + "SERIAL_DEVICE=/dev/ttyUSB0;\n\r");
}

TEST(Config, FixedWidthFields)
{
    struct Case {
        const char* text;
        void (*check)(const StationConfig&);
    };
    const Case cases[] = {
        {"IP_ADR=010000000001\n",
         [](const StationConfig& c) {
             EXPECT_EQ(c.link.ip, (std::array<std::uint8_t, 4>{10, 0, 0, 1}));
         }},
        {"HOST_NAME=plant-gw;\n\rTCP_PORT=4001\n\r",
         [](const StationConfig& c) {
             EXPECT_EQ(c.link.hostName + std::to_string(c.link.tcpPort), "plant-gw4001");
         }},
        {"SPRACHE=1\n\r", [](const StationConfig& c) { EXPECT_EQ(c.language, 0); }},
        // Fewer characters than the width: read as far as the digits go.
        {"PORT=7\n\rBAUD=9600\n\r",
         [](const StationConfig& c) {
             EXPECT_EQ(std::make_pair(c.link.port, c.link.baud), std::make_pair(7, 9600));
         }},
        // Widths cut longer values.
        {"PORT=12345\n\rIDCOUNT=123\n\rPREC=45\n\r",
         [](const StationConfig& c) {
             EXPECT_EQ(std::make_tuple(c.link.port, c.idCount, int{c.prec}), std::make_tuple(123, 12, 4));
         }},
        {"INTERVALL=01:02:03\n\r",
         [](const StationConfig& c) {
             TimeOfDay t = SplitDayFraction(c.interval);
             EXPECT_EQ(t.hours * 10000 + t.minutes * 100 + t.seconds, 10203);
         }},
        // CR LF line ends are read as well.
        {"PORT=4\r\nS_ENABLE=5\r\nAUTO_ENABLE=1\r\n",
         [](const StationConfig& c) {
             EXPECT_EQ(std::make_tuple(c.link.port, c.sEnable, c.autoEnable), std::make_tuple(4, 5u, 1));
         }},
    };
    for (const auto& fc : cases) {
        SCOPED_TRACE(fc.text);
        fc.check(LoadConfig(fc.text));
    }
}

TEST(Config, RoundTripKeepsEveryValueButTheLanguage)
{
    StationConfig c;
    c.link = {12, 19200, 1, {10, 1, 20, 254}, 4000, 1, "Kläranlage", "/dev/pts/7"};
    c.interval = DayFraction(0, 10, 0);
    c.language = 1;
    c.point = c.mouse = c.potRate = c.autoEnable = 1;
    c.axis = 0;
    c.prec = 4;
    c.idCount = 3;
    c.sEnable = 0x8005;
    const std::string text = SaveConfig(c);
    // The host name is written in Windows-1252.
    EXPECT_NE(text.find("HOST_NAME=Kl\xE4ranlage;"), std::string::npos);
    StationConfig r = LoadConfig(text);
    EXPECT_EQ(r.language, 0);
    EXPECT_EQ(r.link.hostName, "Kläranlage");
    r.language = 1;
    EXPECT_EQ(SaveConfig(r), text);
}

TEST(Config, IntervalSurvivesTheDayFraction)
{
    for (int s : {1, 30, 600, 12 * 3600 + 34 * 60 + 56, 86399}) {
        TimeOfDay t = SplitDayFraction(DayFraction(s / 3600, s / 60 % 60, s % 60));
        EXPECT_EQ(t.hours * 3600 + t.minutes * 60 + t.seconds, s);
    }
    EXPECT_FALSE(SplitDayFraction(4e6).valid);
}

class ConfigLocation : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* v : {"APPDATA", "XDG_CONFIG_HOME", "HOME"})
            if (const char* old = std::getenv(v))
                saved.emplace_back(v, old);
        dir = std::filesystem::temp_directory_path() / ("qor-config-" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir);
    }
    void TearDown() override
    {
        for (const char* v : {"APPDATA", "XDG_CONFIG_HOME", "HOME"})
            ::unsetenv(v);
        for (auto& [k, v] : saved)
            ::setenv(k.c_str(), v.c_str(), 1);
        std::filesystem::remove_all(dir);
    }
    std::vector<std::pair<std::string, std::string>> saved;
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
    std::ifstream in(ConfigPath(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), kFirstStart);

    c.link.port = 9;
    ASSERT_TRUE(WriteConfigFile(ConfigPath(), c));
    StationConfig again = LoadOrCreateConfig(ConfigPath(), &created);
    EXPECT_FALSE(created);
    EXPECT_EQ(again.link.port, 9);
    EXPECT_FALSE(std::filesystem::exists(ConfigPath() + ".tmp"));
}

}  // namespace
