#include "sim/qorsim/sim_options.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace qor::sim {

namespace {

void Usage()
{
    std::fprintf(
        stderr,
        "usage: qorsim [--tcp [HOST:]PORT] [--pty [--link PATH]] [options]\n"
        "  --tcp [HOST:]PORT     serve the gateway (host defaults to 127.0.0.1)\n"
        "  --pty                 create a pseudo-terminal; its path is the first line of stdout\n"
        "  --link PATH           also make PATH a symbolic link to the pseudo-terminal\n"
        "  --module ADDR=TYPE    a module of type code TYPE at ADDR (repeatable; replaces the default set)\n"
        "  --raw ADDR=A,B,C      fixed raw values 1..3 of the module at ADDR\n"
        "  --display-mode ADDR=M conductivity display mode 0..3 of the module at ADDR\n"
        "  --fault ADDR=KIND[:RATE]  fail answers of ADDR (RATE 0..1, default 1)\n"
        "  --fault-rate RATE[:KIND]  fail answers of every module at RATE\n"
        "                        KIND: silent, checksum, cut, status0, status6, echo (default: any)\n"
        "  --wire-time           delay pty answers by the wire time of request and answer\n"
        "  --baud N              line speed for --wire-time (default 56000)\n"
        "  --seed N              seed of the simulated values and faults\n"
        "the cell behind each potentiostat (type codes 64..127):\n"
        "  --cell-rs OHM         solution resistance (default 100)\n"
        "  --cell-ecorr MV       corrosion potential against the reference (default -50)\n"
        "  --cell-icorr UA       corrosion current (default 0.5)\n"
        "  --cell-ba MV          anodic Tafel slope in mV per decade (default 80)\n"
        "  --cell-bc MV          cathodic Tafel slope in mV per decade (default 120)\n"
        "  --cell-cdl UF         double-layer capacitance (default 20)\n"
        "  --cell-n N            exponent of the double layer in the spectrum, 0.5 .. 1 (default 1)\n"
        "  --cell-noise REL      relative noise of currents and impedances (default 0.002)\n"
        "  --cell-noise-mv MV    noise of potentials (default 0.3)\n"
        "commands on stdin: 'fault ADDR KIND [COUNT]', 'rate ADDR RATE [KIND]', 'add ADDR TYPE',\n"
        "  'remove ADDR', 'raw ADDR A,B,C'\n"
        "  --script FILE         the same commands at given times: lines 'SECONDS COMMAND...', the\n"
        "                        seconds counted from the start of serving ('#' starts a comment)\n");
}

bool ParseAddrValue(const std::string& s, int& addr, std::string& value)
{
    auto eq = s.find('=');
    if (eq == std::string::npos)
        return false;
    char* end = nullptr;
    long a = std::strtol(s.c_str(), &end, 0);
    if (end != s.c_str() + eq || a < 0 || a > 15)
        return false;
    addr = static_cast<int>(a);
    value = s.substr(eq + 1);
    return true;
}

// kindFirst: "KIND[:RATE]", else "RATE[:KIND]".
bool ParseFaultSpec(const std::string& s, double& rate, Fault& kind, bool kindFirst)
{
    auto colon = s.find(':');
    std::string a = s.substr(0, colon), b = colon == std::string::npos ? "" : s.substr(colon + 1);
    std::string kindText = kindFirst ? a : b, rateText = kindFirst ? b : a;
    kind = Fault::None;
    if (!kindText.empty() && kindText != "any") {
        auto f = ParseFault(kindText);
        if (!f)
            return false;
        kind = *f;
    }
    rate = 1.0;
    if (!rateText.empty()) {
        char* end = nullptr;
        rate = std::strtod(rateText.c_str(), &end);
        if (*end || rate < 0 || rate > 1)
            return false;
    }
    return true;
}

// The option's field of the cell, or nullptr when it is no cell option.
double* CellField(CellParams& c, const std::string& option)
{
    const std::pair<const char*, double CellParams::*> fields[] = {
        {"--cell-rs", &CellParams::rsOhm},
        {"--cell-ecorr", &CellParams::eCorrMv},
        {"--cell-icorr", &CellParams::iCorrUa},
        {"--cell-ba", &CellParams::betaAnodicMv},
        {"--cell-bc", &CellParams::betaCathodicMv},
        {"--cell-cdl", &CellParams::cdlUf},
        {"--cell-noise", &CellParams::currentNoise},
        {"--cell-noise-mv", &CellParams::potentialNoiseMv},
        {"--cell-n", &CellParams::cpeN},
    };
    for (auto& [name, field] : fields)
        if (option == name)
            return &(c.*field);
    return nullptr;
}

}  // namespace

