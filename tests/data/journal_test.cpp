// The sample journal: its bytes, torn entries, and what a document does with it.
#include "data/journal.h"
#include "data/qor_doc.h"
#include "data_test_util.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qor::data {
namespace {

using test::Bytes;
using test::ByteWriter;
using test::TempDir;

// Header; a logbook entry ("ab" at offset 5); sample 7 of 2000-01-01 with channel 0 at
// 1.5, -2 and 25 degrees. The checks are CRC-32 of kind, length and payload.
Bytes TwoEntries()
{
    ByteWriter w;
    w.u8({'Q', 'O', 'R', 'J', 1, 0, 0, 0});
    w.u8({3}).u32(6).u32(5).u8({'a', 'b'}).u32(0x70ec6c8b);
    w.u8({2}).u32(208).u32(7).time(946684800).f32(1.5f).f32(-2.0f).f32(25.0f).f32s(0, 45).u32(0xe09e4e6d);
    return w.b;
}
constexpr std::size_t kFirstEnd = 8 + 9 + 6;

TEST(Journal, WritesTheBytesOfItsEntries)
{
    TempDir dir;
    Journal j;
    ASSERT_TRUE(j.Open(dir / "a.journal"));
    const Bytes whole = TwoEntries();
    const Bytes record(whole.begin() + kFirstEnd + 9, whole.end() - 4);  // the sample's fields
    ASSERT_TRUE(j.Append(JournalKind::Logbook, 5, "ab", 2));
    ASSERT_TRUE(j.Append(JournalKind::Sample, 7, record.data(), record.size()));
    EXPECT_EQ(test::ReadBytes(dir / "a.journal"), whole);
    ASSERT_TRUE(j.Truncate());
    EXPECT_EQ(test::ReadBytes(dir / "a.journal"), Bytes(whole.begin(), whole.begin() + 8));
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
        }
    }
    const Bytes otherVersion{'Q', 'O', 'R', 'J', 2, 0, 0, 0};
    EXPECT_FALSE(ParseJournal(otherVersion.data(), otherVersion.size(), c, error));
    EXPECT_EQ(error, "sample journal of unknown version 2");
}

struct RecoverUi : test::FakeUi {
    bool AskRecover(const std::string&, const std::string& text) override
    {
        questions.push_back(text);
        return yes;
    }
    std::vector<std::string> questions;
    bool yes = true;
};

struct Doc {
    SimClock clock{946684800};
    Logbook logbook;
    RecoverUi ui;
    CQORDoc doc{clock, logbook, ui};
    Doc() { ui.answer = 1; }  // the save prompt: Yes
    bool Open(const std::string& path) { return doc.OpenByPath(path) && doc.ReadBoundFile(); }
};

// A recording that ends without its last save (the document is dropped as a kill would) comes
// back whole when the document is opened again; declined, the journal goes; a clean save and
// close leave nothing to ask.
TEST(Journal, ADocumentRecoversWhatItsFileDoesNotHold)
{
    TempDir dir;
    const std::string path = dir / "r.qo3", journal = path + ".journal";
    std::string reason;
    const auto record = [&](Doc& d, int from, int to) {
        ASSERT_TRUE(d.doc.StartJournal(reason)) << reason;
        for (int i = from; i < to; ++i, d.clock.Advance(1000)) {
            d.doc.m_slave[0].m_value1 = 7.0 + i;
            d.doc.AddSample(0);
        }
    };
    {
        Doc a;
        ASSERT_TRUE(a.Open(path));
        record(a, 0, 3);
        ASSERT_TRUE(a.doc.OnFileSave());
        EXPECT_EQ(test::ReadBytes(journal).size(), 8 + 9 + 296u);  // header and setup
        record(a, 3, 5);
        a.doc.AddLogbookEntry("after the save");
    }
    for (bool yes : {true, false}) {
        Doc b;
        b.ui.yes = yes;
        ASSERT_TRUE(b.Open(path));
        ASSERT_EQ(b.ui.questions.size(), 1u);
        EXPECT_FALSE(std::filesystem::exists(journal));
        ASSERT_EQ(b.doc.Samples().size(), 5u);
        EXPECT_EQ(b.doc.Samples()[4].m_value[0], 11.0f);
        if (!yes)
            break;
        EXPECT_NE(b.ui.questions[0].find("2 nicht gespeicherte Messwerte vom 01.01.2000 00:00:03 bis "
                                         "01.01.2000 00:00:04"),
                  std::string::npos)
            << b.ui.questions[0];
        EXPECT_NE(b.logbook.m_text.find("after the save\n"), std::string::npos);
        EXPECT_NE(b.logbook.m_text.find("2 Messwerte vom 01.01.2000 00:00:03 bis 01.01.2000 00:00:04 aus dem "
                                        "Journal"),
                  std::string::npos);
        EXPECT_FALSE(b.doc.m_modified);
        record(b, 5, 6);  // another run without its save, declined next time
    }
    Doc c;
    ASSERT_TRUE(c.Open(path));
    EXPECT_TRUE(c.ui.questions.empty());
    record(c, 0, 1);
    ASSERT_TRUE(c.doc.OnFileClose());
    EXPECT_FALSE(std::filesystem::exists(journal));
}

