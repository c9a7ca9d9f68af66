#include "data/archive.h"
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

#include <gtest/gtest.h>

using namespace qor::data;
using namespace qor::data::test;

namespace {
template <class R> Bytes Store(R& r)
{
    Bytes out;
    Archive ar = Archive::Store(out);
    r.Serialize(ar);
    ar.Flush();
    return out;
}
// Reads a record from `b` as a file of the version given, which leaves `unread` bytes.
template <class R> void Load(R& r, const Bytes& b, int version = 3, std::size_t unread = 0)
{
    Archive ar = Archive::Load(b.data(), b.size());
    ar.SetFileVersion(version);
    r.Serialize(ar);
    EXPECT_EQ(ar.Remaining(), unread);
}
// Read back from its bytes, a record writes the same bytes again.
template <class R> void ExpectSameBytesAfterLoad(const Bytes& b)
{
    R back;
    Load(back, b);
    EXPECT_EQ(Store(back), b);
}
}  // namespace

TEST(Records, PotentiostatBlock)
{
    const std::uint8_t block[12] = {0x01, 0, 0, 0, 0x05, 0x02, 0x10, 0, 0x20, 0, 0x30, 0};
    auto p = CPotQORDatenObject::FromBlock(block, 77);
    EXPECT_EQ(Store(p), ByteWriter().time(77).u32(1).u16(16).u16(32).u16(48).u8({5, 2}).b);
    const std::uint8_t neg[12] = {0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0x00, 0x80, 0, 0};
    EXPECT_EQ(CPotQORDatenObject::FromBlock(neg, 0).m_raw[0], -1);
    EXPECT_EQ(CPotQORDatenObject::FromBlock(neg, 0).m_raw[1], -32768);
}

TEST(Records, ImpedanceBlock)
{
    ByteWriter w;
    w.u32(7).f32(1000.0f).f32(-45.5f).f32(12.25f).u8({3, 4});
    auto e = CEISDatenObject::FromBlock(w.b.data(), 9);
    Bytes expect = ByteWriter().time(9).append(w.b).u16(0).b;
    EXPECT_EQ(Store(e), expect);
    ExpectSameBytesAfterLoad<CEISDatenObject>(expect);
    CEISDatenObject none;
    Load(none, expect, 2, expect.size());  // version 2 reads nothing for this class
}

TEST(Records, ReferencePoints)
{
    CPotRefDatenObject r;
    r.m_time = 4;
    r.m_count = 2;
    r.m_range = {1, 6};
    r.m_x = {0.5f, 1.5f};
    r.m_y = {-1, -2};
    r.m_z = {10, 20};
    Bytes b = ByteWriter().time(4).u8({2, 1}).f32(0.5f).f32(-1).f32(10).u8({6}).f32(1.5f).f32(-2).f32(20).b;
    EXPECT_EQ(Store(r), b);
    ExpectSameBytesAfterLoad<CPotRefDatenObject>(b);

    EXPECT_THROW(Load(r, ByteWriter().time(4).u8({11}).b), ArchiveError);  // past the ten entries
}

TEST(Records, OldPotentiostatLayout)
{
    CPotDatenObject p;
    p.m_time = 12;
    p.m_count = {1, 0, 2, 0};
    p.m_code[0][0] = 9;
    p.m_val1[0] = 1;
    p.m_code[2][1] = 8;
    p.m_val3[21] = 3;
    // clang-format off
    Bytes b = ByteWriter().u8({1, 9}).f32(1).f32(0).f32(0).u8({0, 2, 0}).f32(0).f32(0).f32(0)
                  .u8({8}).f32(0).f32(0).f32(3).u8({0}).time(12).b;
    // clang-format on
    EXPECT_EQ(Store(p), b);
    ExpectSameBytesAfterLoad<CPotDatenObject>(b);
    EXPECT_THROW(Load(p, ByteWriter().u8({200}).b), ArchiveError);  // more codes than a slot holds
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
    EXPECT_EQ(back.m_font.m_height, -12);
    EXPECT_EQ(CutCharacters("äöüß", 2), "äö");
}

TEST(Records, GraphSetupMergeRules)
{
    CGrafikSetup file;
    file.m_show1 = {};
    file.m_show2[3] = 1;
    file.m_moduleType[4] = 8;
    file.m_moduleType[5] = 9;
    file.m_factor1[2] = 2.5f;
    file.m_sampleCount = 42;
    file.SetInterval(1, 2, 3);
    Bytes b = Store(file);

    CGrafikSetup doc;
    doc.m_show1[2] = 1;       // set in the document, clear in the file
    doc.m_moduleType[4] = 1;  // known here: the file's 8 is dropped
    Load(doc, b);
    EXPECT_EQ(doc.m_show1[2], 1);
    EXPECT_EQ(doc.m_show2[3], 1);
    EXPECT_EQ(doc.m_moduleType[4], 1);
    EXPECT_EQ(doc.m_moduleType[5], 9);
    EXPECT_EQ(doc.m_factor1[2], 2.5f);
    EXPECT_EQ(doc.m_sampleCount, 42u);
    EXPECT_EQ(doc.IntervalSeconds(), 3723);

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

TEST(Records, VirtualChannelsByVersion)
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
}

TEST(Records, LogbookAndCurvesByVersion)
{
    CLogBuchObject l;
    l.m_text = "x";
    Bytes none;
    Load(l, none, 0);
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
