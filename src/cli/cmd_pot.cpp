// qortool pot start | stop: starts or stops the step program of the first potentiostat.
#include "cli/cmd_pot_analyse.h"
#include "cli/cmd_pot_program.h"
#include "cli/cmd_pot_run.h"
#include "cli/command.h"
#include "cli/core_app.h"
#include "cli/link_options.h"
#include "common/clock.h"
#include "common/text.h"
#include "station/console_ui.h"

#include <cstdio>

namespace qor::cli {
namespace {

int RunPot(const std::vector<std::string>& argv)
{
    if (!argv.empty() && IsPotProgramCommand(argv[0]))
        return RunPotProgram(argv);
    if (!argv.empty() && argv[0] == "analyse")
        return RunPotAnalyse(argv);
    if (!argv.empty() && IsPotRunCommand(argv[0]))
        return RunPotRun(argv);
    Args args(argv);
    std::string error;
    auto transport = LinkOptions::FromArgs(args, error);
    if (!transport)
        return Fail(error);
    PotTarget target;
    if (!TakePotTarget(args, target, error))
        return Fail(error);
    const int lang = TakeLanguage(args);
    if (lang < 0)
        return Fail(TextPair{"--lang verlangt de oder en", "--lang needs de or en"}[args.Language()]);
    if (!args.Unknown().empty())
        return Fail(args.Unknown());
    if (args.Rest().size() != 1 || (args.Rest()[0] != "start" && args.Rest()[0] != "stop"))
        return Fail(TextPair{"start oder stop angeben", "say start or stop"}[lang]);
    const bool start = args.Rest()[0] == "start";

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

Registrar reg({"pot",
               std::string("start | stop ") + LinkOptions::Usage() + " " + kPotTargetUsage +
                   " [--lang de|en]\n"
                   "        starts or stops the step program of the first potentiostat (or of the one at\n"
                   "        --address, found without a search)\n    " +
                   kPotProgramUsage + "\n    " + kPotRunUsage + "\n    " + kPotAnalyseUsage,
               RunPot});

}  // namespace
}  // namespace qor::cli
