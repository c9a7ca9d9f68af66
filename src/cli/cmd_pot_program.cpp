// qortool pot program | read-program | manual: the step program and manual operation of a
// potentiostat, as the setup and manual windows do them.
#include "cli/cmd_pot_program.h"

#include "cli/command.h"
#include "cli/core_app.h"
#include "cli/link_options.h"
#include "common/clock.h"
#include "potentiostat/pot_texts.h"
#include "station/console_ui.h"
#include "station/pot_program.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

namespace qor::cli {

using namespace qor::potentiostat;

const char* const kPotProgramUsage =
    "pot program FILE.stp | read-program --out FILE.stp | manual [--mode galvanostat|potentiostat|rest]\n"
    "        [--relay on|off] [--set VALUE] [--current-range I] [--voltage-range I] [--filter I]\n"
    "        [--capacitance I] [--voltage-filter I] [--current-filter I] [--filters-disabled 0|1]\n"
    "        (--sim | --tcp HOST:PORT | --serial DEVICE [--baud N]) [--address N] [--lang de|en]\n"
    "        programs a template, reads the program back into a template, or operates the potentiostat by "
    "hand";

bool IsPotProgramCommand(const std::string& name)
{
    return name == "program" || name == "read-program" || name == "manual";
}

namespace {

// An integer option within [lo, hi]; nullopt when absent, `bad` set when malformed.
std::optional<int> IntOption(Args& args, const char* name, int lo, int hi, std::string& bad)
{
    if (!args.Has(name))
        return std::nullopt;
    const std::string text = args.Take(name);
    int v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc{} || r.ptr != text.data() + text.size() || v < lo || v > hi) {
        bad = Format("%s needs a whole number from %d to %d", name, lo, hi);
        return std::nullopt;
    }
    return v;
}

std::string Json(float v)
{
    if (!std::isfinite(v))
        return "null";
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

// The manual options, checked before anything goes on the bus.
struct ManualOptions {
    std::optional<int> mode, relay, currentRange, voltageRange, filter, capacitance, voltageFilter,
        currentFilter, filtersDisabled;
    std::optional<float> set;

    std::string Take(Args& args)
    {
        std::string bad;
        if (args.Has("--mode")) {
            const std::string m = args.Take("--mode");
            mode = m == "galvanostat" ? 0 : m == "potentiostat" ? 1 : m == "rest" ? 2 : -1;
            if (*mode < 0)
                return "--mode needs galvanostat, potentiostat or rest";
        }
        if (args.Has("--relay")) {
            const std::string r = args.Take("--relay");
            if (r != "on" && r != "off")
                return "--relay needs on or off";
            relay = r == "on";
        }
        if (args.Has("--set")) {
            const std::string v = args.Take("--set");
            float f = 0;
            const auto r = std::from_chars(v.data(), v.data() + v.size(), f);
            if (r.ec != std::errc{} || r.ptr != v.data() + v.size() || !std::isfinite(f))
                return "--set needs a number";
            set = f;
        }
        currentRange = IntOption(args, "--current-range", 0, 7, bad);
        voltageRange = IntOption(args, "--voltage-range", 0, 1, bad);
        filter = IntOption(args, "--filter", 0, 5, bad);
        capacitance = IntOption(args, "--capacitance", 0, 5, bad);
        voltageFilter = IntOption(args, "--voltage-filter", 0, 3, bad);
        currentFilter = IntOption(args, "--current-filter", 0, 3, bad);
        filtersDisabled = IntOption(args, "--filters-disabled", 0, 1, bad);
        return bad;
    }

    void Apply(PotManuellModel& m) const
    {
        if (mode)
            m.SetMode(*mode);
        if (relay)
            m.SetRelay(*relay != 0);
        if (set)
            m.SetValue(*set);
        if (currentRange)
            m.SetCurrentRange(*currentRange);
        if (voltageRange)
            m.SetVoltageRange(*voltageRange);
        if (filter)
            m.SetFilterIndex(*filter);
        if (capacitance)
            m.SetCapacitance(*capacitance);
        HardwareFilter h = m.Hardware();
        if (voltageFilter)
            h.voltage = *voltageFilter;
        if (currentFilter)
            h.current = *currentFilter;
        if (filtersDisabled)
            h.disabled = *filtersDisabled != 0;
        m.SetHardwareFilter(h);
    }
};

void PrintManual(const PotManuellModel& m)
{
    const ManuellView v = m.View();
    std::printf("{\"mode\": %d, \"relay\": %d, \"setValue\": %s, \"currentRange\": %d, \"voltageRange\": %d, "
                "\"capacitance\": %d, \"filterIndex\": %d, \"voltageFilter\": %d, \"currentFilter\": %d, "
                "\"filtersDisabled\": %d}\n",
                m.State().mode, m.State().relay, Json(m.State().setValue).c_str(), v.currentRange,
                v.voltageRange, m.Capacitance(), v.filterIndex, m.Hardware().voltage, m.Hardware().current,
                m.Hardware().disabled ? 1 : 0);
}

}  // namespace

int RunPotProgram(const std::vector<std::string>& argv)
{
    Args args(argv);
    std::string error;
    auto transport = LinkOptions::FromArgs(args, error);
    if (!transport)
        return Fail(error);
    const int lang = TakeLanguage(args);
    if (lang < 0)
        return Fail("--lang needs de or en");
    std::string bad;
    const std::optional<int> address = IntOption(args, "--address", 0, 15, bad);
    const std::string out = args.Take("--out");
    ManualOptions manual;
    const std::string what = args.Rest().empty() ? std::string() : args.Rest()[0];
    if (what == "manual" && bad.empty())
        bad = manual.Take(args);
    if (!bad.empty())
        return Fail(bad);
    if (!args.Unknown().empty())
        return Fail(args.Unknown());
    const std::size_t operands = what == "program" ? 2 : 1;
    if (args.Rest().size() != operands)
        return Fail(what == "program" ? "say program FILE.stp" : "unexpected argument " + args.Rest().back());
    if (what == "read-program" && out.empty())
        return Fail("read-program needs --out FILE.stp");

    PotStepSetupModel model(lang);
    if (what == "program") {
        const std::string message = model.LoadTemplate(args.Rest()[1]);
        if (!message.empty())
            return Fail(message);
        if (!model.LoadNote().empty())
            Say(model.LoadNote());
    }

    CoreApp app;
    station::ConsoleStation cs(SystemClock::Instance(), station::StationConfig{});
    std::uint8_t target = 0;
    if (address) {
        cs.station.SetLanguage(lang);
        transport->Attach(cs.station.Link());
        target = static_cast<std::uint8_t>(*address);
    } else {
        if (!SearchPotentiostats(cs, *transport, lang))
            return 2;
        target = cs.station.Potentiostats().front();
    }
    station::PotProgram pot(cs.station.Link(), cs.ui, lang, target);

    if (what == "program") {
        if (!pot.Program(model))
            return 1;
        std::printf("potentiostat %u: %d steps programmed\n", target, model.Rows());
        return 0;
    }
    if (what == "read-program") {
        if (!pot.ReadBack(model))
            return 1;
        const std::string message = model.SaveTemplate(out);
        if (!message.empty())
            return Fail(message);
        std::printf("potentiostat %u: %d steps read into %s\n", target, model.Rows(), out.c_str());
        return 0;
    }
    PotManuellModel m;
    if (!pot.ManualRead(m))
        return 1;
    manual.Apply(m);
    const OperatingState sent = m.SentState();
    if (manual.set && sent.setValue != *manual.set)
        Say(Format(TextPair{"--set %g liegt außerhalb der Grenzen des Editors, gesendet: %g",
                            "--set %g is beyond the limits of the editor, sent: %g"}[lang],
                   static_cast<double>(*manual.set), static_cast<double>(sent.setValue)));
    if (!pot.ManualApply(m))
        return 1;
    PrintManual(m);
    return 0;
}

}  // namespace qor::cli
