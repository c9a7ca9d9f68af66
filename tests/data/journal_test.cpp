// The sample journal: its bytes, torn entries, and what a document does with it.
#include "data/journal.h"
#include "data/qor_doc.h"
#include "data_test_util.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qor::data {
namespace {

using test::Bytes;
using test::ByteWriter;
using test::Has;
using test::SampleAt;
using test::TempDir;

constexpr RecordingId kId = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

// Header naming recording kId (version 1: without it); a logbook entry ("ab" at offset 5);
// sample 7 of 2000-01-01 with channel 0 at 1.5, -2 and 25 degrees; with `third`, sample 8 a
// second later with 2.5. The checks are CRC-32 (zlib) of header, and of kind, length and payload.
Bytes TwoEntries(bool third = false, int version = 2)
{
    ByteWriter w;
    w.u8({'Q', 'O', 'R', 'J', version, 0, 0, 0});
    if (version == 2)
        w.u8({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}).u32(0x5f9eb0e3);
    w.u8({3}).u32(6).u32(5).u8({'a', 'b'}).u32(0x70ec6c8b);
    w.u8({2}).u32(208).u32(7).time(946684800).f32(1.5f).f32(-2.0f).f32(25.0f).f32s(0, 45).u32(0xe09e4e6d);
    if (third)
        w.u8({2}).u32(208).u32(8).time(946684801).f32(2.5f).f32s(0, 47).u32(0x87056010);
    return w.b;
}
constexpr std::size_t kFirstEnd = 28 + 9 + 6, kSecondEnd = kFirstEnd + 217;

TEST(Journal, WritesTheBytesOfItsEntries)
{
    TempDir dir;
    Journal j;
    ASSERT_TRUE(j.Open(dir / "a.journal", kId));
    const Bytes whole = TwoEntries();
    const Bytes record(whole.begin() + kFirstEnd + 9, whole.end() - 4);  // the sample's fields
    ASSERT_TRUE(j.Append(JournalKind::Logbook, 5, "ab", 2));
    ASSERT_TRUE(j.Append(JournalKind::Sample, 7, record.data(), record.size()));
    EXPECT_EQ(test::ReadBytes(dir / "a.journal"), whole);
    ASSERT_TRUE(j.Truncate());
    EXPECT_EQ(test::ReadBytes(dir / "a.journal"), Bytes(whole.begin(), whole.begin() + 28));
}

// Every cut inside the last entry, and every damaged byte of it, leaves the entries before it.
TEST(Journal, ATornOrDamagedLastEntryIsDropped)
{
    const Bytes whole = TwoEntries();
    JournalContents c;
    std::string error;
    ASSERT_TRUE(ParseJournal(whole.data(), whole.size(), c, error));
    ASSERT_EQ(c.samples.size(), 1u);
    EXPECT_EQ(c.samples[0].index, 7u);
    EXPECT_EQ(c.samples[0].record.m_time, 946684800);
    EXPECT_EQ(c.samples[0].record.m_value2[0], -2.0f);
    EXPECT_FALSE(c.dropped);
    for (std::size_t n = kFirstEnd; n < whole.size(); ++n) {
        Bytes flipped = whole;
        flipped[n] ^= 0x10;
        for (const Bytes& b : {Bytes(whole.begin(), whole.begin() + static_cast<long>(n)), flipped}) {
            ASSERT_TRUE(ParseJournal(b.data(), b.size(), c, error)) << n;
            EXPECT_TRUE(c.samples.empty()) << n;
            ASSERT_EQ(c.logbook.size(), 1u) << n;
            EXPECT_EQ(c.logbook[0].index, 5u);
            EXPECT_EQ(c.logbook[0].record, "ab");
            EXPECT_EQ(c.validBytes, kFirstEnd);
            EXPECT_EQ(c.dropped, n != kFirstEnd || b.size() != n) << n;
            // Guards a kill mid-write being reported as damage.
            EXPECT_TRUE(b.size() != n || c.damaged == 0) << n;
        }
    }
    const Bytes otherVersion{'Q', 'O', 'R', 'J', 3, 0, 0, 0};
    EXPECT_FALSE(ParseJournal(otherVersion.data(), otherVersion.size(), c, error));
    EXPECT_EQ(error, "sample journal of unknown version 3");
}

// A damaged byte anywhere in an entry costs that entry alone; in the header, the identity
// (the entries still read). A journal of the first version has no identity.
TEST(Journal, EntriesBehindADamagedOneAreRead)
{
    const Bytes whole = TwoEntries(true);
    JournalContents c;
    std::string error;
    for (std::size_t n = 8; n < kSecondEnd; ++n) {
        if (n >= 28 && n < kFirstEnd)
            continue;  // the logbook entry: its own case below
        Bytes b = whole;
        b[n] ^= 0x10;
        ASSERT_TRUE(ParseJournal(b.data(), b.size(), c, error)) << n;
        EXPECT_EQ(c.damaged, 1u) << n;
        EXPECT_FALSE(c.dropped) << n;
        EXPECT_EQ(c.idKnown, n >= 28) << n;
        ASSERT_EQ(c.logbook.size(), 1u) << n;
        ASSERT_EQ(c.samples.size(), n >= 28 ? 1u : 2u) << n;
        EXPECT_EQ(c.samples.back().index, 8u);
        EXPECT_EQ(c.samples.back().record.m_value[0], 2.5f);
    }
    const Bytes v1 = TwoEntries(true, 1);
    ASSERT_TRUE(ParseJournal(v1.data(), v1.size(), c, error));
    EXPECT_EQ(c.samples.size(), 2u);
    EXPECT_EQ(c.damaged, 0u);
    EXPECT_TRUE(c.idKnown);
    EXPECT_EQ(c.id, RecordingId{});
}

// Answers the save prompt with Yes; keeps moved journals in `journals` when given.
struct Doc : test::Doc {
    explicit Doc(const std::string& journals = {})
    {
        ui.answer = 1;
        doc.SetJournalFolder(journals);
    }
    // Starts the journal and records samples `from` .. `to` - 1, channel 0 at 7 + i, a second apart.
    void Record(int from, int to)
    {
        std::string reason;
        ASSERT_TRUE(doc.StartJournal(reason)) << reason;
        for (int i = from; i < to; ++i, clock.Advance(1000))
            doc.AddSample(SampleAt(clock.Now(), static_cast<float>(7.0 + i)));
    }
};

// Runs `body` in a child process; its wait status. Given a file `own`, the child runs as an
// unprivileged user who owns it (root passes every permission check); exit 10 when it cannot.
int InChild(const std::function<int()>& body, const std::string& own = {})
{
    constexpr uid_t kNobody = 65534;
    const bool drop = !own.empty() && ::geteuid() == 0;
    if (drop && ::chown(own.c_str(), kNobody, kNobody) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (drop && (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
                     ::setresuid(kNobody, kNobody, kNobody) != 0))
            ::_exit(10);
        ::_exit(body());
    }
    int status = -1;
    ::waitpid(pid, &status, 0);
    return status;
}

// A recording that ends without its last save (the document is dropped as a kill would) comes
// back whole, logbook entries too, when the document is opened again; a clean save and close
// leave nothing to ask.
TEST(Journal, ADocumentRecoversWhatItsFileDoesNotHold)
{
    TempDir dir;
    const std::string path = dir / "r.qo3", journal = path + ".journal";
    {
        Doc a;
        ASSERT_TRUE(a.Open(path));
        a.Record(0, 3);
        ASSERT_TRUE(a.doc.OnFileSave());
        EXPECT_EQ(test::ReadBytes(journal).size(), 28 + 9 + 296u);  // header and setup
        a.Record(3, 5);
        a.doc.AddLogbookEntry("after the save");
    }
    {
        Doc b;
        ASSERT_TRUE(b.Open(path));
        ASSERT_EQ(b.ui.questions.size(), 1u);
        EXPECT_FALSE(std::filesystem::exists(journal));
        ASSERT_EQ(b.doc.Samples().size(), 5u);
        EXPECT_EQ(b.doc.Samples()[4].m_value[0], 11.0f);
        EXPECT_TRUE(Has(b.ui.questions[0], "2 nicht gespeicherte Messwerte vom 01.01.2000 00:00:03 bis "
                                           "01.01.2000 00:00:04"));
        EXPECT_TRUE(Has(b.logbook.m_text, "after the save\n"));
        EXPECT_TRUE(Has(b.logbook.m_text,
                        "2 Messwerte vom 01.01.2000 00:00:03 bis 01.01.2000 00:00:04 aus dem Journal"));
        EXPECT_FALSE(b.doc.Modified());
    }
    Doc c;
    ASSERT_TRUE(c.Open(path));
    EXPECT_TRUE(c.ui.questions.empty());
    c.Record(0, 1);
    ASSERT_TRUE(c.doc.OnFileClose());
    EXPECT_FALSE(std::filesystem::exists(journal));
}

// A kill right after a save leaves a journal with nothing beyond the file: it goes without a
// question. A journal of another recording (a new recording into the same name, killed before
// its first save) is never spliced into the older file: it becomes a file of its own.
TEST(Journal, LeftoverAndForeignJournals)
{
    namespace fs = std::filesystem;
    TempDir dir;
    const std::string path = dir / "day.qo3", journal = path + ".journal";
    {
        Doc a;
        ASSERT_TRUE(a.Open(path));
        a.Record(0, 2);
        ASSERT_TRUE(a.doc.PeriodicSave());
    }
    ASSERT_TRUE(fs::exists(journal));
    {
        Doc b;
        ASSERT_TRUE(b.Open(path));
        EXPECT_TRUE(b.ui.questions.empty());
        EXPECT_FALSE(fs::exists(journal));
    }
    const Bytes old = test::ReadBytes(path);
    {
        Doc n;
        n.doc.BindToNewFile(path);
        n.Record(93, 96);
    }
    Doc c;
    ASSERT_TRUE(c.Open(path));
    ASSERT_EQ(c.ui.questions.size(), 1u);
    EXPECT_TRUE(Has(c.ui.questions[0], "gehört zu einer anderen Aufzeichnung"));
    EXPECT_EQ(c.doc.Samples().size(), 2u);
    EXPECT_EQ(test::ReadBytes(path), old);
    EXPECT_FALSE(fs::exists(journal));
    ASSERT_EQ(c.ui.messages.size(), 1u);
    EXPECT_TRUE(Has(c.ui.messages[0], dir / "day.recovered.qo3"));
    Doc r;
    ASSERT_TRUE(r.Open(dir / "day.recovered.qo3"));
    ASSERT_EQ(r.doc.Samples().size(), 3u);
    EXPECT_EQ(r.doc.Samples()[2].m_value[0], 102.0f);
}

// A damaged byte in the middle of a journal: the entries before and behind it come back, the
// question and the logbook say how many were damaged, and the journal is kept.
TEST(Journal, DamagedJournalIsRecoveredAroundTheDamageAndKept)
{
    TempDir dir;
    const std::string path = dir / "d.qo3", journal = path + ".journal";
    {
        Doc a;
        ASSERT_TRUE(a.Open(path));
        a.Record(3, 6);
    }
    Bytes b = test::ReadBytes(journal);
    b[b.size() - 217 - 100] ^= 0x40;  // inside the second of the three sample entries
    test::WriteBytes(journal, b);
    Doc c;
    ASSERT_TRUE(c.Open(path));
    ASSERT_EQ(c.ui.questions.size(), 1u);
    EXPECT_TRUE(Has(c.ui.questions[0], "2 nicht gespeicherte Messwerte"));
    EXPECT_TRUE(Has(c.ui.questions[0], "1 beschädigte Einträge werden übersprungen."));
    ASSERT_EQ(c.doc.Samples().size(), 2u);
    EXPECT_EQ(c.doc.Samples()[0].m_value[0], 10.0f);
    EXPECT_EQ(c.doc.Samples()[1].m_value[0], 12.0f);
    EXPECT_TRUE(Has(c.logbook.m_text, "1 beschädigte Einträge im Journal " + journal +
                                          " übersprungen; das Journal bleibt als " + journal +
                                          ".damaged erhalten"));
    EXPECT_EQ(test::ReadBytes(journal + ".damaged"), b);
    EXPECT_FALSE(std::filesystem::exists(journal));
}

// The folder of the document goes during the recording (a stick pulled out): the journal goes
// on in the configuration folder with every sample, the logbook says so once, and the report
// after the failed save names that file; with the folder back, the recording is recovered.
TEST(Journal, JournalOutlivesItsFolder)
{
    namespace fs = std::filesystem;
    TempDir dir, config;
    fs::create_directory(dir / "stick");
    const std::string path = dir / "stick/run.qo3";
    std::string moved = path;
    std::replace(moved.begin(), moved.end(), '/', '%');
    moved = config / (moved + ".journal");
    std::string reason;
    {
        Doc a(config.path.string());
        ASSERT_TRUE(a.Open(path));
        ASSERT_TRUE(a.doc.StartJournal(reason)) << reason;
        const auto second = [&](int i) {  // one recording tick and the poll cycle's sync
            a.doc.AddSample(SampleAt(a.clock.Now(), static_cast<float>(i)));
            a.clock.Advance(1000);
            a.doc.SyncJournal();
        };
        for (int i = 1; i <= 3; ++i)
            second(i);
        ASSERT_TRUE(a.doc.PeriodicSave());
        second(4);
        fs::remove_all(dir / "stick");
        for (int i = 5; i <= 9; ++i)
            second(i);
        EXPECT_FALSE(a.doc.PeriodicSave());
        EXPECT_EQ(a.doc.OpenJournal(), moved);
        const std::string& log = a.logbook.m_text;
        const auto said =
            log.find("ist mit seinem Ordner verschwunden: es wird in " + moved + " fortgesetzt");
        EXPECT_NE(said, std::string::npos) << log;
        EXPECT_EQ(log.find("verschwunden", log.find("verschwunden") + 1), std::string::npos) << log;
        EXPECT_TRUE(Has(a.doc.UnsavedReport(), "das Journal " + moved + " enthält die Messwerte 1 bis 9"));
    }
    JournalContents c;
    std::string error;
    ASSERT_TRUE(ReadJournal(moved, c, error)) << error;
    ASSERT_EQ(c.samples.size(), 9u);
    for (std::uint32_t i = 0; i < 9; ++i) {
        EXPECT_EQ(c.samples[i].index, i);
        EXPECT_EQ(c.samples[i].record.m_value[0], static_cast<float>(i + 1));
    }
    fs::create_directory(dir / "stick");
    Doc b(config.path.string());
    ASSERT_TRUE(b.Open(path));
    EXPECT_EQ(b.doc.Samples().size(), 9u);
    EXPECT_FALSE(fs::exists(moved));
}

// A disk that fills during the recording: after the failed save the report tells exactly which
// samples the journal holds and which were written nowhere, with the logbook line that could
// not be kept. A file size limit stands in for the full disk, in a child process; a report
// that says otherwise is shown on its error output.
TEST(Journal, FullDiskReportSaysExactlyWhatWasKept)
{
    TempDir dir;
    const std::string path = dir / "full.qo3", journal = path + ".journal";
    const int status = InChild([&] {
        Doc a;
        std::string reason;
        if (!a.Open(path) || !a.doc.StartJournal(reason))
            return 11;
        // Room for two more sample entries in the journal, and less than the document needs.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{std::filesystem::file_size(journal) + 2 * 217 + 50, RLIM_INFINITY};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        for (int i = 0; i < 5; ++i, a.clock.Advance(1000)) {
            a.doc.AddSample(SampleAt(a.clock.Now()));
            a.doc.SyncJournal();
        }
        if (a.doc.OnFileSave())
            return 12;
        const std::string report = a.doc.UnsavedReport();
        for (const std::string& part :
             {path + " enthält keinen Messwert; das Journal " + journal +
                  " enthält die Messwerte 1 bis 2; die Messwerte 3 bis 5 (3 von 5) wurden nirgends "
                  "geschrieben und sind verloren; diese Logbucheinträge sind verloren:\n",
              "Journal kann nicht geschrieben werden (" + journal})
            if (const auto found = Has(report, part); !found) {
                std::fputs(found.message(), stderr);
                return 13;
            }
        return 0;
    });
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 0) << "11 open, 12 saved, 13 report";
    JournalContents c;
    std::string error;
    ASSERT_TRUE(ReadJournal(journal, c, error)) << error;
    EXPECT_EQ(c.samples.size(), 2u);
    EXPECT_EQ(c.damaged, 0u);
}

