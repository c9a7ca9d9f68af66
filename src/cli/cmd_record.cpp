// qortool record: releases every module found and records exactly as the station does.
#include "catalogue/catalogue.h"
#include "cli/alarm_options.h"
#include "cli/command.h"
#include "cli/core_app.h"
#include "cli/link_options.h"
#include "cli/mqtt_options.h"
#include "cli/silent_document_ui.h"
#include "cli/tsdb_options.h"
#include "common/clock.h"
#include "common/text.h"
#include "plant/mqtt_link.h"
#include "station/console_ui.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sys/stat.h>

namespace qor::cli {
namespace {

volatile std::sig_atomic_t g_stop = 0;

// One line per stored sample: its number, time and the three values of the sixteen
// channels, each number as it reads back exactly.
void PrintSample(std::size_t n, const data::CDatenObject& s)
{
    std::printf("sample %zu %lld", n, static_cast<long long>(s.m_time));
    for (const auto* values : {&s.m_value, &s.m_value2, &s.m_temperature})
        for (float v : *values)
            std::printf(" %.9g", static_cast<double>(v));
    std::printf("\n");
}

void OnSignal(int)
{
    g_stop = 1;
}

struct RecordOptions {
    std::string out;
    long interval = 10, samples = -1, duration = -1, save = 600, idCount = 15;
    int lang = 0;
    long runs = 1;  // program runs in one document
    std::optional<plant::TsdbOptions> tsdb;
    std::optional<plant::MqttOptions> mqtt;
    AlarmOptions alarms;
    bool quiet = false, printSamples = false, startPot = false;
};

Syntax RecordSyntax()
{
    Syntax s;
    LinkOptions::Declare(s.options);
    const TextPair seconds{"Sekunden", "seconds"};
    s.options.insert(
        s.options.end(),
        {Option::Text("--out", "FILE.qo3").Required(), Option::Number("--interval", "S", 0, 86399, seconds),
         Option::Number("--samples", "N", 1, 100000000)
             .Excludes("--duration")
             .Shown("[--samples N | --duration S]"),
         Option::Number("--duration", "S", 1, 100000000, seconds).Shown("-"),
         Option::Number("--save", "S", 1, 86399, seconds), IdCountOption(), Option::Flag("--quiet"),
         Option::Flag("--print-samples"), Option::Flag("--start-potentiostat"),
         Option::Number("--runs", "N", 1, 100).Needs({"--start-potentiostat"}), Option::Text("--tsdb", "URL"),
         Option::Text("--station", "NAME").Needs({"--mqtt", "--tsdb"})});
    DeclareMqttOptions(s.options);
    DeclareAlarmOptions(s.options);
    return s;
}

// The command's options; the exit code when one is wrong.
std::optional<int> TakeOptions(const Parsed& p, RecordOptions& o)
{
    o.out = p.Value("--out");
    const std::string& out = o.out;
    const int l = p.lang;
    if (out.size() < 4 || out.substr(out.size() - 4) != ".qo3")
        return Fail(TextPair{"--out verlangt einen Dateinamen mit .qo3",
                             "--out needs a file name ending in .qo3"}[l]);
    o.interval = p.Number("--interval", o.interval);
    o.samples = p.Number("--samples", o.samples);
    o.duration = p.Number("--duration", o.duration);
    o.save = p.Number("--save", o.save);
    o.idCount = p.Number("--idcount", o.idCount);
    o.runs = p.Number("--runs", o.runs);
    o.lang = l;
    o.quiet = p.Has("--quiet");
    o.printSamples = p.Has("--print-samples");
    o.startPot = p.Has("--start-potentiostat");
    // One station name for the broker and the database.
    const std::string station = p.Value("--station");
    std::string error;
    if (!TsdbOptionsOf(p, station, o.tsdb, error))
        return Fail(error);
    o.mqtt = MqttOptionsOf(p, station, error);
    if (!error.empty())
        return Fail(error);
    o.alarms = AlarmOptionsOf(p);
    if (std::error_code ec; std::filesystem::is_directory(out, ec))
        return Fail(
            Format(TextPair{"--out %s ist ein Ordner, keine Datei", "--out %s is a folder, not a file"}[l],
                   out.c_str()));
    return std::nullopt;
}

// A journal left by an earlier run blocks only while it holds what its file does not; one that
// holds nothing more goes. The exit code when it blocks.
std::optional<int> SettleEarlierJournal(const data::CQORDoc& doc, const std::string& out, int lang,
                                        bool quiet)
{
    std::error_code ec;
    if (const std::string journal = doc.ExistingJournalFor(out); std::filesystem::exists(journal, ec)) {
        CommandDocument earlier;
        data::CQORDoc& old = earlier.doc;
        old.OnNewDocument(lang);
        old.SetJournalFolder(doc.JournalFolder());
        old.SetOfferRecovery(false);
        old.BindToNewFile(out);
        bool read = true;
        if (std::filesystem::exists(out, ec))
            read = old.OpenByPath(out) && old.ReadBoundFile();
        std::optional<data::Recovery> r;
        if (read)
            r = old.FindRecovery();
        if (!r || r->anything)
            return Fail(journal + " holds a recording that was not saved: run qortool recover " + out +
                        " first");
        old.Recover(*r);
        if (!r->keptAs.empty() && !quiet)
            Say(Format("%zu damaged entries of %s; it is kept as %s", r->contents.damaged, journal.c_str(),
                       r->keptAs.c_str()));
    }
    return std::nullopt;
}

// A progress line: the samples so far, and during a program the potentiostat's records.
void ShowProgress(const data::CQORDoc& doc, bool startPot, int lang)
{
    std::string line = Format(lang == 1 ? "%zu samples" : "%zu Messungen", doc.Samples().size());
    if (startPot)
        line += Format(TextPair{", %zu Potentiostat-Messwerte, %zu Impedanzpunkte",
                                ", %zu potentiostat samples, %zu impedance points"}[lang],
                       doc.Pot().size(), doc.Eis().size());
    Say(line);
}

// After a final save that failed: what the journal could still take goes there now; then
// exactly what is where. The exit code.
int ReportUnsaved(data::CQORDoc& doc, const std::string& out)
{
    doc.SyncJournal();
    Say(doc.UnsavedReport());
    if (!doc.OpenJournal().empty())
        Say("qortool recover " + out + " saves what the journal holds");
    return 1;
}

// Alarm transitions go to the broker's alarm topic too.
class AlarmsToBroker final : public alarm::AlarmListener {
public:
    AlarmsToBroker(alarm::AlarmMonitor& monitor, plant::MqttPublisher& publisher)
        : m_monitor(monitor), m_publisher(publisher)
    {
        m_monitor.AddListener(this);
    }
    ~AlarmsToBroker() override { m_monitor.RemoveListener(this); }
    AlarmsToBroker(const AlarmsToBroker&) = delete;
    AlarmsToBroker& operator=(const AlarmsToBroker&) = delete;
    void OnAlarmTransition(const alarm::AlarmTransition& t) override
    {
        m_publisher.PublishAlarm(alarm::AlarmJsonLine(t));
    }

private:
    alarm::AlarmMonitor& m_monitor;
    plant::MqttPublisher& m_publisher;
};

// The recording setup: the interval, and value 1 of every released module drawn.
void UseRecordingSetup(station::ConsoleStation& cs, long interval)
{
    station::Station& st = cs.station;
    data::CQORDoc& doc = cs.doc;
    cs.ui.recordingSetup = [&st, &doc, interval] {
        data::CGrafikSetup setup = doc.GrafikSetup();
        setup.SetInterval(static_cast<int>(interval / 3600), static_cast<int>(interval / 60 % 60),
                          static_cast<int>(interval % 60));
        for (std::size_t a = 0; a < 16; ++a) {
            const catalogue::CSlave& module = st.Modules()[a];
            if (!module.m_enabled)
                continue;
            setup.m_show1[a] = 1;
            setup.m_moduleType[a] = module.m_type;
        }
        doc.SetGrafikSetup(setup);
        return true;
    };
}

// What the recording kept, and what went to the broker.
void PrintCounts(const data::CQORDoc& doc, plant::MqttStationLink* plantLink, bool startPot, int lang)
{
    std::printf("%zu samples\n", doc.Samples().size());
    if (plantLink) {
        const plant::MqttPublisher::Counts c = plantLink->Publisher().GetCounts();
        std::printf("%llu MQTT messages sent, %llu dropped, %zu not sent\n",
                    static_cast<unsigned long long>(c.acked), static_cast<unsigned long long>(c.dropped),
                    c.waiting);
    }
    if (startPot)
        std::printf(TextPair{"%zu Potentiostat-Messwerte, %zu Impedanzpunkte\n",
                             "%zu potentiostat samples, %zu impedance points\n"}[lang],
                    doc.Pot().size(), doc.Eis().size());
}

int RunRecord(const Parsed& p)
{
    std::string error;
    auto transport = LinkOptions::From(p, error);
    if (!transport)
        return Fail(error);
    RecordOptions o;
    if (const auto code = TakeOptions(p, o))
        return *code;
    const std::string& out = o.out;
    const long interval = o.interval, samples = o.samples, duration = o.duration, save = o.save,
               idCount = o.idCount, runs = o.runs;
    const int lang = o.lang;
    const bool quiet = o.quiet, printSamples = o.printSamples, startPot = o.startPot;

    CoreApp app;

    Clock& clock = SystemClock::Instance();
    station::StationConfig cfg;
    cfg.idCount = static_cast<int>(idCount);
    cfg.interval = station::DayFraction(static_cast<int>(save / 3600), static_cast<int>(save / 60 % 60),
                                        static_cast<int>(save % 60));
    station::ConsoleStation cs(clock, cfg);
    station::Station& st = cs.station;
    data::CQORDoc& doc = cs.doc;
    st.SetLanguage(lang);
    doc.OnNewDocument(st.Language());
    transport->Attach(st.Link());
    std::string alarmError;
    const auto alarms = StartAlarms(o.alarms, st, clock, lang, alarmError);
    if (!alarmError.empty())
        return Fail(alarmError);
    cs.ui.quiet = quiet;
    cs.ui.releaseAll = true;
    UseRecordingSetup(cs, interval);
    // A new recording: the file is written (through a temporary file) at each save, and
    // every sample goes to its journal at once.
    doc.BindToNewFile(out);
    doc.SetJournalFolder(station::ConfigDirectory());
    if (const auto code = SettleEarlierJournal(doc, out, lang, quiet))
        return *code;

    // A read-only file is never replaced, so a recording into it would only end in its journal.
    if (struct stat info{}; ::stat(out.c_str(), &info) == 0 && (info.st_mode & 0222) == 0)
        return StationFail(Format(TextPair{"Die Datei %s ist schreibgeschützt und wird nicht ersetzt.",
                                           "The file %s is read-only and is not replaced."}[lang],
                                  out.c_str()));

    st.SearchModules();
    if (!st.ModulesReleased())
        // A port that did not open has been reported with its reason.
        return st.Link().LinkLost() ? 1
                                    : StationFail(lang == 1 ? "No slave available." : "Kein Slave am Bus.");
    if (!quiet)
        Say(Format(TextPair{"Aufzeichnung in %s alle %ld s, gesichert alle %ld s",
                            "recording to %s every %ld s, saving every %ld s"}[lang],
                   out.c_str(), interval, save));

    if (startPot && st.Potentiostats().empty())
        return StationFail(TextPair{"kein Potentiostat am Bus", "no potentiostat on the bus"}[lang]);

    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    // With the program: "Start Potentiostat und Aufzeichnung", which ends the recording when the
    // module reports the program's end.
    const std::size_t messages = cs.ui.messages.size();
    std::unique_ptr<plant::TsdbLink> tsdb;
    if (!StartTsdb(st, o.tsdb, tsdb, error))
        return StationFail(error);
    std::optional<plant::MqttStationLink> plantLink;
    std::optional<AlarmsToBroker> alarmsToBroker;
    if (o.mqtt)
        plantLink.emplace(st, *o.mqtt);
    if (plantLink && alarms)
        alarmsToBroker.emplace(alarms->Monitor(), plantLink->Publisher());
    if (startPot)
        st.StartPotentiostatAndRecording();
    else
        st.StartRecording();
    if (!st.Recording())
        return StationFail(
            TextPair{"die Aufzeichnung hat nicht begonnen", "the recording did not start"}[lang]);
    // A refused start has shown why (a program found running is refused too, and not ours to stop).
    const bool programRefused = startPot && (cs.ui.messages.size() != messages || !st.PotentiostatRunning());
    const std::int64_t start = clock.TickMs();
    std::size_t shown = 0, printed = 0;
    std::int64_t lastShown = start;
    const auto print = [&] {
        for (; printSamples && printed < doc.Samples().size(); ++printed)
            PrintSample(printed + 1, doc.Samples()[printed]);
        std::fflush(stdout);
    };
    print();
    for (long run = 1;; ++run) {
        cs.timers.Run(
            [&](int id) {
                st.OnTimer(id);
                print();
                // During a program the potentiostat's records are what grows.
                const std::size_t n = doc.Samples().size() + doc.Pot().size() + doc.Eis().size();
                if (!quiet && n != shown && clock.TickMs() - lastShown >= 5000) {
                    ShowProgress(doc, startPot, lang);
                    shown = n;
                    lastShown = clock.TickMs();
                }
            },
            [&] {
                return g_stop || !st.Recording() || programRefused ||
                       (samples > 0 && doc.Samples().size() >= static_cast<std::size_t>(samples)) ||
                       (duration > 0 && clock.TickMs() - start >= duration * 1000);
            });
        // The program again when it ended by itself: a new run, in the same document.
        if (run >= runs || g_stop || programRefused || st.Recording() || st.PotentiostatRunning())
            break;
        st.StartPotentiostatAndRecording();
        if (!st.Recording() || !st.PotentiostatRunning())
            break;
    }
    // The program ended by itself when the recording stopped with the module no longer running it.
    const bool programEnded = startPot && !programRefused && !st.PotentiostatRunning();
    const bool linkFailed = !st.Recording() && !programEnded;
    // A program started here ends with the recording; one found running is left alone.
    cs.ui.answerOk = startPot && !programRefused;
    if (st.Recording())
        st.StopCommand();
    if (plantLink)
        plantLink->Stop();  // its last logbook lines go into the file
    FinishTsdb(tsdb.get(), out, lang);
    const bool saved = doc.OnFileSave();
    print();
    PrintCounts(doc, plantLink ? &*plantLink : nullptr, startPot, lang);
    if (!saved)
        return ReportUnsaved(doc, out);
    doc.DropJournal();
    if (programRefused)
        return 1;  // the station has shown why
    if (linkFailed && !g_stop)
        return StationFail(TextPair{"die Aufzeichnung endete: die Verbindung zu den Modulen ist ausgefallen",
                                    "the recording stopped: the link to the modules failed"}[lang]);
    return 0;
}

const Registrar
    kRecord({"record", RecordSyntax(),
             "releases every module found and records every S seconds (default 10) into a new\n"
             "        FILE.qo3, saved every --save seconds (default 600) and at the end; Ctrl-C ends it.\n"
             "        Each sample goes to FILE.qo3.journal at once (see recover). --print-samples prints\n"
             "        each stored sample: its number, time and values 1, 2, 3 of the sixteen channels.\n"
             "        --start-potentiostat also starts the step program of the first potentiostat and\n"
             "        records until the program ends (or --samples/--duration/Ctrl-C, which stop it too),\n"
             "        keeping its samples and impedance points in FILE.qo3; --runs N starts it again\n"
             "        each time it ends, N runs in all. --tsdb http://HOST:PORT/write writes\n"
             "        every stored sample to a time-series database as the station NAME (default: the host\n"
             "        name); what it did not acknowledge is counted in FILE.qo3.tsdb (see tsdb-backfill).\n"
             "        --mqtt publishes each poll cycle's values to the broker (QoS 1) under PREFIX/STATION\n"
             "        (default qor/<host name>).\n        " +
                 std::string(kAlarmOptionsHelp),
             RunRecord});

}  // namespace
}  // namespace qor::cli
