// qortool pot start | stop: starts or stops the step program of the first potentiostat.
#include "cli/cmd_pot_program.h"
#include "cli/command.h"
#include "cli/core_app.h"
#include "cli/link_options.h"
#include "common/clock.h"
#include "station/console_ui.h"

#include <cstdio>

namespace qor::cli {
namespace {

int RunPot(const std::vector<std::string>& argv)
{
    if (!argv.empty() && IsPotProgramCommand(argv[0]))
        return RunPotProgram(argv);
    Args args(argv);
    std::string error;
    auto transport = LinkOptions::FromArgs(args, error);
    if (!transport)
        return Fail(error);
    const int lang = TakeLanguage(args);
    if (lang < 0)
        return Fail("--lang needs de or en");
    if (!args.Unknown().empty())
        return Fail(args.Unknown());
    if (args.Rest().size() != 1 || (args.Rest()[0] != "start" && args.Rest()[0] != "stop"))
        return Fail("say start or stop");
    const bool start = args.Rest()[0] == "start";

    CoreApp app;

    station::ConsoleStation cs(SystemClock::Instance(), station::StationConfig{});
    if (!SearchPotentiostats(cs, *transport, lang))
        return 2;
    const unsigned address = cs.station.Potentiostats().front();
    if (start) {
        cs.station.StartPotentiostat();
        if (!cs.station.PotentiostatRunning())
            return 1;
        cs.station.StopAll();
        std::printf("potentiostat %u started\n", address);
    } else {
        cs.station.StopPotentiostat();
        if (!cs.ui.messages.empty())
            return 1;
        std::printf("potentiostat %u stopped\n", address);
    }
    return 0;
}

Registrar reg({"pot",
               std::string("start | stop ") + LinkOptions::Usage() +
                   " [--lang de|en]\n"
                   "        starts or stops the step program of the first potentiostat\n    " +
                   kPotProgramUsage,
               RunPot});

}  // namespace
}  // namespace qor::cli