bool ParseRaw(const std::string& s, std::array<std::int16_t, 3>& raw)
{
    std::istringstream in(s);
    std::string part;
    for (int i = 0; i < 3; ++i) {
        if (!std::getline(in, part, ','))
            return false;
        char* end = nullptr;
        long v = std::strtol(part.c_str(), &end, 0);
        if (*end || v < -32768 || v > 32767)
            return false;
        raw[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(v);
    }
    return true;
}

std::optional<SimOptions> ParseSimOptions(int argc, char** argv, int& exitCode)
{
    SimOptions o;
    exitCode = 2;
    auto fail = [](const char* format, const std::string& text) -> std::optional<SimOptions> {
        std::fprintf(stderr, format, text.c_str());
        return std::nullopt;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool takesValue = a == "--tcp" || a == "--link" || a == "--module" || a == "--raw" ||
                                a == "--display-mode" || a == "--fault" || a == "--fault-rate" ||
                                a == "--baud" || a == "--seed" || a == "--script" || CellField(o.cell, a);
        if (takesValue && i + 1 >= argc)
            return fail("qorsim: %s needs a value\n", a);
        const std::string v = takesValue ? argv[++i] : std::string();
        int addr;
        std::string value;
        if (a == "--tcp") {
            std::string port = v;
            auto colon = v.rfind(':');
            if (colon != std::string::npos) {
                o.tcpHost = v.substr(0, colon);
                port = v.substr(colon + 1);
            }
            char* end = nullptr;
            long p = std::strtol(port.c_str(), &end, 10);
            if (*end || p < 0 || p > 65535)
                return fail("qorsim: bad TCP port '%s'\n", port);
            o.tcpPort = static_cast<int>(p);
        } else if (a == "--pty") {
            o.pty = true;
        } else if (a == "--link") {
            o.linkPath = v;
        } else if (a == "--module") {
            char* end = nullptr;
            long t = 0;
            if (ParseAddrValue(v, addr, value))
                t = std::strtol(value.c_str(), &end, 0);
            if (!end || *end || t < 0 || t > 255)
                return fail("qorsim: bad module '%s' (ADDR=TYPE, ADDR 0..15, TYPE 0..255)\n", v);
            o.modules.emplace_back(addr, static_cast<int>(t));
        } else if (a == "--raw") {
            std::array<std::int16_t, 3> raw{};
            if (!ParseAddrValue(v, addr, value) || !ParseRaw(value, raw))
                return fail("qorsim: bad raw values '%s' (ADDR=A,B,C)\n", v);
            o.raws[addr] = raw;
        } else if (a == "--display-mode") {
            if (!ParseAddrValue(v, addr, value))
                return fail("qorsim: bad display mode '%s'\n", v);
            o.displayModes[addr] = std::atoi(value.c_str());
        } else if (a == "--fault") {
            double rate;
            Fault kind;
            if (!ParseAddrValue(v, addr, value) || !ParseFaultSpec(value, rate, kind, true))
                return fail("qorsim: bad fault '%s'\n", v);
            o.faults.emplace_back(addr, rate, kind);
        } else if (a == "--fault-rate") {
            if (!ParseFaultSpec(v, o.allRate, o.allKind, false))
                return fail("qorsim: bad fault rate%s\n", "");
        } else if (a == "--wire-time") {
            o.wireTime = true;
        } else if (a == "--baud") {
            o.baud = std::atoi(v.c_str());
            if (o.baud <= 0)
                return fail("qorsim: bad baud rate%s\n", "");
        } else if (a == "--script") {
            std::ifstream f(v);
            std::stringstream text;
            if (!f || !(text << f.rdbuf()))
                return fail("qorsim: cannot read the script '%s'\n", v);
            std::string error;
            auto script = ParseScript(text.str(), error);
            if (!script)
                return fail("qorsim: %s\n", v + ": " + error);
            o.script = std::move(*script);
        } else if (a == "--seed") {
            o.seed = static_cast<unsigned>(std::strtoul(v.c_str(), nullptr, 10));
        } else if (double* field = CellField(o.cell, a)) {
            char* end = nullptr;
            const double d = std::strtod(v.c_str(), &end);
            if (v.empty() || *end || !std::isfinite(d))
                return fail("qorsim: bad number '%s'\n", v);
            *field = d;
        } else if (a == "--help" || a == "-h") {
            Usage();
            exitCode = 0;
            return std::nullopt;
        } else {
            std::fprintf(stderr, "qorsim: unknown option '%s'\n", a.c_str());
            Usage();
            return std::nullopt;
        }
    }
    if (const char* bad = o.cell.Check(); *bad)
        return fail("qorsim: %s\n", bad);
    if (o.tcpPort < 0 && !o.pty) {
        std::fprintf(stderr, "qorsim: give --tcp and/or --pty\n");
        Usage();
        return std::nullopt;
    }
    return o;
}

std::optional<std::vector<std::pair<double, std::string>>> ParseScript(const std::string& text,
                                                                       std::string& error)
{
    std::vector<std::pair<double, std::string>> script;
    std::istringstream in(text);
    int lineNo = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNo;
        std::istringstream words(line);
        std::string first, verb;
        if (!(words >> first) || first[0] == '#')
            continue;
        char* end = nullptr;
        const double at = std::strtod(first.c_str(), &end);
        int addr = -1;
        words >> verb >> addr;
        const bool known =
            verb == "fault" || verb == "rate" || verb == "add" || verb == "remove" || verb == "raw";
        if (*end || !std::isfinite(at) || at < 0 || !known || addr < 0 || addr > 15) {
            error = "line " + std::to_string(lineNo) +
                    " is not 'SECONDS fault|rate|add|remove|raw ADDR ...': " + line;
            return std::nullopt;
        }
        script.emplace_back(at, line.substr(line.find(verb)));
    }
    std::stable_sort(script.begin(), script.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return script;
}

void SetUpBus(SimBus& bus, const SimOptions& o)
{
    bus.SetCellParams(o.cell);
    if (o.modules.empty())
        bus.AddDefaultModules();
    for (auto [addr, type] : o.modules)
        bus.AddModule(static_cast<std::uint8_t>(addr), static_cast<std::uint8_t>(type));
    for (auto& [addr, raw] : o.raws)
        if (auto* m = bus.Module(static_cast<std::uint8_t>(addr)))
            m->SetRawValues(raw);
    for (auto& [addr, mode] : o.displayModes)
        if (auto* m = bus.Module(static_cast<std::uint8_t>(addr)))
            m->SetDisplayMode(static_cast<std::uint8_t>(mode));
    if (o.allRate > 0)
        bus.SetFaultRateAll(o.allRate, o.allKind);
    for (auto& [addr, rate, kind] : o.faults)
        bus.SetFaultRate(static_cast<std::uint8_t>(addr), rate, kind);
}

}  // namespace qor::sim
