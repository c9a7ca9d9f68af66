// qortool tsdb-backfill: sends a recording's samples that a time-series database has not
// acknowledged, from the document file and its journal.
#include "cli/command.h"
#include "cli/silent_document_ui.h"
#include "cli/tsdb_options.h"
#include "common/text.h"
#include "plant/tsdb_backfill.h"
#include "station/config.h"

#include <cstdio>
#include <filesystem>

namespace qor::cli {
namespace {

// A day of samples goes out in well under a minute; this bounds a database that takes
// requests but answers none.
constexpr auto kBackfillWait = std::chrono::minutes(10);

int RunTsdbBackfill(const Parsed& p)
{
    const int lang = p.lang;
    std::optional<plant::TsdbOptions> options;
    std::string error;
    if (!TsdbOptionsOf(p, p.Value("--station"), options, error))
        return Fail(error);
    const std::string file = p.Operands()[0];
    if (data::LayoutOf(file) != data::Layout::Qo3)
        return Fail(TextPair{"tsdb-backfill verlangt einen Dateinamen mit .qo3",
                             "tsdb-backfill needs a file name ending in .qo3"}[lang]);

    // The recording as `recover` would bring it back: the file, then what its journal holds
    // beyond it; nothing is written to either.
    CommandDocument cd;
    data::CQORDoc& doc = cd.doc;
    doc.OnNewDocument(lang);
    doc.SetJournalFolder(station::ConfigDirectory());
    doc.SetOfferRecovery(false);
    std::error_code ec;
    const bool fileThere = std::filesystem::exists(file, ec);
    if (fileThere) {
        if (const std::string why = cd.Read(file, nullptr, lang); !why.empty())
            return StationFail(why);
    }
    doc.BindToNewFile(file);
    std::size_t fromJournal = 0;
    if (std::optional<data::Recovery> r = doc.FindRecovery(); r && !r->foreign) {
        for (const auto& s : r->contents.samples)
            if (s.index == doc.Samples().size()) {
                doc.AppendSample(s.record);
                ++fromJournal;
            }
    } else if (r) {
        Say(Format(TextPair{"%s gehört zu einer anderen Aufzeichnung und wird nicht gesendet",
                            "%s belongs to another recording and is not sent"}[lang],
                   r->journal.c_str()));
    } else if (!fileThere) {
        return StationFail(
            Format(TextPair{"Datei nicht gefunden: %s", "no such file: %s"}[lang], file.c_str()));
    }

    plant::BackfillReport report;
    if (!plant::Backfill(doc, *options, kBackfillWait, report, error))
        return StationFail(error);
    std::printf(TextPair{"%zu Messungen (%llu Werte) an %s gesendet; %zu von %zu waren schon bestätigt\n",
                         "%zu samples (%llu values) sent to %s; %zu of %zu were acknowledged before\n"}[lang],
                report.sent, static_cast<unsigned long long>(report.values), options->url.c_str(),
                report.before, report.samples);
    if (fromJournal > 0)
        std::printf(TextPair{"%zu Messungen davon stammen aus dem Journal\n",
                             "%zu of the samples came from the journal\n"}[lang],
                    fromJournal);
    if (!report.watermarkError.empty())
        Say(report.watermarkError);
    if (report.Left() > 0) {
        const std::string why = report.failure
                                    ? plant::DescribeReply(*report.failure, lang, options->timeoutMs)
                                    : TextPair{"keine Antwort", "no answer"}[lang];
        return StationFail(Format(TextPair{"%zu Messungen fehlen noch: %s antwortet nicht (%s)",
                                           "%zu samples still missing: %s does not answer (%s)"}[lang],
                                  report.Left(), options->url.c_str(), why.c_str()));
    }
    return report.watermarkError.empty() ? 0 : 1;
}

const Registrar kTsdbBackfill(
    {"tsdb-backfill",
     {{Option::Text("--tsdb", "URL").Required(), Option::Text("--station", "NAME")}, {"FILE.qo3"}},
     "sends the samples of FILE.qo3 (and of its journal, when a recording was not saved)\n"
     "        that the time-series database at URL has not acknowledged for the station NAME\n"
     "        (default: the host name), as FILE.qo3.tsdb counts them, and says how many",
     RunTsdbBackfill});

}  // namespace
}  // namespace qor::cli
