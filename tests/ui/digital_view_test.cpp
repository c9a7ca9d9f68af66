#include "catalogue/digital_mess_view_model.h"
#include "catalogue/slave.h"
#include "ui/shell/start_options.h"
#include "ui/station/c3d_meter_ctrl.h"
#include "ui/station/digital_mess_view.h"
#include "ui/station/led.h"
#include "ui_test_app.h"

#include <cstring>
#include <gtest/gtest.h>

namespace qor::ui {
namespace {

catalogue::CSlave Module(std::uint8_t address, std::uint8_t type, double v1, double v2, double v3,
                         int enabled = 1)
{
    catalogue::CSlave s;
    s.m_address = address;
    s.m_type = type;
    s.m_enabled = enabled;
    s.m_value1 = v1;
    s.m_value2 = v2;
    s.m_value3 = v3;
    return s;
}

TEST(DigitalView, TextsFromTheCatalogue)
{
    struct Case {
        catalogue::CSlave slave;
        const char* title;
        const char* values[3];
        const char* units[3];
        double min1, max1;
    } cases[] = {
        {Module(0, 1, 7.123, -123.44, 21.06),
         "Slave 00 pH - Verstärker",
         {"7.123", "-123.4", "21.1"},
         {"pH", "mV", "°C"},
         -2,
         16},
        {Module(3, 8, 98.76, 8.5, 19.94),
         "Slave 03 Sauerstoff - Verstärker",
         {"98.8", "8.50", "19.9"},
         {"%", "mg/l", "°C"},
         0,
         200},
    };
    for (const Case& c : cases) {
        const catalogue::DigitalViewState s = catalogue::DigitalViewRefresh(c.slave, false);
        ASSERT_EQ(s.action, catalogue::DigitalViewState::Action::Update);
        EXPECT_EQ(s.title, c.title);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(s.value[i], c.values[i]) << c.title << " value " << i + 1;
            EXPECT_EQ(s.unit[i], c.units[i]) << c.title << " unit " << i + 1;
        }
        EXPECT_DOUBLE_EQ(s.meterMin[0], c.min1);
        EXPECT_DOUBLE_EQ(s.meterMax[0], c.max1);
        EXPECT_EQ(s.lampColour, CLed::LED_COLOR_GREEN);
    }
}

TEST(DigitalView, LampAndReleaseStates)
{
    // 0x5A: a potentiostat with its run bit: yellow only while the program runs.
    catalogue::CSlave pot = Module(4, 0x5A, 1.0, 2.0, 3.0);
    EXPECT_EQ(catalogue::DigitalViewRefresh(pot, true).lampColour, CLed::LED_COLOR_YELLOW);
    EXPECT_EQ(catalogue::DigitalViewRefresh(pot, false).lampColour, CLed::LED_COLOR_GREEN);
    catalogue::CSlave idle = Module(4, 0x42, 1.0, 2.0, 3.0);  // no run bit
    EXPECT_EQ(catalogue::DigitalViewRefresh(idle, true).lampColour, CLed::LED_COLOR_GREEN);

    EXPECT_EQ(catalogue::DigitalViewRefresh(Module(1, 1, 7, 0, 20, 2), false).action,
              catalogue::DigitalViewState::Action::RedLamp);
    EXPECT_EQ(catalogue::DigitalViewRefresh(Module(1, 1, 7, 0, 20, 0), false).action,
              catalogue::DigitalViewState::Action::Nothing);
}

TEST(DigitalView, LinearAmplifierScaleEndFromCalibration)
{
    catalogue::CSlave lin = Module(2, 9, 10.0, 1.0, 20.0);
    const float top = 250.0f;
    std::memcpy(lin.m_calibration[2].data(), &top, 4);
    EXPECT_DOUBLE_EQ(catalogue::DigitalViewRefresh(lin, false).meterMax[0], 250.0);
    lin.m_calibration[2] = {0, 0, 0xC0, 0x7F};  // not a number: the catalogue's end
    EXPECT_DOUBLE_EQ(catalogue::DigitalViewRefresh(lin, false).meterMax[0], 1000.0);
}

TEST(DigitalView, WidgetShowsTheRecord)
{
    test::App();
    CDigitalMessView view(0, 0);
    view.InitialUpdate();
    EXPECT_EQ(view.Lamp()->LedState(), CLed::LED_OFF);

    view.Refresh(Module(0, 1, 7.123, -123.44, 21.06), false);
    EXPECT_EQ(view.Title(), "Slave 00 pH - Verstärker");
    EXPECT_EQ(view.ValueText(2), "21.1");
    EXPECT_EQ(view.UnitText(1), "mV");
    EXPECT_EQ(view.Meter(0)->ValueText(), "7.123");
    EXPECT_EQ(view.Meter(1)->ValueText(), "-123.4");
    EXPECT_DOUBLE_EQ(view.Meter(1)->RangeMax(), 2000.0);
    EXPECT_EQ(view.Lamp()->LedColour(), CLed::LED_COLOR_GREEN);
    EXPECT_EQ(view.Lamp()->LedState(), CLed::LED_ON);

    // Faulty: the lamp turns red, the digits stay.
    view.Refresh(Module(0, 1, 1.0, 1.0, 1.0, 2), false);
    EXPECT_EQ(view.Lamp()->LedColour(), CLed::LED_COLOR_RED);
    EXPECT_EQ(view.Lamp()->LedState(), CLed::LED_ON);
    EXPECT_EQ(view.ValueText(0), "7.123");
}

TEST(StartOptions, Parsing)
{
    std::string error;
    auto o = ParseStartOptions({}, &error);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->transport, StartOptions::Transport::Configured);
    EXPECT_EQ(o->language, 0);

    o = ParseStartOptions({"--simulate", "--lang", "en", "run.qo3"}, &error);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->transport, StartOptions::Transport::Simulate);
    EXPECT_EQ(o->language, 1);
    EXPECT_EQ(o->file, "run.qo3");

    o = ParseStartOptions({"--tcp", "192.168.2.10:50000"}, &error);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->ip, (std::array<std::uint8_t, 4>{192, 168, 2, 10}));
    EXPECT_EQ(o->tcpPort, 50000);
    o = ParseStartOptions({"--tcp", "localhost:4000"}, &error);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->ip, (std::array<std::uint8_t, 4>{127, 0, 0, 1}));

    o = ParseStartOptions({"--serial", "/dev/ttyUSB0"}, &error);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->device, "/dev/ttyUSB0");

    const std::vector<std::vector<std::string>> bad = {
        {"--tcp", "192.168.2:50000"},
        {"--tcp", "192.168.2.300:50000"},
        {"--tcp", "10.0.0.1"},
        {"--tcp", "10.0.0.1:0"},
        {"--tcp", "10.0.0.1:70000"},
        {"--tcp"},
        {"--lang", "fr"},
        {"--serial"},
        {"--simulate", "--serial", "/dev/ttyS0"},
        {"--frobnicate"},
        {"a.qo3", "b.qo3"},
    };
    for (const auto& args : bad) {
        error.clear();
        EXPECT_FALSE(ParseStartOptions(args, &error)) << args[0];
        EXPECT_FALSE(error.empty());
    }
}

}  // namespace
}  // namespace qor::ui
