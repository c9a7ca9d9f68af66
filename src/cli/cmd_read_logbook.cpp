// qortool read-logbook: the potentiostat's own logbook as the station's logbook entry.
#include "cli/command.h"
#include "cli/core_app.h"
#include "cli/link_options.h"
#include "common/clock.h"
#include "common/text.h"
#include "station/console_ui.h"

#include <cstdio>

namespace qor::cli {
namespace {

int RunReadLogbook(const Parsed& p)
{
    std::string error;
    auto transport = LinkOptions::From(p, error);
    if (!transport)
        return Fail(error);
    const PotTarget target = PotTargetOf(p);
    const int lang = p.lang;

    CoreApp app;

    station::ConsoleStation cs(SystemClock::Instance(), station::StationConfig{});
    if (!SearchPotentiostats(cs, *transport, lang, target))
        return 1;
    const std::size_t before = cs.logbook.m_text.size();
    const std::size_t messages = cs.ui.messages.size();  // the search may have had its own
    cs.station.ReadDeviceLogbook();
    if (cs.ui.messages.size() != messages)
        return 1;
    // The one new entry: time stamp, heading, the device's lines joined by TABs.
    std::fputs(cs.logbook.m_text.substr(before).c_str(), stdout);
    return 0;
}

Syntax ReadLogbookSyntax()
{
    Syntax s;
    LinkOptions::Declare(s.options);
    DeclarePotTarget(s.options);
    return s;
}

const Registrar
    kReadLogbook({"read-logbook", ReadLogbookSyntax(),
                  "reads the logbook of the first potentiostat (or of the one at --address, found\n"
                  "        without a search) and prints it as one logbook entry",
                  RunReadLogbook});

}  // namespace
}  // namespace qor::cli