// A read-only file a Save must not write; leftovers of a killed save go, other files beside the
// document stay.
TEST(Journal, SaveLeavesAReadOnlyFileAlone)
{
    TempDir dir;
    const std::string ro = dir / "ro.qo3";
    ASSERT_TRUE(Doc().doc.WriteFile(ro).ok);
    test::WriteBytes(dir / "ro.qo3.a1B2c3.qo3tmp", {1});
    test::WriteBytes(dir / "ro.qo3.backup", {2});
    const Bytes before = test::ReadBytes(ro);
    std::filesystem::permissions(ro, std::filesystem::perms::owner_read);
    Doc c;
    ASSERT_TRUE(c.Open(ro));
    EXPECT_FALSE(std::filesystem::exists(dir / "ro.qo3.a1B2c3.qo3tmp"));
    EXPECT_TRUE(std::filesystem::exists(dir / "ro.qo3.backup"));
    c.doc.AddSample(SampleAt(c.clock.Now()));
    EXPECT_FALSE(c.doc.OnFileSave());
    ASSERT_EQ(c.ui.messages.size(), 1u);
    EXPECT_TRUE(Has(c.ui.messages[0], "schreibgeschützt"));
    EXPECT_FALSE(c.doc.PeriodicSave() || c.doc.PeriodicSave());
    const std::string& log = c.logbook.m_text;
    const auto failed = log.find("Speichern fehlgeschlagen (" + ro + ": schreibgeschützte Datei)");
    EXPECT_NE(failed, std::string::npos) << log;
    EXPECT_EQ(log.find("Speichern fehlgeschlagen", failed + 1), std::string::npos) << "told once";
    EXPECT_EQ(test::ReadBytes(ro), before);
}

