#pragma once

#include "sim/sim_bus.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace qor::sim {

// What qorsim's command line asks for.
struct SimOptions {
    std::string tcpHost = "127.0.0.1";
    int tcpPort = -1;  // -1: no gateway
    bool pty = false;
    std::string linkPath;
    std::vector<std::pair<int, int>> modules;  // address, type code; empty: the default set
    std::map<int, std::array<std::int16_t, 3>> raws;
    std::map<int, int> displayModes;
    std::vector<std::tuple<int, double, Fault>> faults;  // address, rate, kind
    double allRate = 0;
    Fault allKind = Fault::None;
    bool wireTime = false;
    int baud = 56000;
    unsigned seed = 1;
    CellParams cell;  // the cell behind every simulated potentiostat
    // --script: stdin commands, each run this many seconds after the bus is served.
    std::vector<std::pair<double, std::string>> script;
};

// Parses the command line. Nothing when the program should end at once: `exitCode` is 0
// after --help, 2 after a mistake (the message and the usage are printed).
std::optional<SimOptions> ParseSimOptions(int argc, char** argv, int& exitCode);

// "A,B,C": three raw values -32768..32767.
bool ParseRaw(const std::string& s, std::array<std::int16_t, 3>& raw);

// The lines of a timed script, "SECONDS COMMAND…" ('#' starts a comment line), in the
// order of their times. Nothing, with the reason in `error`, when a line is not one.
std::optional<std::vector<std::pair<double, std::string>>> ParseScript(const std::string& text,
                                                                       std::string& error);

// Puts the modules, raw values, display modes and faults of `options` on the bus.
void SetUpBus(SimBus& bus, const SimOptions& options);

}  // namespace qor::sim
