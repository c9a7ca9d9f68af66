// qortool eval, export and curves as a user runs them (skipped when qortool was not built).
#include "../data/data_test_util.h"
#include "cli/silent_document_ui.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using qor::test::BinPath;
using qor::test::RunProgram;

namespace {

std::string Out(const std::vector<std::string>& argv)
{
    std::string out;
    RunProgram(argv, &out);
    return out;
}

}  // namespace

TEST(Qortool, Eval)
{
    const std::string tool = BinPath("qortool");
    if (!std::filesystem::exists(tool))
        GTEST_SKIP() << "qortool not built";
    EXPECT_EQ(Out({tool, "eval", "8-2+1"}), "5\n");
    EXPECT_EQ(Out({tool, "eval", "sin(0.5)-1"}), "-0.52057446139600005\n");
    EXPECT_EQ(Out({tool, "eval", "ln(0)"}), "error\n");
    EXPECT_EQ(Out({tool, "eval", "y/z", "--y", "1", "--z", "0"}), "0\n");
    EXPECT_EQ(
        Out({"/bin/sh", "-c",
             "printf \"8-2+1\\ny/z\\t5\\t0\\ny-z\\t1\\t-2.5\\n)1(\\r\\n2^3^2\" | " + tool + " eval --batch"}),
        "5\n0\n3.5\nerror\n64\n");
}

TEST(Qortool, ExportOfADocument)
{
    const std::string tool = BinPath("qortool");
    if (!std::filesystem::exists(tool))
        GTEST_SKIP() << "qortool not built";
    const qor::test::TempDir tmp;
    const std::string qo3 = tmp / "qortool_export_test.qo3";
    {
        qor::cli::CommandDocument d;
        qor::data::CGrafikSetup setup;
        setup.m_moduleType[0] = 1;
        setup.m_show1[0] = 1;
        qor::data::CGrafikSetupVirtuell virtuell;
        virtuell.m_enable[0] = 1;
        virtuell.m_formula[0] = "y*2";
        d.doc.SetGrafikSetup(setup, &virtuell);
        qor::data::CDatenObject s;
        s.m_time = 1236258429;  // 5 March 2009 14:07:09 CET
        s.m_value[0] = 7.25f;
        s.m_value2[0] = -1.5f;
        s.m_temperature[0] = 21.5f;
        d.doc.AppendSample(s);
        ASSERT_TRUE(d.doc.WriteFile(qo3).ok);
    }
    auto run = [&](std::vector<std::string> options) {
        options.insert(options.begin(), {"/usr/bin/env", "TZ=CET-1CEST,M3.5.0,M10.5.0/3", tool, "export", qo3,
                                         "--out", "/dev/stdout"});
        std::string out;
        EXPECT_EQ(RunProgram(options, &out), 0);
        return out;
    };
    EXPECT_EQ(run({"--precision", "2"}),
              "Datum/Zeit\tS0 pH - Verst\xe4rker pH Wert [pH]\tS0 pH - Verst\xe4rker Kettenspannung [mV]\t"
              "S0 pH - Verst\xe4rker Temperatur [\xb0"
              "C]\tvirtuelle Kan\xe4le 0\t\r\n"
              "05.03.2009 14:07:09\t7,25\t-1,50\t21,5\t14,50\t\r\n");
    EXPECT_EQ(run({"--precision", "1", "--point", "--separate", "--no-virtual", "--lang", "1"}),
              "Date\tTime\tS0 pH - amplifier pH value [pH]\tS0 pH - amplifier mV - value [mV]\t"
              "S0 pH - amplifier temperature [\xb0"
              "C]\t\r\n"
              "05.03.2009\t14:07:09\t7.2\t-1.5\t21.5\t\r\n");
    EXPECT_NE(RunProgram({tool, "export", "/nonexistent.qo3", "--out", "/dev/null"}), 0);
    std::filesystem::remove(qo3);
}

TEST(Qortool, CurvesOfADocument)
{
    const std::string tool = BinPath("qortool");
    if (!std::filesystem::exists(tool))
        GTEST_SKIP() << "qortool not built";
    // Address 0 (pH amplifier) shows values 1 and 2, the second scaled by 10 and renamed;
    // virtual channel 0 doubles value 1 and is hidden. The second sample missed value 1 (NaN):
    // a gap on its curve and on the channel. The file as it lies on disk:
    qor::data::test::TempDir dir;
    qor::data::test::ByteWriter w;
    w.u16(2).newClass("CDatenObject");  // samples
    for (int i = 0; i < 2; ++i) {
        if (i > 0)
            w.u16(0x8001);
        w.time(1236258429 + i);
        if (i == 0)
            w.f32(7.25f);
        else
            w.u32(0x7FC00000);  // not a number
        w.f32(-1.5f).f32(0).f32s(0, 45);
    }
    w.u8({0, 1, 1}).f32(1).f32(10).f32(1).u8({1});  // graph setup: address 0 shows 1 and 2
    for (int a = 1; a < 16; ++a)
        w.u8({0, 0, 0}).f32s(1, 3).u8({0});
    w.f32(0).f32(100).u32(2).time(10);
    w.u8({1, 0, 0}).str("y*2");  // virtual channel 0
    for (int v = 1; v < 4; ++v)
        w.u8({0, 0, 0}).str("");
    w.str("");                              // logbook
    for (std::uint32_t c = 0; c < 54; ++c)  // curve properties, colours as 0x00BBGGRR
        w.u8({c == 2 ? 0 : 1}).str(c == 1 ? "mV \"raw\"" : "").u32(c < 3 ? 0xFF + c * 0x100 : 0);
    for (int list = 0; list < 5; ++list)  // potentiostat, impedance, labels, spare
        w.u16(0);
    qor::data::test::WriteBytes(dir / "c.qo3", w.b);
    std::string out;
    EXPECT_EQ(RunProgram({tool, "curves", dir / "c.qo3", "--points"}, &out), 0);
    EXPECT_EQ(
        out,
        "{\"view\":{\"xFrom\":0,\"xTo\":500,\"yFrom\":0,\"yTo\":100},\"curves\":[\n"
        "{\"label\":\"S0 pH - Verst\u00e4rker pH Wert [pH] * 1.0\",\"colour\":\"#ff0000\",\"visible\":true,"
        "\"source\":{\"kind\":\"value\",\"address\":0,\"value\":1},\"count\":2,"
        "\"points\":[[0,7.25],[1,null]]},\n"
        "{\"label\":\"mV \\\"raw\\\"\",\"colour\":\"#ff0100\",\"visible\":true,"
        "\"source\":{\"kind\":\"value\",\"address\":0,\"value\":2},\"count\":2,"
        "\"points\":[[0,-15],[1,-15]]},\n"
        "{\"label\":\"pH - Verst\u00e4rker pH virtuell pH - Verst\u00e4rker pH\",\"colour\":\"#ff0200\","
        "\"visible\":false,\"source\":{\"kind\":\"virtual\",\"channel\":0},\"count\":2,"
        "\"points\":[[0,14.5],[1,null]]}]}\n");
    out.clear();
    EXPECT_EQ(RunProgram({tool, "curves", dir / "c.qo3", "--lang", "en"}, &out), 0);
    EXPECT_NE(
        out.find(
            "{\"label\":\"S0 pH - amplifier pH value [pH] * 1.0\",\"colour\":\"#ff0000\",\"visible\":true,"
            "\"source\":{\"kind\":\"value\",\"address\":0,\"value\":1},\"count\":2},\n"),
        std::string::npos)
        << out;
    EXPECT_NE(RunProgram({tool, "curves", dir / "missing.qo3"}), 0);
}
