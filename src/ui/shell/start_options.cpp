#include "ui/shell/start_options.h"

#include "data/logger_file.h"
#include "ui/shell/screenshot_windows.h"

#include <cstdio>

namespace qor::ui {

const char* StartOptionsUsage()
{
    static const std::string usage =
        "usage: qorremote [--simulate | --tcp HOST:PORT | --serial DEVICE] [--lang de|en]\n"
        "                 [--screenshot OUT.png [--size WxH] [--window " +
        ScreenshotWindowNames() +
        "]] [FILE.qo3 | FILE.tx3]\n"
        "  --simulate         in-process simulated bus (pH, conductivity, oxygen, potentiostat)\n"
        "  --tcp HOST:PORT    the TCP gateway at an IPv4 address (or localhost)\n"
        "  --serial DEVICE    a serial device such as /dev/ttyUSB0\n"
        "  --lang de|en       language of the window (German by default)\n"
        "  --screenshot OUT   open FILE, draw the window once into the PNG file OUT and end\n"
        "  --size WxH         the window's size for --screenshot (default 1100x760)\n"
        "  --window NAME      the window --screenshot draws (default main):\n" +
        ScreenshotWindowHelp(std::string(21, ' ')) +
        "  FILE               a document to open, or a data logger file (.tx3) to show\n";
    return usage.c_str();
}

std::optional<StartOptions> ParseStartOptions(const std::vector<std::string>& args, std::string* error)
{
    StartOptions o;
    auto fail = [error](const std::string& message) -> std::optional<StartOptions> {
        if (error)
            *error = message;
        return std::nullopt;
    };
    int transports = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size())
                return false;
            out = args[++i];
            return true;
        };
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--simulate") {
            o.transport = StartOptions::Transport::Simulate;
            ++transports;
        } else if (a == "--tcp") {
            std::string v;
            if (!value(v))
                return fail("--tcp needs HOST:PORT");
            if (!wiring::ParseHostPort(v, o.ip, o.tcpPort))
                return fail("--tcp needs an IPv4 address and a port, e.g. 192.168.2.10:50000, not \"" + v +
                            "\"");
            o.transport = StartOptions::Transport::Tcp;
            ++transports;
        } else if (a == "--serial") {
            if (!value(o.device) || o.device.empty())
                return fail("--serial needs a device");
            o.transport = StartOptions::Transport::Serial;
            ++transports;
        } else if (a == "--lang") {
            std::string v;
            if (!value(v) || (v != "de" && v != "en"))
                return fail("--lang takes de or en");
            o.language = v == "en" ? 1 : 0;
        } else if (a == "--screenshot") {
            if (!value(o.screenshot) || o.screenshot.empty())
                return fail("--screenshot needs the name of the picture to write");
        } else if (a == "--size") {
            std::string v;
            char x = 0, rest = 0;
            if (!value(v) || std::sscanf(v.c_str(), "%d%c%d%c", &o.width, &x, &o.height, &rest) != 3 ||
                (x != 'x' && x != 'X') || o.width < 320 || o.height < 240 || o.width > 8000 ||
                o.height > 8000)
                return fail("--size takes WxH, 320x240 to 8000x8000 pixels, e.g. 1280x800");
        } else if (a == "--window") {
            if (!value(o.window) || !IsScreenshotWindow(o.window))
                return fail("--window takes " + ScreenshotWindowNames());
        } else if (a.size() > 1 && a[0] == '-') {
            return fail("unknown option " + a);
        } else {
            if (!o.file.empty())
                return fail("only one document can be opened");
            o.file = a;
        }
    }
    if (transports > 1)
        return fail("choose one of --simulate, --tcp and --serial");
    if (o.width > 0 && o.screenshot.empty())
        return fail("--size goes with --screenshot");
    if (o.window != "main" && o.screenshot.empty())
        return fail("--window goes with --screenshot");
    // The logger graph is a dialog of its own; drawing it here would wait for it to close.
    if (!o.screenshot.empty() && data::IsLoggerFile(o.file))
        return fail("--screenshot draws a .qo3 document; qortool logger plot draws a .tx3 file");
    return o;
}

}  // namespace qor::ui
