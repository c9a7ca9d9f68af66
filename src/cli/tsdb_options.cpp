#include "cli/tsdb_options.h"

#include "common/text.h"
#include "plant/tsdb_http.h"
#include "station/station.h"

#include <cstdio>
#include <unistd.h>

namespace qor::cli {
namespace {

// How long the end of a recording waits for the database to take what is queued.
constexpr auto kFinishWait = std::chrono::seconds(30);

}  // namespace

std::string DefaultStationName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
        return "station";
    return name;
}

bool TsdbOptionsOf(const Parsed& p, const std::string& station, std::optional<plant::TsdbOptions>& out,
                   std::string& error)
{
    const int lang = p.lang;
    const std::string url = p.Value("--tsdb");
    out.reset();
    if (!p.Has("--tsdb"))
        return true;
    plant::HttpTarget target;
    std::string why;
    if (!plant::ParseHttpUrl(url, target, why, lang)) {
        error = Format(TextPair{"--tsdb verlangt eine http-Adresse wie http://HOST:PORT/write (%s)",
                                "--tsdb needs an http URL like http://HOST:PORT/write (%s)"}[lang],
                       why.c_str());
        return false;
    }
    plant::TsdbOptions o;
    o.url = url;
    o.station = station.empty() ? DefaultStationName() : station;
    bool clean = !o.station.empty();
    for (char c : o.station)
        clean = clean && static_cast<unsigned char>(c) >= 0x20 && c != 0x7f;
    if (!clean) {
        error = TextPair{"--station verlangt einen Namen ohne Steuerzeichen",
                         "--station needs a name without control characters"}[lang];
        return false;
    }
    out = o;
    return true;
}

bool StartTsdb(station::Station& station, const std::optional<plant::TsdbOptions>& options,
               std::unique_ptr<plant::TsdbLink>& link, std::string& error)
{
    if (!options)
        return true;
    link = std::make_unique<plant::TsdbLink>(station, *options);
    if (link->Start(error))
        return true;
    link.reset();
    return false;
}

void FinishTsdb(plant::TsdbLink* link, const std::string& file, int lang)
{
    if (!link)
        return;
    const std::size_t left = link->Finish(kFinishWait);
    const plant::TsdbOptions& o = link->Options();
    const plant::TsdbWriter& w = link->Writer();
    std::printf(TextPair{"tsdb: %zu Messungen (%llu Werte) von %s bestätigt\n",
                         "tsdb: %zu samples (%llu values) acknowledged by %s\n"}[lang],
                w.Acknowledged(), static_cast<unsigned long long>(w.ValuesAcknowledged()), o.url.c_str());
    if (left > 0)
        std::printf(
            TextPair{"tsdb: %zu Messungen fehlen noch: qortool tsdb-backfill %s --tsdb %s --station '%s' "
                     "sendet sie\n",
                     "tsdb: %zu samples still missing: qortool tsdb-backfill %s --tsdb %s --station '%s' "
                     "sends them\n"}[lang],
            left, file.c_str(), o.url.c_str(), o.station.c_str());
}

}  // namespace qor::cli
