#include "data/document_json.h"
#include "data/document_ui.h"
#include "data/pot_ref_daten_object.h"
#include "data/qor_doc.h"
#include "data_test_util.h"

#include <cmath>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <sys/resource.h>

using namespace qor::data;
using namespace qor::data::test;

namespace {

struct Fixture : Doc {
    Fixture() : Doc(1265015103) {}  // 2010-02-01 09:05:03 UTC
};

// The bytes of a document file without samples, as Save writes it for a new document,
// with the logbook text given.
Bytes EmptyDocumentBytes(const std::string& logbook)
{
    ByteWriter w;
    w.u16(0);
    for (int i = 0; i < 16; ++i)
        w.u8({0, 0, 0}).f32s(1, 3).u8({0});
    w.f32(0).f32(100).u32(0).time(946684810);
    w.append(Bytes(16, 0)).str(logbook);  // four virtual channels off
    for (std::size_t c = 0; c < 54; ++c)
        w.u8({1, 0}).u32(CGraphPropObject::kDefaultColours[c]);
    w.u16(0).u16(0).u16(0).u16(0).u16(0);
    return w.b;
}

Bytes SampleBytes(std::int64_t time, float v1)
{
    return ByteWriter().time(time).f32(v1).f32s(0, 47).b;
}

std::size_t FilesIn(const TempDir& d)
{
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(d.path), {}));
}

}  // namespace

// The identity of the recording follows section 10, where older readers ignore it; a file
// without it (an older one) reads and writes back without one.
TEST(Document, NewEmptyDocumentBytes)
{
    Fixture f;
    TempDir dir;
    ASSERT_TRUE(f.doc.WriteFile(dir / "e.qo3").ok);
    const RecordingId id = f.doc.Id();
    EXPECT_NE(id, RecordingId{});
    EXPECT_EQ(ReadBytes(dir / "e.qo3"), ByteWriter()
                                            .append(EmptyDocumentBytes(""))
                                            .u8({'Q', 'O', 'I', 'D'})
                                            .append(Bytes(id.begin(), id.end()))
                                            .b);
    const Bytes named = ByteWriter()
                            .append(EmptyDocumentBytes(""))
                            .u8({'Q', 'O', 'I', 'D', 9, 8, 7, 6, 5, 4, 3, 2, 1})
                            .u8({1, 2, 3, 4, 5, 6, 7})
                            .b;
    for (const Bytes& file : {EmptyDocumentBytes(""), named}) {
        WriteBytes(dir / "o.qo3", file);
        Fixture g;
        ASSERT_TRUE(g.doc.ReadFile(dir / "o.qo3", Layout::Qo3).ok);
        EXPECT_EQ(g.doc.Id()[0], file.size() == named.size() ? 9 : 0);
        ASSERT_TRUE(g.doc.WriteFile(dir / "o.qo3").ok);
        EXPECT_EQ(ReadBytes(dir / "o.qo3"), file);
    }
}

