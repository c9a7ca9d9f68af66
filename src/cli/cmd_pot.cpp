// qortool pot start | stop: starts or stops the step program of the first potentiostat.
#include "cli/command.h"
#include "cli/core_app.h"
#include "cli/link_options.h"
#include "common/clock.h"
#include "common/text.h"
#include "station/console_ui.h"

#include <cstdio>

namespace qor::cli {
namespace {

int RunPot(const Parsed& p)
{
    std::string error;
    auto transport = LinkOptions::From(p, error);
    if (!transport)
        return Fail(error);
    const PotTarget target = PotTargetOf(p);
    const int lang = p.lang;
    const bool start = p.command->name == "pot start";

    CoreApp app;

    station::ConsoleStation cs(SystemClock::Instance(), station::StationConfig{});
    if (!SearchPotentiostats(cs, *transport, lang, target))
        return 1;
    const unsigned address = cs.station.Potentiostats().front();
    // Only what the command itself brings counts: the search may have had its own messages,
    // and a program found running by the search says nothing about this start.
    const std::size_t before = cs.ui.messages.size();
    if (start) {
        cs.station.StartPotentiostat();
        cs.station.StopAll();
        if (cs.ui.messages.size() != before || !cs.station.PotentiostatRunning())
            return 1;
        std::printf(TextPair{"Potentiostat %u gestartet\n", "potentiostat %u started\n"}[lang], address);
    } else {
        cs.station.StopPotentiostat();
        if (cs.ui.messages.size() != before)
            return 1;
        std::printf(TextPair{"Potentiostat %u gestoppt\n", "potentiostat %u stopped\n"}[lang], address);
    }
    return 0;
}

Syntax PotSyntax()
{
    Syntax s;
    LinkOptions::Declare(s.options);
    DeclarePotTarget(s.options);
    return s;
}

const Registrar kStart({"pot start", PotSyntax(),
                        "starts the step program of the first potentiostat (or of the one at --address,\n"
                        "        found without a search)",
                        RunPot});
const Registrar kStop({"pot stop", PotSyntax(), "stops it", RunPot});

}  // namespace
}  // namespace qor::cli
