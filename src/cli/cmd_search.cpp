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

int RunSearch(const Parsed& p)
{
    std::string error;
    auto transport = LinkOptions::From(p, error);
    if (!transport)
        return Fail(error);
    station::StationConfig cfg;
    const int lang = p.lang;
    const bool release = p.Has("--release");
    cfg.idCount = static_cast<int>(p.Number("--idcount", 15));

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

Syntax SearchSyntax()
{
    Syntax s;
    LinkOptions::Declare(s.options);
    s.options.insert(s.options.end(), {IdCountOption(), Option::Flag("--release")});
    return s;
}

const Registrar kSearch({"search", SearchSyntax(),
                         "searches addresses 0..N and prints one \"Slave %2d: %s\" line per module found;\n"
                         "        --release also releases and identifies them and lists the potentiostats",
                         RunSearch});

}  // namespace
}  // namespace qor::cli