// Files a Save must not write: an imported one (its first Save asks for a .qo3 name) and a
// read-only one; leftovers of a killed save go, other files beside the document stay.
TEST(Journal, SaveLeavesImportedAndReadOnlyFilesAlone)
{
    TempDir dir;
    const std::string legacy = dir / "old.qrv", ro = dir / "ro.qo3";
    Doc b;
    ASSERT_TRUE(b.doc.WriteFile(legacy).ok && b.doc.WriteFile(ro).ok);
    test::WriteBytes(dir / "ro.qo3.a1B2c3.qo3tmp", {1});
    test::WriteBytes(dir / "ro.qo3.backup", {2});
    const Bytes before = test::ReadBytes(legacy);
    ASSERT_TRUE(b.Open(legacy));
    b.doc.AddSample(0);
    EXPECT_FALSE(b.doc.OnFileSave());  // the name dialog was cancelled
    b.ui.files = {dir / "new.qo3"};
    ASSERT_TRUE(b.doc.OnFileSave());
    EXPECT_EQ(b.doc.m_path, dir / "new.qo3");
    EXPECT_EQ(test::ReadBytes(legacy), before);

    std::filesystem::permissions(ro, std::filesystem::perms::owner_read);
    Doc c;
    ASSERT_TRUE(c.Open(ro));
    EXPECT_FALSE(std::filesystem::exists(dir / "ro.qo3.a1B2c3.qo3tmp"));
    EXPECT_TRUE(std::filesystem::exists(dir / "ro.qo3.backup"));
    c.doc.AddSample(0);
    EXPECT_FALSE(c.doc.OnFileSave());
    ASSERT_EQ(c.ui.messages.size(), 1u);
    EXPECT_NE(c.ui.messages[0].find("schreibgeschützt"), std::string::npos) << c.ui.messages[0];
    EXPECT_FALSE(c.doc.PeriodicSave() || c.doc.PeriodicSave());
    const std::string& log = c.logbook.m_text;
    const auto failed = log.find("Speichern fehlgeschlagen (" + ro + ": schreibgeschützte Datei)");
    EXPECT_NE(failed, std::string::npos) << log;
    EXPECT_EQ(log.find("Speichern fehlgeschlagen", failed + 1), std::string::npos) << "told once";
    EXPECT_EQ(test::ReadBytes(ro), before);
}

// A folder that takes no new file, with a document in it that may be written: the save goes
// in place and says so once in the logbook. Root passes every permission check, so the save
// runs in a child that has dropped to an unprivileged user.
TEST(Journal, ReadOnlyFolderSavesInPlace)
{
    TempDir dir;
    const std::string folder = dir / "ro", path = folder + "/doc.qo3";
    std::filesystem::create_directory(folder);
    {
        Doc a;
        ASSERT_TRUE(a.doc.WriteFile(path).ok);
    }
    const bool root = ::geteuid() == 0;
    constexpr uid_t kNobody = 65534;
    if (root) {
        ASSERT_EQ(::chown(path.c_str(), kNobody, kNobody), 0);
    }
    std::filesystem::permissions(dir.path, std::filesystem::perms(0755));
    std::filesystem::permissions(folder, std::filesystem::perms(0555));
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (root && (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
                     ::setresuid(kNobody, kNobody, kNobody) != 0))
            ::_exit(10);
        Doc b;
        if (!b.Open(path))
            ::_exit(11);
        b.doc.AddSample(0);
        if (!b.doc.OnFileSave() || !b.ui.messages.empty())
            ::_exit(12);
        b.doc.AddSample(0);
        if (!b.doc.PeriodicSave())
            ::_exit(13);
        const std::string& log = b.logbook.m_text;
        const auto said = log.find("nimmt keine neue Datei an: die Datei wird direkt überschrieben");
        ::_exit(said == std::string::npos                                ? 14
                : log.find("nimmt keine", said + 1) != std::string::npos ? 15
                                                                         : 0);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    std::filesystem::permissions(folder, std::filesystem::perms(0755));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0)
        << "10 no user change, 11 open, 12 save, 13 periodic, 14 log, 15 told twice";
    Doc c;
    ASSERT_TRUE(c.Open(path));
    EXPECT_EQ(c.doc.Samples().size(), 2u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1) << "no leftovers";
}

}  // namespace
}  // namespace qor::data
