// qortool read-logger: the potentiostat's data logger into a .tx3 file, oldest line first.
#include "cli/command.h"
#include "cli/core_app.h"
#include "cli/link_options.h"
#include "common/clock.h"
#include "common/text.h"
#include "station/console_ui.h"

#include <cstdio>
#include <cstdlib>

namespace qor::cli {
namespace {

int RunReadLogger(const Parsed& p)
{
    std::string error;
    auto transport = LinkOptions::From(p, error);
    if (!transport)
        return Fail(error);
    const PotTarget target = PotTargetOf(p);
    const std::string out = p.Value("--out");
    const int lang = p.lang;
    const bool quiet = p.Has("--quiet");

    CoreApp app;

    station::ConsoleStation cs(SystemClock::Instance(), station::StationConfig{});
    cs.ui.quiet = quiet;
    if (!SearchPotentiostats(cs, *transport, lang, target))
        return 1;
    cs.ui.loggerFile = out;
    cs.station.ReadDataLogger();
    if (cs.ui.shownLoggerFile != out)
        return 1;
    if (!quiet)
        Say(Format(TextPair{"Datenlogger von Modul %u in %s geschrieben",
                            "data logger of module %u written to %s"}[lang],
                   unsigned{cs.station.Potentiostats().front()}, out.c_str()));
    return 0;
}

Syntax ReadLoggerSyntax()
{
    Syntax s;
    LinkOptions::Declare(s.options);
    s.options.push_back(Option::Text("--out", "FILE.tx3").Required());
    DeclarePotTarget(s.options);
    s.options.push_back(Option::Flag("--quiet"));
    return s;
}

const Registrar kReadLogger({"read-logger", ReadLoggerSyntax(),
                             "reads the data logger of the first potentiostat (or of the one at --address,\n"
                             "        found without a search) and writes it in time order",
                             RunReadLogger});

}  // namespace
}  // namespace qor::cli
