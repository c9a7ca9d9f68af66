// qortool search: the modules on the bus, as the release dialog lists them.
#include "cli/command.h"
#include "cli/core_app.h"
#include "cli/link_options.h"
#include "common/clock.h"
#include "common/text.h"
#include "station/console_ui.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace qor::cli {
namespace {

int RunSearch(const std::vector<std::string>& argv)
{
    Args args(argv);
    std::string error;
    auto transport = LinkOptions::FromArgs(args, error);
    if (!transport)
        return Fail(error);
    station::StationConfig cfg;
    const std::string idCount = args.Take("--idcount", "15");
    const int lang = TakeLanguage(args);
    const bool release = args.Flag("--release");
    char* end = nullptr;
    const long n = std::strtol(idCount.c_str(), &end, 10);
    if (*end || n < 0 || n > 15)
        return Fail(TextPair{"--idcount verlangt die höchste Adresse 0..15",
                             "--idcount needs the highest address 0..15"}[args.Language()]);
    if (lang < 0)
        return Fail(TextPair{"--lang verlangt de oder en", "--lang needs de or en"}[args.Language()]);
    if (const std::string left = args.Leftover(); !left.empty())
        return Fail(left);
    cfg.idCount = static_cast<int>(n);

    CoreApp app;

    station::ConsoleStation cs(SystemClock::Instance(), cfg);
    cs.station.SetLanguage(lang);
    transport->Attach(cs.station.Link());
    cs.ui.releaseAll = release;
    cs.station.SearchModules();
    if (cs.ui.found.empty())
        return 1;
    std::vector<std::string> lines = cs.ui.found;
    std::sort(lines.begin(), lines.end());  // "Slave %2d" sorts by address
    for (const auto& l : lines)
        std::printf("%s\n", l.c_str());
    if (release)
        for (std::uint8_t p : cs.station.Potentiostats())
            std::printf("potentiostat %u\n", unsigned{p});
    return 0;
}

Registrar reg({"search",
               std::string(LinkOptions::Usage()) +
                   " [--idcount N] [--lang de|en] [--release]\n"
                   "        searches addresses 0..N and prints one \"Slave %2d: %s\" line per module found;\n"
                   "        --release also releases and identifies them and lists the potentiostats",
               RunSearch});

}  // namespace
}  // namespace qor::cli
