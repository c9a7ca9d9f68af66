#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qor::ui {

// What the command line of qorremote asks for.
struct StartOptions {
    enum class Transport { Configured, Simulate, Tcp, Serial };
    Transport transport = Transport::Configured;
    std::array<std::uint8_t, 4> ip{127, 0, 0, 1};
    std::uint16_t tcpPort = 50000;
    std::string device;
    std::string file;  // a document to open
    int language = 0;
    bool help = false;
};

// Parses the arguments after the program name. On a mistake returns nothing and fills `error`.
std::optional<StartOptions> ParseStartOptions(const std::vector<std::string>& args, std::string* error);
const char* StartOptionsUsage();

}  // namespace qor::ui
