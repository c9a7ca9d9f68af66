// qortool pot export-run and run-graph on a document written here.
#include "cli/silent_document_ui.h"
#include "support/process.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

using qor::test::BinPath;
using qor::test::RunProgram;

int Qortool(std::vector<std::string> args, std::string& out)
{
    args.insert(args.begin(), {"/bin/sh", "-c", "exec \"$0\" \"$@\" 2>&1", BinPath("qortool"), "pot"});
    out.clear();
    return RunProgram(args, &out);
}

TEST(PotRunCli, ExportAndGraphsOfADocument)
{
    const std::string dir = testing::TempDir(), qo3 = dir + "qor_pot_run_cli.qo3",
                      txt = dir + "qor_pot_run_cli.txt";
    {
        qor::cli::CommandDocument d;
        qor::data::CPotQORDatenObject s;
        s.m_counter = 4294967000u;
        s.m_raw = {1234, -567, 89};
        s.m_status = 4;
        s.m_range = 0x03;
        d.doc.m_pot.push_back(s);
        s.m_counter = 200;  // wrapped: 0.496 s
        s.m_raw = {1234, 1234, 0};
        s.m_status = 1;
        s.m_range = 0x0D;  // mA range, potential unscaled
        d.doc.m_pot.push_back(s);
        ASSERT_TRUE(d.doc.WriteFile(qo3).ok);
    }
    std::string out;
    ASSERT_EQ(Qortool({"export-run", qo3, txt, "--comma"}, out), 0) << out;
    std::ifstream f(txt, std::ios::binary);
    std::stringstream bytes;
    bytes << f.rdbuf();
    EXPECT_EQ(bytes.str(), "step\ttype\tcurrent[\xB5"
                           "A]\tvoltage[mV]\ttarget\r\n4\t3\t12,34\t-56,70\t8,90\t\r\n"
                           "1\t13\t1234,00\t1234,00\t0,00\t\r\n");

    ASSERT_EQ(Qortool({"run-graph", qo3}, out), 0) << out;
    EXPECT_EQ(out, "{\"samples\": [\n"
                   "  {\"time\": 0, \"current\": 12.34, \"potential\": -56.7, \"target\": 8.9},\n"
                   "  {\"time\": 0.496, \"current\": 1234, \"potential\": 1234, \"target\": 0}\n"
                   "],\n \"time_limit\": 1,\n \"graphs\": [{\"x\": [0, 1], \"y\": [0, 1234]}, "
                   "{\"x\": [0, 1], \"y\": [-56.7, 1234]}, {\"x\": [0, 1234], \"y\": [-56.7, 1234]}]}\n");

    const std::pair<std::vector<std::string>, std::string> wrong[] = {
        {{"run-graph", dir + "missing.qo3", "--lang", "en"},
         "qortool: no such file: " + dir + "missing.qo3\n"},
        {{"export-run", qo3}, "qortool: Aufruf: qortool pot export-run FILE.qo3 OUT.txt [--comma]\n"},
        {{"run-graph", qo3, "--comma", "--lang", "en"}, "qortool: usage: qortool pot run-graph FILE.qo3\n"},
        {{"export-run", qo3, dir + "no/such/dir.txt", "--lang", "en"},
         "qortool: cannot write " + dir + "no/such/dir.txt\n"},
    };
    for (const auto& [args, says] : wrong) {
        EXPECT_EQ(Qortool(args, out), 2) << says;
        EXPECT_EQ(out, says);
    }
}

}  // namespace
