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

int RunReadLogger(const std::vector<std::string>& argv)
{
    Args args(argv);
    std::string error;
    auto transport = LinkOptions::FromArgs(args, error);
    if (!transport)
        return Fail(error);
    PotTarget target;
    if (!TakePotTarget(args, target, error))
        return Fail(error);
    const std::string out = args.Take("--out");
    const int lang = TakeLanguage(args);
    const bool quiet = args.Flag("--quiet");
    if (out.empty())
        return Fail(TextPair{"--out DATEI.tx3 fehlt", "--out FILE.tx3 is required"}[args.Language()]);
    if (lang < 0)
        return Fail(TextPair{"--lang verlangt de oder en", "--lang needs de or en"}[args.Language()]);
    if (const std::string left = args.Leftover(); !left.empty())
        return Fail(left);

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
        std::fprintf(stderr, "%s\n",
                     Format(TextPair{"Datenlogger von Modul %u in %s geschrieben",
                                     "data logger of module %u written to %s"}[lang],
                            unsigned{cs.station.Potentiostats().front()}, out.c_str())
                         .c_str());
    return 0;
}

Registrar reg({"read-logger",
               std::string(LinkOptions::Usage()) + " --out FILE.tx3 " + kPotTargetUsage +
                   " [--lang de|en] [--quiet]\n"
                   "        reads the data logger of the first potentiostat (or of the one at --address,\n"
                   "        found without a search) and writes it in time order",
               RunReadLogger});

}  // namespace
}  // namespace qor::cli
