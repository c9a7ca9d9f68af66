// qortool pot program | read-program | manual: the step program and manual operation of a
// potentiostat, as the setup and manual windows do them.
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

namespace {

std::string Json(float v)
{
    if (!std::isfinite(v))
        return "null";
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

// The manual options; their values were checked by the parser.
struct ManualOptions {
    std::optional<int> mode, relay, currentRange, voltageRange, filter, capacitance, voltageFilter,
        currentFilter, filtersDisabled;
    std::optional<float> set;

    // The message of a --set that is no number.
    std::string Take(const Parsed& p)
    {
        if (p.Has("--mode")) {
            const std::string m = p.Value("--mode");
            mode = m == "galvanostat" ? 0 : m == "potentiostat" ? 1 : 2;
        }
        if (p.Has("--relay"))
            relay = p.Value("--relay") == "on";
        if (p.Has("--set")) {
            const std::string v = p.Value("--set");
            float f = 0;
            const auto r = std::from_chars(v.data(), v.data() + v.size(), f);
            if (r.ec != std::errc{} || r.ptr != v.data() + v.size() || !std::isfinite(f))
                return TextPair{"--set verlangt eine Zahl", "--set needs a number"}[p.lang];
            set = f;
        }
        using Field = std::pair<const char*, std::optional<int>*>;
        for (auto [name, value] :
             {Field{"--current-range", &currentRange}, Field{"--voltage-range", &voltageRange},
              Field{"--filter", &filter}, Field{"--capacitance", &capacitance},
              Field{"--voltage-filter", &voltageFilter}, Field{"--current-filter", &currentFilter},
              Field{"--filters-disabled", &filtersDisabled}})
            if (p.Has(name))
                *value = static_cast<int>(p.Number(name, 0));
        return {};
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

// program, read-program and manual: what the command's name says.
int RunPotProgram(const Parsed& p)
{
    std::string error;
    auto transport = LinkOptions::From(p, error);
    if (!transport)
        return Fail(error);
    const int lang = p.lang;
    const std::optional<long> address =
        p.Has("--address") ? std::optional(p.Number("--address", 0)) : std::nullopt;
    const std::string out = p.Value("--out");
    const std::string what = p.command->name.substr(4);
    ManualOptions manual;
    if (what == "manual")
        if (const std::string bad = manual.Take(p); !bad.empty())
            return Fail(bad);

    PotStepSetupModel model(lang);
    if (what == "program") {
        const std::string message = model.LoadTemplate(p.Operands()[0]);
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

Syntax PotProgramSyntax(std::vector<Option> more, std::vector<std::string> operands)
{
    Syntax s({}, std::move(operands));
    LinkOptions::Declare(s.options);
    s.options.push_back(AddressOption());
    s.options.insert(s.options.end(), more.begin(), more.end());
    return s;
}

Syntax ManualSyntax()
{
    const auto number = [](const char* name, long hi) { return Option::Number(name, "I", 0, hi); };
    return PotProgramSyntax({Option::Choice("--mode", {"galvanostat", "potentiostat", "rest"}),
                             Option::Choice("--relay", {"on", "off"}), Option::Text("--set", "VALUE"),
                             number("--current-range", 7), number("--voltage-range", 1),
                             number("--filter", 5), number("--capacitance", 5), number("--voltage-filter", 3),
                             number("--current-filter", 3), Option::Choice("--filters-disabled", {"0", "1"})},
                            {});
}

const Registrar kProgram({"pot program", PotProgramSyntax({}, {"FILE.stp"}),
                          "programs the template into the potentiostat", RunPotProgram});
const Registrar kReadProgram({"pot read-program",
                              PotProgramSyntax({Option::Text("--out", "FILE.stp").Required()}, {}),
                              "reads the program back into a template", RunPotProgram});
const Registrar kManual({"pot manual", ManualSyntax(),
                         "operates the potentiostat by hand, as the manual window does", RunPotProgram});

}  // namespace
}  // namespace qor::cli