TEST(Document, EveryRecordKindSurvivesSaveAndLoadAndDumpsAsJson)
{
    // Each record's layout is tested byte by byte; here each section must come back in place.
    Fixture f;
    auto& d = f.doc;
    CDatenObject sample;
    sample.m_time = 1234567890;
    sample.m_value[0] = 0.1f;
    d.AppendSample(sample);
    CGrafikSetup setup;
    setup.m_factor3[2] = 0.5f;
    CGrafikSetupVirtuell virtuell;
    virtuell.m_formula[3] = "sqrt(y)+z";
    d.SetGrafikSetup(setup, &virtuell);
    CGraphPropObject props;
    props.m_name[53] = "Kurve 54";
    d.SetGraphProp(props);
    CPotDatenObject old;
    old.m_count[1] = 1;
    old.m_val2[10] = 4.0f;
    d.AppendOldPot(old);
    CPotQORDatenObject pot;
    pot.m_raw = {-1, 0, 1};
    d.AppendPot(pot);
    CEISDatenObject eis;
    eis.m_val1 = 1e-5f;
    d.AppendEis(eis);
    CStringDatenObject label;
    label.m_x = 0.1;
    label.m_text = "a \"b\"\n\tc\x01";
    d.SetLabels({label});
    auto ref = std::make_unique<CPotRefDatenObject>();
    ref->m_count = 1;
    ref->m_x[0] = 2.5f;
    d.AppendSpare(std::move(ref));
    f.logbook.m_text = "Grüße Ελληνικά\n";
    TempDir dir;
    ASSERT_TRUE(d.WriteFile(dir / "all.qo3").ok);

    Fixture g;
    ASSERT_TRUE(g.doc.ReadFile(dir / "all.qo3", Layout::Qo3).ok);
    const std::string j = DocumentJson(g.doc);
    EXPECT_EQ(j, DocumentJson(f.doc));
    EXPECT_EQ(g.logbook.m_text, f.logbook.m_text);
    const char* expected[] = {
        "{\"version\":3,\"samples\":[{\"time\":1234567890,\"value\":[0.100000001,0,",
        "\"logbook\":\"Grüße Ελληνικά\\n\"",
        "\"pot\":[{\"time\":0,\"counter\":0,\"raw\":[-1,0,1],\"status\":0,\"range\":0}]",
        "\"eis\":[{\"time\":0,\"index\":0,\"val1\":9.99999975e-06,\"val2\":0,\"val3\":0,\"flag1\":0,"
        "\"flag2\":0}]",
        "\"refs\":[{\"time\":0,\"count\":1,\"range\":[0],\"x\":[2.5],\"y\":[0],\"z\":[0]}]",
        "\"labels\":[{\"x\":0.10000000000000001,\"y\":0,\"font\":{\"height\":0,",
        "\"faceName\":\"\"},\"text\":\"a \\\"b\\\"\\n\\tc\\u0001\",\"colour\":0,\"scale\":1}]",
    };
    for (const char* e : expected)
        EXPECT_NE(j.find(e), std::string::npos) << e << "\n" << j;
    EXPECT_EQ(j.substr(j.size() - 12), ",\"spare\":1}\n");
}

TEST(Document, ReadsFilesWithoutSamples)
{
    // A version-1 file read first must not change how the next file is read; an empty file
    // is an empty document.
    TempDir dir;
    WriteBytes(dir / "old.qo3", ByteWriter().u16(1).newClass("CDatenObject", 1).time(5).f32s(0, 34).b);
    WriteBytes(dir / "nosamples.qo3", EmptyDocumentBytes("from file\n"));
    WriteBytes(dir / "zero.qo3", {});
    Fixture f;
    f.doc.ReadFile(dir / "old.qo3", Layout::Qo3);
    ASSERT_EQ(f.doc.Samples().size(), 1u);
    f.doc.ClearContents();
    f.logbook.m_text.clear();
    for (const char* name : {"zero.qo3", "nosamples.qo3"}) {
        IoResult r = f.doc.ReadFile(dir / name, Layout::Qo3);
        EXPECT_TRUE(r.ok) << name << r.error;
        EXPECT_TRUE(f.doc.Samples().empty());
    }
    EXPECT_EQ(f.logbook.m_text, "from file\n");
}

TEST(Document, OpenDialogOutcomes)
{
    TempDir dir;
    Fixture f;
    f.ui.files = {dir / "x.qo3", std::nullopt, dir / "x.txt", dir / "LOGGER.TX3", dir / "new.qo3"};
    f.doc.OnFileImport();  // a document is opened, not imported
    f.doc.OnFileOpen();    // cancelled
    f.doc.OnFileOpen();    // wrong type
    EXPECT_EQ(f.ui.messages, std::vector<std::string>(2, "Falscher Dateityp!"));
    f.doc.OnFileOpen();  // data logger file in capitals
    EXPECT_EQ(f.ui.calls.back(), "logger " + (dir / "LOGGER.TX3"));
    EXPECT_FALSE(f.doc.FileBound());
    f.doc.OnFileOpen();  // a new name: created empty and bound
    EXPECT_TRUE(f.doc.FileBound());
    EXPECT_EQ(std::filesystem::file_size(dir / "new.qo3"), 0u);
    f.ui.files = {dir / "other.qo3"};
    f.doc.OnFileOpen();  // disabled while bound: no dialog
    EXPECT_EQ(f.ui.files.size(), 1u);
}

