#pragma once

#include "wiring/bus_wiring.h"

#include <optional>
#include <string>
#include <vector>

namespace qor::ui {

// What the command line of qorremote asks for: the link, and the window's own options.
struct StartOptions : wiring::LinkChoice {
    std::string file;  // a document to open
    int language = 0;
    bool help = false;
    std::string screenshot;       // a picture of the window to write, then end
    int width = 0, height = 0;    // the window's size for the picture; 0: the usual size
    std::string window = "main";  // which window the picture shows (screenshot_windows.h)
};

// Parses the arguments after the program name. On a mistake returns nothing and fills `error`.
std::optional<StartOptions> ParseStartOptions(const std::vector<std::string>& args, std::string* error);
const char* StartOptionsUsage();

}  // namespace qor::ui
