#include "catalogue/slave.h"
#include "station/digital_mess_view_model.h"
#include "ui/shell/start_options.h"
#include "ui/station/c3d_meter_ctrl.h"
#include "ui/station/digital_mess_view.h"
#include "ui/station/led.h"
#include "ui_test_app.h"

#include <QLabel>
#include <cstring>

namespace qor::ui {
namespace {

// A module's part of a poll cycle, described as the catalogue describes `slave`: measured
// when released (1 or 2), absent otherwise.
station::ModuleReading Reading(catalogue::CSlave s, double v1, double v2, double v3)
{
    station::ModuleReading r;
    station::DescribeReading(r, s);
    if (s.m_enabled) {
        r.state = station::Reading::Measured;
        r.values = {v1, v2, v3};
    }
    return r;
}

station::ModuleReading Module(std::uint8_t type, double v1, double v2, double v3, int enabled = 1)
{
    catalogue::CSlave s;
    s.m_type = type;
    s.m_enabled = enabled;
    return Reading(s, v1, v2, v3);
}

// The lamp by the run bit and the release state; a linear amplifier's scale ends where its
// calibration says.
TEST(DigitalView, LampReleaseStatesAndScaleEnd)
{
    // Yellow while a program runs is the potentiostat's alone (its lamp is checked in the
    // main window); a module without the run bit stays green.
    const station::ModuleReading idle = Module(0x42, 1.0, 2.0, 3.0);
    EXPECT_EQ(station::DigitalViewRefresh(4, idle, true).lampColour, CLed::LED_COLOR_GREEN);
    EXPECT_EQ(station::DigitalViewRefresh(1, Module(1, 7, 0, 20, 0), false).action,
              station::DigitalViewState::Action::Nothing);

    catalogue::CSlave lin;
    lin.m_type = 9;
    lin.m_enabled = 1;
    const float top = 250.0f;
    std::memcpy(lin.m_calibration[2].data(), &top, 4);
    EXPECT_DOUBLE_EQ(station::DigitalViewRefresh(2, Reading(lin, 10.0, 1.0, 20.0), false).meterMax[0], 250.0);
    lin.m_calibration[2] = {0, 0, 0xC0, 0x7F};  // not a number: the catalogue's end
    EXPECT_DOUBLE_EQ(station::DigitalViewRefresh(2, Reading(lin, 10.0, 1.0, 20.0), false).meterMax[0],
                     1000.0);
}

// The view shows the record as the catalogue describes the module: digits to its decimals,
// units, meter ranges; a faulty module turns the lamp red and leaves the digits. A digit box
// never drops leading digits: in a tall, narrow window the digits shrink to fit; a number too
// long for any legible size becomes a mark without digits.
TEST(DigitalView, DigitsShrinkToFitOrShowAMark)
{
    CDigitalMessView view(0, 0);
    view.InitialUpdate();

    view.Refresh(Module(1, 7.123, -123.44, 21.06), false);
    EXPECT_EQ(view.Title(), "Slave 00 pH - Verstärker");
    QString readings;
    for (int i = 0; i < 3; ++i)
        readings += view.ValueText(i) + " " + view.UnitText(i) + "|";
    EXPECT_EQ(readings, "7.123 pH|-123.4 mV|21.1 °C|");
    EXPECT_EQ(view.Meter(1)->ValueText(), "-123.4");
    EXPECT_DOUBLE_EQ(view.Meter(0)->RangeMin(), -2.0);
    EXPECT_DOUBLE_EQ(view.Meter(0)->RangeMax(), 16.0);
    EXPECT_DOUBLE_EQ(view.Meter(1)->RangeMax(), 2000.0);
    EXPECT_EQ(view.Lamp()->LedColour(), CLed::LED_COLOR_GREEN);

    view.Refresh(Module(1, 1.0, 1.0, 1.0, 2), false);
    EXPECT_EQ(view.Lamp()->LedColour(), CLed::LED_COLOR_RED);
    EXPECT_EQ(view.Lamp()->LedState(), CLed::LED_ON);
    EXPECT_EQ(view.ValueText(0), "7.123");

    CDigitalMessView narrow(2, 1);
    narrow.InitialUpdate();
    narrow.resize(narrow.minimumWidth(), narrow.minimumHeight() * 4);
    narrow.show();
    const struct {
        double v1, v2;
        const char* shown1;  // digit box 1 as it must read
    } cases[] = {
        {94.4, 6.872, "94.4"},
        {-1234.5, -1999.9, "-1234.5"},
        {1e30, 0.0, "###"},
    };
    for (const auto& c : cases) {
        narrow.Refresh(Module(8, c.v1, c.v2, 21.0), false);  // oxygen: value 1 in % with one decimal
        EXPECT_EQ(narrow.DigitBox(0)->text(), c.shown1);
        for (int i = 0; i < 3; ++i) {
            const QLabel& box = *narrow.DigitBox(i);
            EXPECT_LE(box.fontMetrics().horizontalAdvance(box.text()), box.contentsRect().width())
                << box.text().toStdString();
        }
    }
}

// What a command line comes out as: the transport with its address or device, the language
// and the file; "error" for a refused one.
std::string Parsed(const std::vector<std::string>& args)
{
    std::string error;
    const auto o = ParseStartOptions(args, &error);
    if (!o)
        return error.empty() ? "refused without a message" : "error";
    const char* transports[] = {"configured", "simulate", "tcp", "serial"};
    std::string out = transports[static_cast<int>(o->transport)];
    if (o->transport == StartOptions::Transport::Tcp)
        out += " " + std::to_string(o->ip[0]) + "." + std::to_string(o->ip[1]) + "." +
               std::to_string(o->ip[2]) + "." + std::to_string(o->ip[3]) + ":" + std::to_string(o->tcpPort);
    if (o->transport == StartOptions::Transport::Serial)
        out += " " + o->device;
    return out + " lang " + std::to_string(o->language) + (o->file.empty() ? "" : " " + o->file);
}

TEST(StartOptions, Parsing)
{
    const struct {
        std::vector<std::string> args;
        const char* want;
    } cases[] = {
        {{}, "configured lang 0"},
        {{"--simulate", "--lang", "en", "run.qo3"}, "simulate lang 1 run.qo3"},
        {{"--tcp", "192.168.2.10:50000"}, "tcp 192.168.2.10:50000 lang 0"},
        {{"--tcp", "localhost:4000"}, "tcp 127.0.0.1:4000 lang 0"},
        {{"--serial", "/dev/ttyUSB0"}, "serial /dev/ttyUSB0 lang 0"},
        {{"--tcp", "192.168.2:50000"}, "error"},
        {{"--tcp", "192.168.2.300:50000"}, "error"},
        {{"--tcp", "10.0.0.1"}, "error"},
        {{"--tcp", "10.0.0.1:0"}, "error"},
        {{"--tcp", "10.0.0.1:70000"}, "error"},
        {{"--tcp"}, "error"},
        {{"--lang", "fr"}, "error"},
        {{"--serial"}, "error"},
        {{"--simulate", "--serial", "/dev/ttyS0"}, "error"},
        {{"--frobnicate"}, "error"},
        {{"a.qo3", "b.qo3"}, "error"},
        {{"--screenshot", "out.png", "dl.TX3"}, "error"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Parsed(c.args), c.want) << (c.args.empty() ? "no arguments" : c.args[0]);
}

}  // namespace
}  // namespace qor::ui
