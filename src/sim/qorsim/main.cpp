// qorsim: the simulated module bus behind a pseudo-terminal (frames with checksum, as on
// an RS232 line) and/or a TCP gateway (length-prefixed frames without checksum).
#include "common/clock.h"
#include "sim/qorsim/sim_options.h"
#include "sim/qorsim/sim_server.h"

int main(int argc, char** argv)
{
    int exitCode = 0;
    const auto options = qor::sim::ParseSimOptions(argc, argv, exitCode);
    if (!options)
        return exitCode;

    qor::SystemClock clock;
    qor::sim::SimBus bus(clock, options->seed);
    qor::sim::SetUpBus(bus, *options);

    qor::sim::SimServer server(bus, *options);
    if (!server.Open())
        return 1;
    server.Run();
    return 0;
}
