// qortool config: where the configuration lives and what it holds.
#include "cli/command.h"
#include "station/config.h"

#include <cstdio>

namespace qor::cli {
namespace {

int RunConfig(const Parsed&)
{
    const std::string path = station::ConfigPath();
    bool created = false;
    std::string error;
    station::StationConfig c = station::LoadOrCreateConfig(path, &created, &error);
    if (!error.empty())
        return Fail(error);
    const station::TimeOfDay t = station::SplitDayFraction(c.interval);
    const auto& ip = c.link.ip;
    std::printf("path\t%s%s\n", path.c_str(), created ? "\t(created)" : "");
    std::printf("PORT\t%d\nBAUD\t%d\nINTERVALL\t%02d:%02d:%02d\nPOINT\t%d\nMOUSE\t%d\nAXIS\t%d\n",
                c.link.port, c.link.baud, t.hours, t.minutes, t.seconds, c.point, c.mouse, c.axis);
    std::printf(
        "POTRATE\t%d\nPREC\t%d\nIDCOUNT\t%d\nS_ENABLE\t%u\nAUTO_ENABLE\t%d\nETHERNET\t%d\nIP_HOST\t%d\n",
        c.potRate, int{c.prec}, c.idCount, c.sEnable, c.autoEnable, c.link.ethernet, c.link.ipHost);
    std::printf("IP_ADR\t%d.%d.%d.%d\nHOST_NAME\t%s\nTCP_PORT\t%u\n", ip[0], ip[1], ip[2], ip[3],
                c.link.hostName.c_str(), unsigned{c.link.tcpPort});
    if (!c.link.device.empty())
        std::printf("SERIAL_DEVICE\t%s\n", c.link.device.c_str());
    return 0;
}

const Registrar kConfig({"config",
                         {},
                         "prints the configuration file's path and settings (creates it on first start)",
                         RunConfig});

}  // namespace
}  // namespace qor::cli
