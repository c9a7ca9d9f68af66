// qortool poll: the modules' live values, one line per valid answer.
#include "bus/answers.h"
#include "bus/bus_link.h"
#include "bus/frame.h"
#include "catalogue/catalogue.h"
#include "cli/command.h"
#include "cli/core_app.h"
#include "cli/link_options.h"
#include "common/clock.h"
#include "common/text.h"

#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace qor::cli {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;
void OnInterrupt(int)
{
    g_interrupted = 1;
}

// One TAB-separated line: address, type code, then value and unit of values 1..3.
std::string FormatLine(const catalogue::CSlave& s)
{
    const catalogue::ChannelInfo info = catalogue::DescribeModule(s);
    return Format("%u\t%u\t%.*f\t%s\t%.*f\t%s\t%.1f\t%s", unsigned{s.m_address}, unsigned{s.m_type},
                  info.decimals1, s.m_value1, info.unit1.c_str(), info.decimals2, s.m_value2,
                  info.unit2.c_str(), s.m_value3, info.unit3.c_str());
}

int RunPoll(const Parsed& p)
{
    std::string error;
    auto transport = LinkOptions::From(p, error);
    if (!transport)
        return Fail(error);
    const long address = p.Number("--address", -1), count = p.Number("--count", -1),
               period = p.Number("--period", 1000);
    const int lang = p.lang;

    CoreApp app;

    ConsoleLinkHost host;
    host.language = lang;
    bus::BusLink link(SystemClock::Instance(), host);
    transport->Attach(link);
    if (!link.OpenPort())
        return StationFail(TextPair{"Keine Verbindung zum ", "cannot open the "}[lang] +
                           transport->Describe(lang));

    std::vector<catalogue::CSlave> slaves(16);
    for (std::size_t a = 0; a < 16; ++a) {
        slaves[a].m_address = static_cast<std::uint8_t>(a);
        slaves[a].m_language = static_cast<std::uint8_t>(lang);
    }
    // Which addresses to poll: the one asked for, or every one that answers now.
    std::vector<std::uint8_t> addresses;
    if (address >= 0) {
        addresses.push_back(static_cast<std::uint8_t>(address));
    } else {
        Say(Format(lang ? "searching modules on the %s ..." : "suche Module am %s ...",
                   transport->Describe(lang).c_str()));
        // A plain exchange per address: absent modules are expected here and must not
        // count as poll failures.
        for (std::uint8_t a = 0; a < 16 && !g_interrupted; ++a) {
            link.PrepareMeasureRequest(a);
            int r = link.Transceive(link.Request(), 8, link.Answer(), 2);
            if (bus::DecodeMeasurement(link.Answer(), r))
                addresses.push_back(a);
        }
        if (addresses.empty())
            return StationFail(lang ? "No slave available." : "Kein Slave am Bus.");
    }

    std::array<bool, 16> identified{};
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    long valid = 0;
    for (long cycle = 0; (count < 0 || cycle < count) && !g_interrupted; ++cycle) {
        const std::int64_t start = SystemClock::Instance().TickMs();
        for (std::uint8_t a : addresses) {
            link.PrepareMeasureRequest(a);
            const std::optional<bus::MeasurementAnswer> m = link.PollModule();
            if (!m)
                continue;
            // The address polled: a running potentiostat numbers its fast answers 1..10 in
            // the address byte.
            catalogue::CSlave& s = slaves[a];
            // A potentiostat's target potential is scaled by its revision: ask once, as the
            // module search does.
            if (catalogue::IsPotentiostat(m->status) && !identified[a]) {
                identified[a] = true;
                const int len = bus::BuildRequest(link.Request(), bus::CMD_READ_REVISION, a);
                const int r = link.Transceive(link.Request(), len, link.Answer(), 2);
                s.m_revision = bus::DecodeRevision(link.Answer(), r).value_or(1.0f);
            }
            if (m->displayMode)
                s.m_displayMode = *m->displayMode;
            catalogue::DecodeValues(s, m->status, m->raw);
            std::printf("%s\n", FormatLine(s).c_str());
            ++valid;
        }
        std::fflush(stdout);
        if (count >= 0 && cycle + 1 >= count)
            break;
        const std::int64_t rest = period - (SystemClock::Instance().TickMs() - start);
        for (std::int64_t waited = 0; waited < rest && !g_interrupted; waited += 50)
            SystemClock::Instance().SleepMs(rest - waited < 50 ? rest - waited : 50);
    }
    if (valid == 0)
        return StationFail(lang ? "no valid answer" : "keine gültige Antwort");
    return 0;
}

Syntax PollSyntax()
{
    Syntax s;
    LinkOptions::Declare(s.options);
    s.options.insert(s.options.end(),
                     {AddressOption(), Option::Number("--count", "K", 1, 100000000),
                      Option::Number("--period", "MS", 0, 3600000, {"Millisekunden", "milliseconds"})});
    return s;
}

const Registrar kPoll({"poll", PollSyntax(),
                       "polls the modules once per period and prints address, type code, value and unit of "
                       "values 1..3",
                       RunPoll});

}  // namespace
}  // namespace qor::cli
