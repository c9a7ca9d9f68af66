#include "data/archive.h"
#include "data/daten_object.h"
#include "data/eis_daten_object.h"
#include "data/grafik_setup.h"
#include "data/grafik_setup_virtuell.h"
#include "data/graph_prop_object.h"
#include "data/log_buch_object.h"
#include "data/pot_daten_object.h"
#include "data/pot_qor_daten_object.h"
#include "data/pot_ref_daten_object.h"
#include "data/record_list.h"
#include "data/string_daten_object.h"
#include "data_test_util.h"

#include <functional>
#include <gtest/gtest.h>

using namespace qor::data;
using namespace qor::data::test;

namespace {
Bytes Stored(const std::function<void(Archive&)>& f)
{
    Bytes out;
    Archive ar = Archive::Store(out);
    f(ar);
    ar.Flush();
    return out;
}
template <class R> Bytes Store(R& r)
{
    return Stored([&](Archive& ar) { r.Serialize(ar); });
}
// Reads a record from `b` as a file of the version given, which leaves `unread` bytes.
template <class R> void Load(R& r, const Bytes& b, int version = 3, std::size_t unread = 0)
{
    Archive ar = Archive::Load(b.data(), b.size());
    ar.SetFileVersion(version);
    r.Serialize(ar);
    EXPECT_EQ(ar.Remaining(), unread);
}
// A record writes `b`, and read back from it writes the same bytes again.
template <class R> void ExpectBytesBothWays(R& r, const Bytes& b)
{
    EXPECT_EQ(Store(r), b);
    R back;
    Load(back, b);
    EXPECT_EQ(Store(back), b);
}
}  // namespace

