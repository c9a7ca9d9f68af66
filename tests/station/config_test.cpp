#include "data/data_test_util.h"
#include "station/config.h"
#include "station/link_texts.h"
#include "station/rs232_model.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace qor;
using namespace qor::station;

namespace {

const std::string kFirstStart =
    "[RS232]\n\rPORT=1\n\rBAUD=56000\n\r[SETUP]\n\rINTERVALL=23:59:59\n\rSPRACHE=0\n\r[GRAFIK]\n\r"
    "POINT=0\n\rMOUSE=0\n\rAXIS=1\n\rPOTRATE=0\n\rPREC=2\n\rIDCOUNT=15\n\rS_ENABLE=0\n\rAUTO_ENABLE=0\n\r"
    "ETHERNET=0\n\rIP_HOST=0\n\rIP_ADR=192168002010\n\rHOST_NAME=;\n\rTCP_PORT=50000\n\r";

// Guards the fixed-width reader: short values, cut long ones, both line ends. The values read
// show in the text written back.
TEST(Config, FixedWidthFields)
{
    const std::pair<const char*, std::vector<const char*>> cases[] = {
        {"IP_ADR=010000000001\n", {"\n\rIP_ADR=010000000001\n\r"}},
        {"HOST_NAME=plant-gw;\n\rTCP_PORT=4001\n\r", {"\n\rHOST_NAME=plant-gw;\n\rTCP_PORT=4001\n\r"}},
        {"PORT=7\n\rBAUD=9600\n\r", {"[RS232]\n\rPORT=7\n\rBAUD=9600\n\r"}},
        {"PORT=12345\n\rIDCOUNT=123\n\rPREC=45\n\r", {"\n\rPORT=123\n\r", "\n\rPREC=4\n\rIDCOUNT=12\n\r"}},
        {"INTERVALL=01:02:03\n\r", {"\n\rINTERVALL=01:02:03\n\r"}},
        {"PORT=4\r\nS_ENABLE=5\r\nAUTO_ENABLE=1\r\n",
         {"\n\rPORT=4\n\r", "\n\rS_ENABLE=5\n\rAUTO_ENABLE=1\n\r"}},
    };
    for (const auto& [text, parts] : cases)
        for (const char* part : parts)
            EXPECT_NE(SaveConfig(LoadConfig(text)).find(part), std::string::npos) << text << " -> " << part;
}

// Guards a value lost between writing and reading, and the host name not written in Windows-1252.
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
    EXPECT_NE(text.find("HOST_NAME=Kl\xE4ranlage;"), std::string::npos);
    StationConfig r = LoadConfig(text);
    EXPECT_EQ(r.language, 0);
    EXPECT_EQ(r.link.hostName, "Kläranlage");
    r.language = 1;
    EXPECT_EQ(SaveConfig(r), text);
}

// Guards the save interval drifting by a second through the day fraction (whole intervals go through
// it in every test that reads or writes one).
TEST(Config, IntervalSurvivesTheDayFraction)
{
    EXPECT_FALSE(SplitDayFraction(4e6).valid);
    // Fractions a little under the time they stand for (cut to 7 digits): 00:10:00 and 00:00:01.
    EXPECT_EQ(SplitDayFraction(0.0069444).minutes, 10);
    EXPECT_EQ(SplitDayFraction(0.0000115).seconds, 1);
}

class ConfigLocation : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* v : kVars)
            if (const char* old = std::getenv(v))
                saved.emplace_back(v, old);
    }
    void TearDown() override
    {
        for (const char* v : kVars)
            ::unsetenv(v);
        for (auto& [k, v] : saved)
            ::setenv(k.c_str(), v.c_str(), 1);
    }
    static constexpr const char* kVars[] = {"APPDATA", "XDG_CONFIG_HOME", "HOME"};
    std::vector<std::pair<std::string, std::string>> saved;
    data::test::TempDir tmp;
    const std::filesystem::path dir = tmp.path;
};

// Guards the order of the places the file is looked for.
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

// Guards a first start without a file, a second start overwriting the file, and a left-over temporary file.
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
    // Guards the device line breaking the classic layout of the first-start text.
    c.link.device = "/dev/ttyUSB0";
    EXPECT_EQ(SaveConfig(c), kFirstStart + "SERIAL_DEVICE=/dev/ttyUSB0;\n\r");
    c.link.port = 9;
    ASSERT_TRUE(WriteConfigFile(ConfigPath(), c));
    EXPECT_EQ(LoadOrCreateConfig(ConfigPath(), &created).link.port, 9);
    EXPECT_FALSE(created);
    EXPECT_FALSE(std::filesystem::exists(ConfigPath() + ".tmp"));
}

// Guards the rule that a save interval under a minute becomes ten minutes, applied to longer ones.
TEST(Rs232Model, IntervalRule)
{
    const int cases[][2] = {{30, 600}, {0, 600}, {60, 60}, {3600, 3600}, {86399, 86399}, {307, 307}};
    for (const auto& c : cases) {
        Rs232Model model(FirstStartDefaults());
        model.SetInterval(c[0] / 3600, c[0] / 60 % 60, c[0] % 60);
        const TimeOfDay t = SplitDayFraction(model.Accept().interval);
        EXPECT_EQ(t.hours * 3600 + t.minutes * 60 + t.seconds, c[1]) << c[0];
    }
}

// Guards the serial choice keeping a gateway's speed, and port, TCP port and IDCOUNT outside their limits.
TEST(Rs232Model, HardwareChoiceAndLimits)
{
    StationConfig c = FirstStartDefaults();
    c.link.ethernet = 1;
    c.link.baud = 9600;
    Rs232Model model(c);
    model.ChooseSerial();
    EXPECT_EQ(std::make_pair(model.Accept().link.baud, model.Accept().link.ethernet),
              std::make_pair(56000, 0));
    model.ChooseLan();
    EXPECT_EQ(model.Accept().link.ethernet, 1);
    // Set value, then the TCP port, port and IDCOUNT taken.
    const int cases[][4] = {{3999, 4000, 255, 15},
                            {65535, 65535, 255, 15},
                            {70000, 65535, 255, 15},
                            {-1, 4000, 1, 0},
                            {7, 4000, 7, 7}};
    for (const auto& l : cases) {
        model.SetTcpPort(l[0]);
        model.SetPort(l[0]);
        model.SetIdCount(l[0]);
        const StationConfig a = model.Accept();
        EXPECT_EQ(std::make_tuple(int{a.link.tcpPort}, a.link.port, a.idCount),
                  std::make_tuple(l[1], l[2], l[3]))
            << l[0];
    }
}

// Guards the link pane naming a COM port when a device path is set, or the reverse.
TEST(LinkTexts, SerialPaneWithAndWithoutDevicePath)
{
    bus::LinkSettings s;
    s.port = 3;
    s.baud = 9600;
    EXPECT_EQ(SerialPaneText(s), "COM 3  9600,N,8,1");
    s.device = "/dev/ttyUSB0";
    EXPECT_EQ(SerialPaneText(s), "/dev/ttyUSB0  9600,N,8,1");
}

}  // namespace
