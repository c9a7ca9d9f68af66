// qortool stp dump FILE.stp: what loading a step program template gives, as JSON.
#include "cli/command.h"
#include "data/document_json.h"
#include "potentiostat/pot_step_setup_model.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace qor::cli {
namespace {

using namespace qor::potentiostat;

// The shortest text that reads back to the same float; null when it is not finite.
std::string Json(float v)
{
    if (!std::isfinite(v))
        return "null";
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string DeviceJson(const DeviceStep& d)
{
    return Format(
        "{\"number\": %u, \"mode\": %u, \"value1\": %s, \"value2\": %s, \"limit\": %s, \"fromRest\": %u, "
        "\"fromMomentary\": %u, \"limitBelow\": %u, \"cyclic\": %u, \"constant\": %u, \"interval\": %u, "
        "\"passes\": %u, \"next\": %u, \"samples\": %u}",
        d.number, d.mode, Json(d.value1).c_str(), Json(d.value2).c_str(), Json(d.limit).c_str(), d.fromRest,
        d.fromMomentary, d.limitBelow, d.cyclic, d.constant, d.interval, d.passes, d.next, d.samples);
}

int RunStp(const Parsed& p)
{
    PotStepSetupModel model(1);
    const std::string message = model.LoadTemplate(p.Operands()[0]);
    if (!message.empty())
        return Fail(message);
    if (!model.LoadNote().empty())
        Say(model.LoadNote());
    const PotSettings& s = model.Settings();
    std::string version = "null";
    if (std::isfinite(model.TemplateVersion())) {
        version = Format("%.17g", model.TemplateVersion());
        if (version.find_first_of(".e") == std::string::npos)
            version += ".0";
    }
    std::string out = "{\"version\": " + version + ", \"steps\": [";
    const StpTemplate t = model.ToTemplate();
    for (int r = 0; r < model.Rows(); ++r) {
        out += r ? ",\n  " : "\n  ";
        out += "{\"columns\": [";
        for (int c = 0; c < kColumnCount; ++c)
            out += (c ? ", " : "") + data::JsonString(model.Cell(r, c));
        // The row goes out as the step of its position.
        DeviceStep d = ToDevice(model.Row(r));
        d.number = static_cast<std::uint8_t>(r + 1);
        out += "], \"device\": " + DeviceJson(d) +
               Format(", \"aux\": %u}", t.steps[static_cast<std::size_t>(r)].aux);
    }
    out += model.Rows() ? "\n], " : "], ";
    out += Format("\"settings\": {\"voltageRange\": %d, \"currentRange\": %d, \"voltageManual\": %d, "
                  "\"currentManual\": %d, \"compensation\": %d, \"irByte\": %u, \"irCapacitor\": %d, "
                  "\"interruptionInterval\": %u, \"offTime\": %u, \"filterIndex\": %d, \"capacitance\": %d, "
                  "\"dataRate10Hz\": %d}}\n",
                  s.voltageRange, s.currentRange, s.voltageManual, s.currentManual, s.compensation, s.irByte,
                  s.irCapacitor, s.interruptionInterval, s.offTime, s.filterIndex, s.capacitance,
                  s.dataRate10Hz);
    std::fputs(out.c_str(), stdout);
    return 0;
}

const Registrar kStp(
    {"stp dump", {{}, {"FILE.stp"}}, "prints what loading the step program template gives, as JSON", RunStp});

}  // namespace
}  // namespace qor::cli