TEST(Document, SaveReplacesTheFileWholeUnderItsNames)
{
    TempDir dir;
    // A long file from elsewhere, opened through a link: nothing of it may remain behind the
    // saved sections, and the link stays a link.
    Bytes longer = EmptyDocumentBytes("");
    longer.insert(longer.end(), 100000, 0xAB);
    WriteBytes(dir / "d.qo3", longer);
    std::filesystem::create_symlink(dir / "d.qo3", dir / "link.qo3");
    Fixture f;
    f.ui.files = {dir / "link.qo3", std::nullopt, dir / "two.qo3"};
    f.doc.OnFileOpen();
    f.doc.AddSample(SampleAt(f.clock.Now()));
    ASSERT_TRUE(f.doc.OnFileSave());
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.qo3"));
    EXPECT_LT(std::filesystem::file_size(dir / "d.qo3"), 100000u);

    f.doc.AddSample(SampleAt(f.clock.Now()));
    f.doc.OnFileSaveAs();  // cancelled
    EXPECT_EQ(f.doc.Path(), dir / "link.qo3");
    f.doc.OnFileSaveAs();
    EXPECT_EQ(f.doc.Path(), dir / "two.qo3");
    EXPECT_EQ(f.ui.titles.back(), dir / "two.qo3");
    EXPECT_FALSE(f.doc.Modified());
    for (const auto& [name, samples] : {std::pair{"d.qo3", 1u}, std::pair{"two.qo3", 2u}}) {
        Fixture g;
        ASSERT_TRUE(g.doc.ReadFile(dir / name, Layout::Qo3).ok);
        EXPECT_EQ(g.doc.Samples().size(), samples);
    }
    EXPECT_EQ(FilesIn(dir), 3u);  // no temporary file left behind
}

