#include "catalogue/slave.h"
#include "data/daten_object.h"
#include "data/grafik_setup.h"
#include "data/grafik_setup_virtuell.h"
#include "data/local_time.h"
#include "export/export_dlg_model.h"
#include "export/text_export.h"

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using qor::exporter::ExportInput;
using qor::exporter::ExportOptions;
using qor::exporter::TextExport;

namespace {

class TextExportTest : public testing::Test {
protected:
    void SetUp() override
    {
        // A fixed zone with summer time, whatever the machine says.
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
        in.samples = &samples;
        in.setup = &setup;
        in.virtuell = &virtuell;
        in.channels[0] = {"pH", {"pH", "mV", "Temp"}, {"pH", "mV", "°C"}};
        in.channels[3] = {"LF", {"Leitwert", "Widerstand", "Temperatur"}, {"µS/cm", "kOhm", "°C"}};
    }

    std::vector<qor::data::CDatenObject> samples;
    qor::data::CGrafikSetup setup;
    qor::data::CGrafikSetupVirtuell virtuell;
    ExportInput in;
};

}  // namespace

TEST_F(TextExportTest, NoSamplesGivesTheHeaderOnly)
{
    ExportOptions o;
    o.columns[3] = {true, false, true};  // the header is Windows-1252
    EXPECT_EQ(TextExport(in, o), "Datum/Zeit\tS3 LF Leitwert [\xb5S/cm]\tS3 LF Temperatur [\xb0"
                                 "C]\t\r\n");
}

TEST_F(TextExportTest, VirtualChannelsUseCodesAndFactors)
{
    virtuell.m_enable = {0, 1, 0, 1};
    virtuell.m_formula = {"", "y*z", "y", "y/z"};
    virtuell.m_sourceY = {0, 0, 0, 9};    // channel 0 value 1; channel 3 value 1
    virtuell.m_sourceZ = {0, 11, 0, 10};  // channel 3 value 3; channel 3 value 2 (zero: error)
    setup.m_factor1[0] = 2.0f;
    setup.m_factor3[3] = 0.5f;
    qor::data::CDatenObject s;
    s.m_time = qor::data::FromLocal(2009, 3, 5, 23, 59, 59);
    s.m_value[0] = 7.0f;
    s.m_value[3] = 1413.0f;
    s.m_temperature[3] = 25.0f;
    samples.push_back(s);
    ExportOptions o;
    o.virtualChannels = true;
    o.precision = 3;
    o.columns[3] = {false, false, true};  // a temperature keeps its one decimal
    // 7 x 2 = 14 times 25 x 0.5 = 12.5 gives 175; 1413 / 0 fails and gives 0.
    EXPECT_EQ(TextExport(in, o), "Datum/Zeit\tS3 LF Temperatur [\xb0"
                                 "C]\tvirtuelle Kan\xe4le 1\tvirtuelle Kan\xe4le 3\t\r\n"
                                 "05.03.2009 23:59:59\t25,0\t175,000\t0,000\t\r\n");
}

TEST_F(TextExportTest, EveryLineEndsWithTabCrLfAcrossMinutesAndDays)
{
    // Two stamps of a corrupt file (their nearest dates, no overflow), then consecutive
    // samples across a minute, a day and the change to summer time; one value no module sent.
    const std::int64_t start = qor::data::FromLocal(2009, 3, 29, 1, 59, 58) - 2;
    for (int i = 0; i < 7; ++i) {
        qor::data::CDatenObject d;
        d.m_time = i == 0 ? INT64_MAX : i == 1 ? INT64_MIN : start + i;
        d.m_value[0] = i == 5 ? std::nanf("") : static_cast<float>(i);
        samples.push_back(d);
    }
    ExportOptions o;
    o.columns[0] = {true, false, false};
    o.precision = 0;
    EXPECT_EQ(TextExport(in, o), "Datum/Zeit\tS0 pH pH [pH]\t\r\n"
                                 "31.12.9999 00:59:59\t0\t\r\n"
                                 "02.01.1 01:00:00\t1\t\r\n"
                                 "29.03.2009 01:59:58\t2\t\r\n"
                                 "29.03.2009 01:59:59\t3\t\r\n"
                                 "29.03.2009 03:00:00\t4\t\r\n"
                                 "29.03.2009 03:00:01\t\t\r\n"
                                 "29.03.2009 03:00:02\t6\t\r\n");
}

// Value 1 is stored times the catalogue's factor: the header names the unit of those numbers.
TEST(ExportHeader, UnitOfValueOneIsTheStoredOne)
{
    std::array<qor::catalogue::CSlave, 16> slaves{};
    for (const auto& [type, unit] :
         {std::pair{1, "pH"}, {5, "µS/cm"}, {24, "µS/cm"}, {64, "µA"}, {69, "µA"}}) {
        slaves[0].m_type = static_cast<std::uint8_t>(type);
        EXPECT_EQ(qor::exporter::DescribeChannels(slaves)[0].unit[0], std::string(unit)) << type;
    }
}

// Numbers with comma or point, separate date and time, English and writing a file are checked
// through qortool export.
TEST_F(TextExportTest, FailedWriteNamesTheFile)
{
    std::string error;
    EXPECT_FALSE(qor::exporter::WriteTextExport("/nonexistent-dir/x.txt", in, ExportOptions(), &error));
    EXPECT_NE(error.find("x.txt"), std::string::npos);
}

// Which boxes start checked and enabled is checked through the main window's export.
TEST(ExportDlg, RecordedColumnsStartCheckedOthersCannotBe)
{
    std::array<qor::catalogue::CSlave, 16> slaves{};
    slaves[0].m_type = slaves[2].m_type = 1;
    qor::data::CGrafikSetup setup;
    qor::data::CGrafikSetupVirtuell virtuell;
    setup.m_show3[0] = 1;  // one flag is enough for all three boxes
    qor::exporter::ExportDlgModel dlg(slaves, setup, virtuell, 0);
    dlg.SetChecked(2, 0, true);  // a module, but nothing recorded: its columns cannot be added
    EXPECT_FALSE(dlg.VirtualBox().enabled);
    dlg.SetChecked(0, 1, false);
    const ExportOptions o = dlg.Options(4);
    EXPECT_EQ(o.columns[0], (std::array<bool, 3>{true, false, true}));
    EXPECT_FALSE(o.columns[2][0]);
    EXPECT_FALSE(o.virtualChannels);

    virtuell.m_enable[2] = 1;
    EXPECT_TRUE(qor::exporter::ExportDlgModel(slaves, setup, virtuell, 1).VirtualBox().checked);
}
