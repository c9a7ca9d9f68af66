// qortool eval and export as a user runs them (skipped when qortool was not built).
#include "cli/silent_document_ui.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace {

const std::string kTool = std::string(QOR_BIN_DIR) + "/qortool";

std::string Shell(const std::string& command, int* status = nullptr)
{
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    const int rc = pclose(p);
    if (status)
        *status = rc;
    return out;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

}  // namespace

TEST(Qortool, Eval)
{
    if (!std::filesystem::exists(kTool))
        GTEST_SKIP() << "qortool not built";
    EXPECT_EQ(Shell(kTool + " eval '8-2+1'"), "5\n");
    EXPECT_EQ(Shell(kTool + " eval 'sin(0.5)-1'"), "-0.52057446139600005\n");
    EXPECT_EQ(Shell(kTool + " eval 'ln(0)'"), "error\n");
    EXPECT_EQ(Shell(kTool + " eval 'y/z' --y 1 --z 0"), "0\n");
    EXPECT_EQ(
        Shell("printf '8-2+1\\ny/z\\t5\\t0\\ny-z\\t1\\t-2.5\\n)1(\\r\\n2^3^2' | " + kTool + " eval --batch"),
        "5\n0\n3.5\nerror\n64\n");
}

TEST(Qortool, ExportOfADocument)
{
    if (!std::filesystem::exists(kTool))
        GTEST_SKIP() << "qortool not built";
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    const std::string dir = testing::TempDir();
    const std::string qo3 = dir + "qortool_export_test.qo3";
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
    const std::string txt = dir + "qortool_export_test.txt";
    int status = 0;
    Shell("TZ='CET-1CEST,M3.5.0,M10.5.0/3' " + kTool + " export " + qo3 + " --out " + txt + " --precision 2",
          &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadAll(txt),
              "Datum/Zeit\tS0 pH - Verst\xe4rker pH Wert [pH]\tS0 pH - Verst\xe4rker Kettenspannung [mV]\t"
              "S0 pH - Verst\xe4rker Temperatur [\xb0"
              "C]\tvirtuelle Kan\xe4le 0\t\r\n"
              "05.03.2009 14:07:09\t7,25\t-1,50\t21,5\t14,50\t\r\n");
    Shell("TZ='CET-1CEST,M3.5.0,M10.5.0/3' " + kTool + " export " + qo3 + " --out " + txt +
              " --precision 1 --point --separate --no-virtual --lang 1",
          &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadAll(txt), "Date\tTime\tS0 pH - amplifier pH value [pH]\tS0 pH - amplifier mV - value [mV]\t"
                            "S0 pH - amplifier temperature [\xb0"
                            "C]\t\r\n"
                            "05.03.2009\t14:07:09\t7.2\t-1.5\t21.5\t\r\n");
    Shell(kTool + " export /nonexistent.qo3 --out " + txt + " 2>/dev/null", &status);
    EXPECT_NE(status, 0);
    std::remove(qo3.c_str());
    std::remove(txt.c_str());
}