TEST(Document, FailedSaveKeepsTheOldFile)
{
    // A file size limit stands in for a full disk: the write fails part-way.
    TempDir dir;
    Fixture f;
    f.ui.files = {dir / "k.qo3"};
    f.doc.OnFileOpen();
    f.doc.AddSample(SampleAt(f.clock.Now()));
    ASSERT_TRUE(f.doc.OnFileSave());
    const Bytes before = ReadBytes(dir / "k.qo3");
    for (int i = 0; i < 2000; ++i)
        f.doc.AddSample(SampleAt(f.clock.Now()));

    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit small{64 * 1024, old.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    const bool ok = f.doc.PeriodicSave();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(ok);
    EXPECT_TRUE(f.doc.Modified());
    // A periodic save tells the logbook, not a message box that would wait for a user.
    EXPECT_TRUE(f.ui.messages.empty());
    EXPECT_TRUE(Has(f.logbook.m_text, "Speichern fehlgeschlagen (" + dir / "k.qo3" + ": File too large)"));
    EXPECT_EQ(ReadBytes(dir / "k.qo3"), before);
    EXPECT_EQ(FilesIn(dir), 1u);  // the temporary file is gone
}

// Opened from the dialog or named on the command line (reading a good one that way is checked
// through the main window), a broken file is left alone and unbound.
TEST(Document, TruncatedFileKeepsWhatWasRead)
{
    TempDir dir;
    ByteWriter w;
    w.u16(3).newClass("CDatenObject").append(SampleBytes(1, 1.0f)).u16(0x8001).append(SampleBytes(2, 2.0f));
    w.u16(0x8001).u8({0x0A, 0, 0});  // the third sample breaks off
    WriteBytes(dir / "t.qo3", w.b);
    for (const bool commandLine : {false, true}) {
        SCOPED_TRACE(commandLine);
        Fixture f;
        f.ui.files = {dir / "t.qo3"};
        if (commandLine) {
            ASSERT_TRUE(f.doc.OpenByPath(dir / "t.qo3"));
            EXPECT_TRUE(f.doc.BoundFileWaiting());
            EXPECT_FALSE(f.doc.ReadBoundFile());
            EXPECT_FALSE(f.doc.BoundFileWaiting());
            EXPECT_EQ(f.ui.titles.back(), "");
        } else {
            f.doc.OnFileOpen();
        }
        EXPECT_EQ(f.doc.Samples().size(), 2u);
        ASSERT_EQ(f.ui.messages.size(), 1u);
        EXPECT_TRUE(Has(f.ui.messages[0], "t.qo3"));
        EXPECT_FALSE(f.doc.FileBound());  // a Save cannot replace the file with the part read
        EXPECT_EQ(f.logbook.m_text, "");
        EXPECT_EQ(ReadBytes(dir / "t.qo3"), w.b);
    }
}

TEST(Document, ClosePrompt)
{
    // Answers: 1 saves and closes, 2 cancels, 3 closes without saving.
    TempDir dir;
    for (const int answer : {1, 2, 3}) {
        SCOPED_TRACE(answer);
        const std::string path = dir / ("c" + std::to_string(answer) + ".qo3");
        Fixture f;
        f.ui.files = {path};
        f.doc.OnFileOpen();
        f.doc.AddSample(SampleAt(f.clock.Now()));
        CGrafikSetup setup;
        setup.m_show1[0] = 1;
        f.doc.SetGrafikSetup(setup);
        f.ui.answer = answer;
        const bool closed = answer != 2;
        EXPECT_EQ(f.doc.OnFileClose(), closed);
        EXPECT_EQ(f.ui.prompts, 1);
        EXPECT_EQ(f.doc.FileBound(), !closed);
        EXPECT_EQ(f.doc.GrafikSetup().m_show1[0], closed ? 0 : 1);  // the contents are cleared
        EXPECT_EQ(std::filesystem::file_size(path) > 0, answer == 1);
        EXPECT_EQ(f.ui.titles.back(), closed ? "" : path);
        EXPECT_EQ(f.ui.calls.back() == "stop", closed);
    }
    // Not modified: no prompt.
    Fixture f;
    f.ui.files = {dir / "quiet.qo3"};
    f.doc.OnFileOpen();
    f.doc.SetModified(false);
    EXPECT_TRUE(f.doc.CanCloseFrame());
    EXPECT_EQ(f.ui.prompts, 0);
}

TEST(Document, OpenAsksForAnUnboundRecording)
{
    // A recording made without a file is asked for before Open replaces it: Yes saves it as a
    // new file (a cancelled file dialog keeps it), Cancel keeps it, No drops it.
    TempDir dir;
    Fixture src;
    src.doc.AddSample(SampleAt(src.clock.Now()));
    src.doc.AddSample(SampleAt(src.clock.Now()));
    ASSERT_TRUE(src.doc.WriteFile(dir / "other.qo3").ok);
    struct Row {
        int answer;
        std::optional<std::string> saveAs;
        bool opened;
    };
    for (const Row& row : {Row{1, dir / "rec.qo3", true}, Row{1, std::nullopt, false},
                           Row{2, std::nullopt, false}, Row{3, std::nullopt, true}}) {
        SCOPED_TRACE(row.answer);
        Fixture f;
        f.doc.AddSample(SampleAt(f.clock.Now()));
        f.ui.answer = row.answer;
        f.ui.files = {dir / "LOGGER.tx3", dir / "other.qo3"};
        if (row.answer == 1)
            f.ui.files.push_back(row.saveAs);
        f.doc.OnFileOpen();  // the logger file leaves the document alone: no question
        EXPECT_EQ(f.ui.prompts, 0);
        f.doc.OnFileOpen();
        EXPECT_EQ(f.ui.prompts, 1);
        EXPECT_TRUE(f.ui.files.empty());  // Yes asked for a name, the others did not
        EXPECT_EQ(f.doc.FileBound(), row.opened);
        EXPECT_EQ(f.doc.Samples().size(), row.opened ? 2u : 1u);
        if (row.saveAs) {
            Fixture g;
            ASSERT_TRUE(g.doc.ReadFile(*row.saveAs, Layout::Qo3).ok);
            EXPECT_EQ(g.doc.Samples().size(), 1u);
        }
    }
    // Measured but nothing recorded: no question.
    Fixture f;
    f.doc.MarkModified();
    f.ui.files = {dir / "other.qo3"};
    f.doc.OnFileOpen();
    EXPECT_EQ(f.ui.prompts, 0);
    EXPECT_TRUE(f.doc.FileBound());
}

TEST(Document, SamplesAndPotentiostatDataAndWhatTheViewsHear)
{
    // The values of a sample and of potentiostat blocks are checked through a recording.
    Fixture f;
    f.doc.MarkModified();  // not recorded, but the document changed
    EXPECT_TRUE(f.doc.Modified());
    EXPECT_TRUE(f.doc.Samples().empty());
    f.doc.AddSample(SampleAt(f.clock.Now()));
    EXPECT_EQ(f.doc.LastSampleTime(), 1265015103);
    f.doc.SetGrafikSetup(CGrafikSetup());
    f.doc.ClearContents();

    const std::uint8_t pot[12] = {1}, eis[18] = {2};
    f.doc.AddPotData(CQORDoc::PotBlock::Record, pot, sizeof pot);  // not running: ignored
    f.doc.OnDisplayXyGraph();  // nothing recorded: a message instead of the window
    EXPECT_EQ(f.ui.messages.size(), 1u);
    f.doc.SetPotRunning(true);
    f.doc.AddPotData(CQORDoc::PotBlock::Record, pot, sizeof pot);
    f.doc.AddPotData(CQORDoc::PotBlock::Impedance, eis, sizeof eis);
    f.doc.AddPotData(CQORDoc::PotBlock::Record, pot, 5);  // short block: ignored
    EXPECT_EQ(f.doc.Pot().size(), 1u);
    EXPECT_EQ(f.doc.Eis().size(), 1u);
    EXPECT_EQ(f.ui.calls, (std::vector<std::string>{"samples", "setup", "setup", "pot", "eis"}));
    f.doc.OnDisplayXyGraph();
    EXPECT_EQ(f.ui.messages.size(), 1u);
}

// A table file, and a .qrv file: the .qo3 layout without the potentiostat and impedance lists.
TEST(Document, ImportTableAndSetupFiles)
{
    TempDir dir;
    ByteWriter table;
    for (int i = 0; i < 16; ++i)
        table.u8({0, i == 1}).f32s(1, 2).u8({i == 1 ? 4 : 0});
    table.f32(0).f32(2000).u32(1).time(946684800 + 5);
    table.u8({1, 3, 4}).str("y+z").append(Bytes(12, 0));
    table.u16(1).newClass("CDatenObject", 2).append(SampleBytes(1234567, 321.0f));
    table.str("log of the table file\n");
    for (int c = 0; c < 54; ++c)
        table.u8({1}).str("").u32(0xFF);
    WriteBytes(dir / "table.XRV", table.b);
    const Bytes empty = EmptyDocumentBytes("qrv log\n");
    ByteWriter qrv;
    qrv.u16(1).newClass("CDatenObject").append(SampleBytes(99, 5.0f));
    qrv.append(Bytes(empty.begin() + 2, empty.end() - 10)).u16(0);  // no old potentiostat samples
    qrv.u16(1).newClass("CStringDatenObject").f64(1).f64(2).u8({0, 0}).u32(0).str("Arial");
    qrv.u32(10).u8({0}).u32(0).u8({0, 0, 0, 0, 0}).u32(400).u32(0).str("hello").u32(0).f64(1);
    WriteBytes(dir / "setup.qrv", qrv.u16(0).b);  // and the spare list

    for (const std::string name : {"table.XRV", "setup.qrv"}) {
        SCOPED_TRACE(name);
        const bool isTable = name == "table.XRV";
        Fixture f;
        f.ui.files = {dir / name};
        f.doc.OnFileImport();
        ASSERT_TRUE(f.ui.messages.empty()) << f.ui.messages[0];
        ASSERT_EQ(f.doc.Samples().size(), 1u);
        EXPECT_EQ(f.logbook.m_text.rfind(isTable ? "log of the table file\n" : "qrv log\n", 0), 0u);
        if (!isTable) {
            ASSERT_EQ(f.doc.Labels().size(), 1u);
            EXPECT_EQ(f.doc.Labels()[0].m_text, "hello");
            continue;
        }
        EXPECT_EQ(f.doc.GrafikSetup().m_moduleType[1], 4);
        EXPECT_EQ(f.doc.Virtuell().m_formula[0], "y+z");
        EXPECT_EQ(f.doc.Samples()[0].m_value[0], 321.0f);
        EXPECT_EQ(f.doc.GraphProp().m_colour[53], 0xFFu);

        // The imported file is not the document's: Save asks for a .qo3 name and leaves it as it was.
        f.ui.files = {dir / "table.qo3"};
        ASSERT_TRUE(f.doc.OnFileSave());
        EXPECT_EQ(ReadBytes(dir / "table.XRV"), table.b);
        Fixture g;
        ASSERT_TRUE(g.doc.ReadFile(dir / "table.qo3", Layout::Qo3).ok);
        EXPECT_EQ(g.doc.Samples()[0].m_time, 1234567);
    }
}