// A folder that takes no new file, with a document in it that may be written: the save goes
// in place, says so once in the logbook and leaves nothing beside the file. A save in place
// killed part-way (a file size limit ends the process in the middle of it): the previous file
// still reads, and its journal brings back every sample since. A save in place found
// interrupted is finished from its whole copy when the file is opened. Root passes every
// permission check, so the saves run in a child that has dropped to an unprivileged user.
TEST(Journal, SaveInPlaceCutShortLosesNothing)
{
    namespace fs = std::filesystem;
    TempDir dir, config;
    const std::string folder = dir / "ro", path = folder + "/doc.qo3";
    fs::create_directory(folder);
    {
        Doc a;
        a.doc.AddSample(SampleAt(a.clock.Now()));
        a.doc.AddSample(SampleAt(a.clock.Now()));
        ASSERT_TRUE(a.doc.WriteFile(path).ok);
    }
    fs::permissions(dir.path, fs::perms(0755));
    fs::permissions(config.path, fs::perms(0777));
    fs::permissions(folder, fs::perms(0555));
    const int status = InChild(
        [&] {
            Doc b;
            if (!b.Open(path))
                return 11;
            for (int i = 0; i < 2; ++i) {  // without a configuration folder: no copy kept
                b.doc.AddSample(SampleAt(b.clock.Now()));
                if (!(i ? b.doc.PeriodicSave() : b.doc.OnFileSave()) || !b.ui.messages.empty())
                    return 12;
            }
            const std::string& log = b.logbook.m_text;
            const auto said = log.find("nimmt keine neue Datei an: die Datei wird direkt überschrieben");
            if (said == std::string::npos || log.find("nimmt keine", said + 1) != std::string::npos)
                return 13;
            if (std::distance(fs::directory_iterator(folder), {}) != 1)
                return 14;
            std::string reason;
            b.doc.SetJournalFolder(config.path.string());
            if (!b.doc.StartJournal(reason))
                return 15;
            for (int i = 0; i < 30; ++i)
                b.doc.AddSample(SampleAt(b.clock.Now()));
            b.doc.SyncJournal();
            const rlimit limit{fs::file_size(path) + 64, RLIM_INFINITY}, noCore{0, 0};
            ::setrlimit(RLIMIT_CORE, &noCore);
            ::setrlimit(RLIMIT_FSIZE, &limit);
            b.doc.OnFileSave();
            return 16;
        },
        path);
    fs::permissions(folder, fs::perms(0755));
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status)
                                     << ": 10 no user change, 11 open, 12 save in place, 13 not told once, "
                                        "14 leftovers, 15 journal, 16 not killed";
    EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
    Doc c(config.path.string());
    ASSERT_TRUE(c.Open(path));
    EXPECT_TRUE(c.ui.messages.empty()) << c.ui.messages[0];
    EXPECT_EQ(c.doc.Samples().size(), 34u);

    // Cut short after its copy was whole: the copy finishes it.
    c.doc.AddSample(SampleAt(c.clock.Now()));
    const std::string copy = c.doc.InPlaceCopyFor(path);
    ASSERT_TRUE(c.doc.WriteFile(copy).ok);
    Bytes cut = test::ReadBytes(path);
    cut.resize(cut.size() / 2);
    test::WriteBytes(path, cut);
    Doc d(config.path.string());
    ASSERT_TRUE(d.Open(path));
    EXPECT_EQ(d.doc.Samples().size(), 35u);
    EXPECT_FALSE(fs::exists(copy));
    EXPECT_TRUE(Has(d.logbook.m_text,
                    "Ein unterbrochenes Speichern von " + path + " wurde aus " + copy + " abgeschlossen"));

    // Guards an old copy, or one that is no document, going back over a whole file.
    d.doc.AddSample(SampleAt(d.clock.Now()));
    ASSERT_TRUE(d.doc.WriteFile(path).ok);  // 36 samples
    for (const bool documentCopy : {true, false}) {
        if (documentCopy)
            ASSERT_TRUE(c.doc.WriteFile(copy).ok);  // 35 samples
        else
            test::WriteBytes(copy, Bytes{1, 2, 3});
        Doc e(config.path.string());
        ASSERT_TRUE(e.Open(path));
        EXPECT_EQ(e.doc.Samples().size(), 36u);
        EXPECT_FALSE(fs::exists(copy));
    }
}

}  // namespace
}  // namespace qor::data