TEST(Archive, StringLengthPrefixes)
{
    struct Case {
        std::size_t length;
        Bytes prefix;
    };
    const Case cases[] = {
        {0, {0x00}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {0xFFFD, {0xFF, 0xFD, 0xFF}},
        {0xFFFE, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {70000, {0xFF, 0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        std::string s(c.length, 'x');
        Bytes b = Stored([&](Archive& ar) { ar.WriteString(s); });
        Bytes expect = c.prefix;
        expect.insert(expect.end(), s.begin(), s.end());
        EXPECT_EQ(b, expect);
        Archive in = Archive::Load(b.data(), b.size());
        EXPECT_EQ(in.ReadString(), s);
    }
}

TEST(Archive, StringsInWindows1252AndUtf16)
{
    // "Grüße" fits Windows-1252: one byte per character.
    Bytes b = Stored([](Archive& ar) { ar.WriteString("Grüße"); });
    EXPECT_EQ(b, (Bytes{5, 'G', 'r', 0xFC, 0xDF, 'e'}));
    // Greek does not: the 2-byte form, FF FE FF, then the length in characters.
    Bytes g = Stored([](Archive& ar) { ar.WriteString("αβ€"); });
    EXPECT_EQ(g, (Bytes{0xFF, 0xFE, 0xFF, 3, 0xB1, 0x03, 0xB2, 0x03, 0xAC, 0x20}));
    Archive in = Archive::Load(g.data(), g.size());
    EXPECT_EQ(in.ReadString(), "αβ€");
    // A long 2-byte string uses the long prefix after FF FE FF.
    Bytes l{0xFF, 0xFE, 0xFF, 0xFF, 0x00, 0x01};
    for (int i = 0; i < 256; ++i)
        l.insert(l.end(), {'a', 0});
    Archive in2 = Archive::Load(l.data(), l.size());
    EXPECT_EQ(in2.ReadString(), std::string(256, 'a'));
    // U+0080 has no Windows-1252 byte (0x80 is the euro sign); an overlong UTF-8 sequence is no
    // character, so its bytes are kept as they are.
    EXPECT_EQ(Stored([](Archive& ar) { ar.WriteString("\u0080"); }),
              (Bytes{0xFF, 0xFE, 0xFF, 1, 0x80, 0x00}));
    EXPECT_EQ(Stored([](Archive& ar) { ar.WriteString("\xF0\x8F\xBF\xBF"); }),
              (Bytes{4, 0xF0, 0x8F, 0xBF, 0xBF}));
}

// Both take a short form and, past it, a marker and a long one.
TEST(Archive, TimeStampsAndCounts)
{
    const std::uint32_t counts[] = {0, 0xFFFE, 0xFFFF, 100000};
    Bytes b = Stored([&](Archive& ar) {
        ar.WriteTime(946684800);
        ar.WriteTime(-86400);
        for (std::uint32_t n : counts)
            ar.WriteCount(n);
    });
    const Bytes countBytes{0, 0, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                           0, 0, 0xFF, 0xFF, 0xA0, 0x86, 0x01, 0x00};
    EXPECT_EQ(b, ByteWriter().time(946684800).time(-86400).append(countBytes).b);
    b.insert(b.end(), {0x80, 0x43, 0x6D, 0x38, 0xFF, 0xFF, 0xFF, 0xFF});  // two short time stamps
    Archive in = Archive::Load(b.data(), b.size());
    for (std::int64_t t : {946684800, -86400})
        EXPECT_EQ(in.ReadTime(), t);
    for (std::uint32_t n : counts)
        EXPECT_EQ(in.ReadCount(), n);
    for (std::int64_t t : {946684800, -1})
        EXPECT_EQ(in.ReadTime(), t);
}

TEST(Archive, TwoSamplesShareOneClassRecord)
{
    std::vector<CDatenObject> samples(2);
    samples[0].m_time = 1;
    samples[1].m_time = 2;
    samples[1].m_value[0] = 7.0f;
    samples[1].m_value2[0] = -1.5f;
    samples[1].m_temperature[15] = 21.5f;
    Bytes b = Stored([&](Archive& ar) { SerializeList(ar, samples); });

    // Value, value 2 and temperature of each address in turn.
    ByteWriter w;
    w.u16(2).newClass("CDatenObject").time(1).f32s(0, 48);
    w.u8({0x01, 0x80}).time(2).f32(7.0f).f32(-1.5f).f32s(0, 45).f32(21.5f);
    EXPECT_EQ(b, w.b);

    std::vector<CDatenObject> back;
    Archive in = Archive::Load(b.data(), b.size());
    SerializeList(in, back);
    EXPECT_EQ(in.FileVersion(), 3);
    EXPECT_EQ(Stored([&](Archive& ar) { SerializeList(ar, back); }), b);
}

TEST(Archive, VersionOneSampleWithTrailingFloats)
{
    ByteWriter w;
    w.u16(1).newClass("CDatenObject", 1).time(5).f32s(0, 10).f32(7.0f).f32(21.5f).f32s(0, 20);
    // Two floats read and discarded; the next byte must be where reading stands.
    w.f32(99).f32(98).u8({0x42});
    Archive in = Archive::Load(w.b.data(), w.b.size());
    std::vector<CDatenObject> samples;
    SerializeList(in, samples);
    ASSERT_EQ(samples.size(), 1u);
    EXPECT_EQ(in.FileVersion(), 1);
    EXPECT_EQ(samples[0].m_value[5], 7.0f);
    EXPECT_EQ(samples[0].m_temperature[5], 21.5f);
    EXPECT_EQ(samples[0].m_value2[5], 0.0f);
    EXPECT_EQ(in.ReadValue<std::uint8_t>(), 0x42);
}

TEST(Archive, ObjectReferenceForms)
{
    // null; new class; known class in the short and in the long form; known object.
    ByteWriter w;
    w.u16(5).u16(0).newClass("CDatenObject").time(1).f32s(1, 48);
    w.u16(0x7FFF).u32(0x80000001).time(2).f32s(2, 48);
    w.u16(0x8001).time(3).f32s(3, 48);
    w.u16(3);  // the object numbered 3: the second sample
    Archive in = Archive::Load(w.b.data(), w.b.size());
    std::vector<CDatenObject> samples;
    SerializeList(in, samples, kSampleList);
    ASSERT_EQ(samples.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(samples[i].m_time, i == 3 ? 2 : static_cast<std::int64_t>(i + 1));
    EXPECT_EQ(samples[3].m_value[0], 2.0f);
}

TEST(Archive, MalformedInputFails)
{
    const Bytes strings[] = {
        {0x05, 'a', 'b'},                            // shorter than its length
        {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},  // four billion characters
        {0xFF, 0xFE, 0xFF, 0xFF, 0xFE, 0xFF, 0x01},  // two 2-byte markers
        {0xFF, 0xFE, 0xFF, 0x02, 'a', 0x00, 'b'},    // odd 2-byte tail
        {0xFF, 0x10},                                // prefix cut off
    };
    for (const auto& b : strings) {
        Archive in = Archive::Load(b.data(), b.size());
        EXPECT_THROW(in.ReadString(), ArchiveError);
    }
    const Bytes lists[] = {
        ByteWriter().u16(1).u16(0x8005).b,                  // class never seen
        ByteWriter().u16(1).u16(0x0009).b,                  // object never seen
        ByteWriter().u16(1).newClass("CNoSuchThing").b,     // unknown class
        ByteWriter().u16(1).newClass("CEISDatenObject").b,  // wrong class for the list
        ByteWriter().u16(1).u16(0xFFFF).u16(3).u16(500).b,  // absurd class name length
    };
    for (const auto& b : lists) {
        Archive in = Archive::Load(b.data(), b.size());
        std::vector<CDatenObject> samples;
        EXPECT_THROW(SerializeList(in, samples), ArchiveError);
    }
    const auto messageOf = [](const Bytes& b) {
        Archive in = Archive::Load(b.data(), b.size());
        std::vector<std::unique_ptr<CListRecord>> spare;
        try {
            SerializeAnyList(in, spare);
        } catch (const ArchiveError& e) {
            return std::string(e.what());
        }
        return std::string();
    };
    // The bytes of a corrupt class name reach a terminal escaped.
    const std::string message = messageOf(ByteWriter().u16(1).newClass("C\x1b[2J\\\xff").b);
    EXPECT_NE(message.find("class C\\x1B[2J\\x5C\\xFF ("), std::string::npos) << message;
    // Null, the class, the sample: 3 is the first number not yet read; its 2 bytes end at byte 226.
    EXPECT_EQ(messageOf(ByteWriter().u16(2).newClass("CDatenObject").time(1).f32s(1, 48).u16(3).b),
              "reference to an unknown object (byte 226)");
}

TEST(Archive, HugeCountDoesNotReserveIt)
{
    // Four billion samples announced, two present: both are kept, then the end of file.
    ByteWriter w;
    w.u16(0xFFFF).u32(0xFFFFFFF0).newClass("CDatenObject").time(1).f32s(0, 48);
    w.u16(0x8001).time(2).f32s(0, 48);
    Archive in = Archive::Load(w.b.data(), w.b.size());
    std::vector<CDatenObject> samples;
    EXPECT_THROW(SerializeList(in, samples), ArchiveError);
    EXPECT_EQ(samples.size(), 2u);
    EXPECT_LE(samples.capacity(), 4u);
}

TEST(Archive, LongListsThroughTheFileBuffer)
{
    // 40000 samples push the object numbers past 0x7FFF: the next class is referred to in the
    // long form. More than one buffer's worth, so refills happen inside records and a string.
    std::vector<CDatenObject> samples(40000);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i].m_time = static_cast<std::int64_t>(i);
        samples[i].m_value[i % 16] = static_cast<float>(i);
    }
    std::vector<CPotQORDatenObject> pot(2);
    pot[1].m_counter = 9;
    TempDir dir;
    const std::string path = dir / "big.bin";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    {
        Archive ar = Archive::Store(f);
        SerializeList(ar, samples);
        SerializeList(ar, pot);
        ar.WriteString(std::string(3000000, 's'));
        ar.Flush();
    }
    std::fclose(f);

    const Bytes b = ReadBytes(path);
    auto at = [&](std::size_t pos, std::size_t n) {
        return Bytes(b.begin() + static_cast<long>(pos), b.begin() + static_cast<long>(pos + n));
    };
    const std::size_t potList = 2 + (2 + 2 + 2 + 12) + 204 + 39999 * (2 + 204);
    const Bytes head = ByteWriter().u16(2).newClass("CPotQORDatenObject").b;
    ASSERT_GT(b.size(), potList + head.size() + 30);
    EXPECT_EQ(at(potList, head.size()), head);
    EXPECT_EQ(at(potList + head.size() + 24, 6), ByteWriter().u16(0x7FFF).u32(0x80000000u | 40002).b);

    f = std::fopen(path.c_str(), "rb");
    Archive in = Archive::Load(f);
    std::vector<CDatenObject> s2;
    std::vector<CPotQORDatenObject> p2;
    SerializeList(in, s2);
    SerializeList(in, p2);
    EXPECT_EQ(in.ReadString().size(), 3000000u);
    EXPECT_EQ(in.Remaining(), 0u);
    std::fclose(f);
    ASSERT_EQ(s2.size(), samples.size());
    for (std::size_t i = 0; i < s2.size(); i += 997) {
        EXPECT_EQ(s2[i].m_time, static_cast<std::int64_t>(i));
        EXPECT_EQ(s2[i].m_value[i % 16], static_cast<float>(i));
    }
    ASSERT_EQ(p2.size(), 2u);
    EXPECT_EQ(p2[1].m_counter, 9u);
}

TEST(Archive, SpareListTakesAnyClassAndCopiesKnownObjects)
{
    ByteWriter w;
    w.u16(3).newClass("CPotRefDatenObject").time(1).u8({1, 2}).f32(1).f32(2).f32(3);
    w.newClass("CEISDatenObject").time(2).u32(1).f32(0).f32(0).f32(0).u8({0, 0}).u16(0);
    w.u16(2);  // the reference point again
    Archive in = Archive::Load(w.b.data(), w.b.size());
    std::vector<std::unique_ptr<CListRecord>> spare;
    SerializeAnyList(in, spare);
    ASSERT_EQ(spare.size(), 3u);
    EXPECT_STREQ(spare[0]->ClassName(), "CPotRefDatenObject");
    EXPECT_STREQ(spare[1]->ClassName(), "CEISDatenObject");
    ASSERT_STREQ(spare[2]->ClassName(), "CPotRefDatenObject");
    EXPECT_NE(spare[2].get(), spare[0].get());  // a copy, not a second owner
    EXPECT_EQ(static_cast<CPotRefDatenObject&>(*spare[2]).m_z[0], 3.0f);

    // A reference from one list into another is refused, but the spare list takes a copy.
    ByteWriter x;
    x.u16(1).newClass("CDatenObject").time(7).append(Bytes(192, 0)).u16(1).u16(2).u16(1).u16(2);
    Archive in2 = Archive::Load(x.b.data(), x.b.size());
    std::vector<CDatenObject> samples;
    std::vector<CDatenObject> other;
    SerializeList(in2, samples, kSampleList);
    EXPECT_THROW(SerializeList(in2, other, kLabelList), ArchiveError);
    std::vector<std::unique_ptr<CListRecord>> spare2;
    SerializeAnyList(in2, spare2);
    ASSERT_EQ(spare2.size(), 1u);
    EXPECT_EQ(dynamic_cast<CDatenObject&>(*spare2[0]).m_time, 7);
}

// 2-byte references to a 1 MiB label copied it a thousand times: a gigabyte from a 1 MB file.
TEST(Archive, ReferencesCannotMultiplyAFileInMemory)
{
    Doc d;
    TempDir dir;
    ASSERT_TRUE(d.doc.WriteFile(dir / "refs.qo3").ok);
    ByteWriter w;
    w.b = ReadBytes(dir / "refs.qo3");
    w.b.resize(w.b.size() - 4 - 20);  // the label and spare lists follow here (the identity goes)
    const std::uint32_t text = 1 << 20, refs = 1000;
    w.u16(refs + 1).newClass("CStringDatenObject").f64(1).f64(2).u8({0, 0}).u32(0).str("").u32(0).u8({0});
    w.u32(0).u8({0, 0, 0, 0, 0}).u32(400).u32(0).u8({0xFF}).u16(0xFFFF).u32(text).append(Bytes(text, 'L'));
    w.u32(0).f64(1);
    for (std::uint32_t i = 0; i < refs; ++i)
        w.u16(2);  // the label, object 2 after its class
    WriteBytes(dir / "refs.qo3", w.u16(0).b);
    d.ui.files = {dir / "refs.qo3"};
    d.doc.OnFileOpen();  // as the window opens a file
    std::uint64_t held = 0;
    for (const CStringDatenObject& l : d.doc.Labels())
        held += l.m_text.size();
    EXPECT_GE(d.doc.Labels().size(), 2u);
    EXPECT_LE(held, w.b.size() + Archive::CopyAllowance(w.b.size()));
    ASSERT_EQ(d.ui.messages.size(), 1u);
    EXPECT_NE(d.ui.messages[0].find("refs.qo3"), std::string::npos);
}

// The potentiostat's blocks, its reference points and its old layout. Negative readings are
// checked through a run of the simulated potentiostat.
TEST(Records, PotentiostatImpedanceAndReferenceLayouts)
{
    const std::uint8_t block[12] = {0x01, 0, 0, 0, 0x05, 0x02, 0x10, 0, 0x20, 0, 0x30, 0};
    auto p = CPotQORDatenObject::FromBlock(block, 77);
    EXPECT_EQ(Store(p), ByteWriter().time(77).u32(1).u16(16).u16(32).u16(48).u8({5, 2}).b);

    ByteWriter w;
    w.u32(7).f32(1000.0f).f32(-45.5f).f32(12.25f).u8({3, 4});
    auto e = CEISDatenObject::FromBlock(w.b.data(), 9);
    Bytes expect = ByteWriter().time(9).append(w.b).u16(0).b;
    ExpectBytesBothWays(e, expect);
    CEISDatenObject none;
    Load(none, expect, 2, expect.size());  // version 2 reads nothing for this class

    CPotRefDatenObject r;
    r.m_time = 4;
    r.m_count = 2;
    r.m_range = {1, 6};
    r.m_x = {0.5f, 1.5f};
    r.m_y = {-1, -2};
    r.m_z = {10, 20};
    Bytes b = ByteWriter().time(4).u8({2, 1}).f32(0.5f).f32(-1).f32(10).u8({6}).f32(1.5f).f32(-2).f32(20).b;
    ExpectBytesBothWays(r, b);
    EXPECT_THROW(Load(r, ByteWriter().time(4).u8({11}).b), ArchiveError);  // past the ten entries

    CPotDatenObject old;
    old.m_time = 12;
    old.m_count = {1, 0, 2, 0};
    old.m_code[0][0] = 9;
    old.m_val1[0] = 1;
    old.m_code[2][1] = 8;
    old.m_val3[21] = 3;
    // clang-format off
    b = ByteWriter().u8({1, 9}).f32(1).f32(0).f32(0).u8({0, 2, 0}).f32(0).f32(0).f32(0)
            .u8({8}).f32(0).f32(0).f32(3).u8({0}).time(12).b;
    // clang-format on
    ExpectBytesBothWays(old, b);
    EXPECT_THROW(Load(old, ByteWriter().u8({200}).b), ArchiveError);  // more codes than a slot holds
}

TEST(Records, LabelLayoutAndFaceName)
{
    CStringDatenObject s;
    s.m_x = 1.5;
    s.m_y = -2.0;
    s.m_font.m_height = -12;
    s.m_font.m_weight = 700;
    s.m_font.m_charSet = 1;
    s.m_font.m_italic = 1;
    s.m_font.m_faceName = std::string(40, 'F');
    s.m_text = "pH 7";
    s.m_colour = 0x0000FF;
    Bytes b = Store(s);
    // Character set, clipping precision, escapement, face name, height, italic, orientation,
    // output precision, pitch, quality, strike-out, underline, weight, width, text, colour, scale.
    // clang-format off
    Bytes expect = ByteWriter().f64(1.5).f64(-2.0).u8({1, 0}).u32(0).str(std::string(40, 'F'))
                       .u32(static_cast<std::uint32_t>(-12)).u8({1}).u32(0).u8({0, 0, 0, 0, 0}).u32(700).u32(0)
                       .str("pH 7").u32(0xFF).f64(1.0).b;
    // clang-format on
    EXPECT_EQ(b, expect);
    CStringDatenObject back;
    Load(back, b);
    EXPECT_EQ(back.m_font.m_faceName, std::string(31, 'F'));
    EXPECT_EQ(CutCharacters("äöüß", 2), "äö");
}

// Fields read as they are come back through the document's save and load.
TEST(Records, GraphSetupMergeRules)
{
    CGrafikSetup file;
    file.m_show1 = {};
    file.m_show2[3] = 1;
    file.m_moduleType[4] = 8;
    file.m_moduleType[5] = 9;
    Bytes b = Store(file);

    CGrafikSetup doc;
    doc.m_show1[2] = 1;       // set in the document, clear in the file
    doc.m_moduleType[4] = 1;  // known here: the file's 8 is dropped
    Load(doc, b);
    EXPECT_EQ(doc.m_show1[2], 1);
    EXPECT_EQ(doc.m_show2[3], 1);
    EXPECT_EQ(doc.m_moduleType[4], 1);
    EXPECT_EQ(doc.m_moduleType[5], 9);

    // A set flag merged with a non-zero byte reads as 1.
    Bytes odd = b;
    odd[1 * 16 + 2] = 7;  // m_show2 of channel 1
    CGrafikSetup d2;
    d2.m_show2[1] = 1;
    Load(d2, odd);
    EXPECT_EQ(d2.m_show2[1], 1);

    CGrafikSetup d3;
    Load(d3, b, 1, b.size());  // versions 0 and 1 read nothing
}

TEST(Records, GraphSetupTableFileLayout)
{
    ByteWriter w;
    for (int i = 0; i < 16; ++i)
        w.u8({i == 0, 1}).f32(2.0f).f32(3.0f).u8({i == 1 ? 5 : 0});
    w.f32(-1).f32(14).u32(9).time(946684800 + 60);
    CGrafikSetup s;
    s.m_show2[0] = 1;
    s.m_factor2[0] = 4.0f;
    s.m_moduleType[1] = 2;
    s.m_legacyFormat = true;
    Load(s, w.b);
    EXPECT_EQ(s.m_show3[1], 0);
    EXPECT_EQ(s.m_show1[9], 1);
    EXPECT_EQ(s.m_show2[0], 0);  // not in this layout: cleared
    EXPECT_EQ(s.m_factor2[0], 1.0f);
    EXPECT_EQ(s.m_factor3[3], 3.0f);
    EXPECT_EQ(s.m_moduleType[1], 2);
    EXPECT_EQ(s.m_yFrom, -1.0f);
    EXPECT_EQ(s.IntervalSeconds(), 60);
}

TEST(Records, VirtualChannelsLogbookAndCurvesByVersion)
{
    CGrafikSetupVirtuell v;
    v.m_enable[1] = 1;
    v.m_sourceY[1] = 3;
    v.m_sourceZ[1] = 47;
    v.m_formula[1] = "y*z";
    Bytes b = Store(v);
    EXPECT_EQ(b, ByteWriter().u8({0, 0, 0, 0, 1, 3, 47}).str("y*z").u8({0, 0, 0, 0, 0, 0, 0, 0}).b);
    CGrafikSetupVirtuell old;
    Load(old, b, 1, b.size());  // version 1 reads nothing, but the table file layout does
    old.m_legacyFormat = true;
    Load(old, b, 1);
    EXPECT_EQ(old.m_formula[1], "y*z");

    CLogBuchObject l;
    l.m_text = "x";
    Load(l, Bytes{}, 0);
    EXPECT_EQ(l.m_text, "");

    // Version 1 holds 36 curves; the rest keep their values.
    ByteWriter w;
    for (int i = 0; i < 36; ++i)
        w.u8({0}).str("c").u32(0x123456);
    CGraphPropObject v1;
    Load(v1, w.b, 1);
    EXPECT_EQ(v1.m_name[35], "c");
    EXPECT_EQ(v1.m_colour[36], CGraphPropObject::kDefaultColours[36]);
}
