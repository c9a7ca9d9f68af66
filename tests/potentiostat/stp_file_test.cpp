// Step program templates of each version, written out byte by byte.
#include "potentiostat/pot_step_setup_model.h"
#include "support/process.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace qor::potentiostat;

namespace {

struct Bytes {
    std::vector<std::uint8_t> b;
    Bytes& u8(std::uint8_t v) { return b.push_back(v), *this; }
    Bytes& u32(std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            u8(static_cast<std::uint8_t>(v >> (8 * i)));
        return *this;
    }
    Bytes& raw(std::initializer_list<std::uint8_t> v) { return b.insert(b.end(), v), *this; }
    Bytes& ver(const std::uint8_t (&v)[8]) { return b.insert(b.end(), v, v + 8), *this; }
    // Short strings: the length byte, then the text in Windows-1252.
    Bytes& str(std::initializer_list<const char*> texts)
    {
        for (const char* t : texts) {
            u8(static_cast<std::uint8_t>(std::strlen(t)));
            b.insert(b.end(), t, t + std::strlen(t));
        }
        return *this;
    }
    // Settings: voltage range 1, current range 6, manual 1/0, compensation 1, iR byte 0x85,
    // capacitor 1, interruption 20, off time 30, filter 2, capacitance 3, data rate 1.
    Bytes& settings()
    {
        return u32(1).u32(6).u32(1).u32(0).u32(1).u8(0x85).u32(1).u8(20).u8(30).u32(2).u32(3).u32(1);
    }
};

constexpr std::uint8_t kV1[] = {0, 0, 0, 0, 0, 0, 0xF0, 0x3F};  // 1.0 as f64
constexpr std::uint8_t kV2[] = {0, 0, 0, 0, 0, 0, 0x00, 0x40};
constexpr std::uint8_t kV3[] = {0, 0, 0, 0, 0, 0, 0x08, 0x40};

TEST(StpFile, ReadsEachVersion)
{
    struct Case {
        std::vector<std::uint8_t> file;
        std::vector<std::string> columns;  // of the one row after loading
        std::uint32_t aux;
    };
    Bytes v1, v2, v3;
    // clang-format off
    v1.u32(1).ver(kV1)
        .str({"7", "EMK", "0", "mV", "0", "mV", "50", "mV", "0", "90", "Min", "2", "End"}).settings();
    v2.u32(1).ver(kV2)
        .str({"1", "POT", "M", "mV", "10", "mV", "<2", "mA", "R", "5", "Sec", "3", "4", "Z", "0", "2.5000 mV",
              "0"}).settings();
    v3.u32(1).ver(kV3)
        .str({"1", "GAL", "1", "\xB5" "A", "2", "mA", ">3", "mV", "0", "10", "Sec", "1", "End", "0", "0", "x",
              "0", "50"}).u32(70).settings();
    // clang-format on
    const Case cases[] = {
        {v1.b, {"1", "Rest", "0", "mV", "0", "mV", ">50", "mV", "0", "90", "Min", "2", "End", " ", "1"}, 100},
        {v2.b,
         {"1", "POT", "M", "mV", "10", "mV", "<2", "mA", "R", "5", "Sec", "3", "End", "2.5000 mV", "1"},
         100},
        {v3.b,
         {"1", "GAL", "1", "µA", "2", "mA", ">3", "mV", "0", "10", "Sec", "1", "End", "199.900 µA", "50"},
         70},
    };
    for (const Case& c : cases) {
        StpTemplate t;
        ASSERT_EQ(ReadStp(c.file.data(), c.file.size(), t), StpRead::Ok);
        PotStepSetupModel m(0);
        m.Settings().hardwareFilter = 0x12;
        EXPECT_EQ(m.ApplyTemplate(StpRead::Ok, t), "");
        ASSERT_EQ(m.Rows(), 1);
        for (int col = 0; col < kColumnCount; ++col)
            EXPECT_EQ(m.Cell(0, col), c.columns[static_cast<std::size_t>(col)]) << "column " << col;
        const PotSettings& s = m.Settings();
        EXPECT_EQ(std::vector<int>({s.voltageRange, s.currentRange, s.voltageManual, s.currentManual,
                                    s.compensation, s.irByte, s.irCapacitor, s.interruptionInterval,
                                    s.offTime, s.filterIndex, s.capacitance, s.dataRate10Hz, s.slider1,
                                    s.slider2, s.hardwareFilter}),
                  std::vector<int>({1, 6, 1, 0, 1, 0x85, 1, 20, 30, 2, 3, 1, 20, 30, 0x12}));
        EXPECT_EQ(s.aux, c.aux);
        EXPECT_TRUE(m.Modified(0));
    }
    // Cut short anywhere, or claiming a 256th step, the file changes nothing.
    for (std::size_t cut : {std::size_t{0}, std::size_t{3}, v3.b.size() - 1}) {
        StpTemplate t;
        EXPECT_EQ(ReadStp(v3.b.data(), cut, t), StpRead::Unreadable);
    }
    Bytes many;
    many.u32(256).ver(kV3);
    StpTemplate t;
    EXPECT_EQ(ReadStp(many.b.data(), many.b.size(), t), StpRead::TooManySteps);
    PotStepSetupModel m(1);
    m.Append();
    EXPECT_EQ(m.ApplyTemplate(StpRead::TooManySteps, t), "More than 255 steps are not possible.");
    EXPECT_EQ(m.Rows(), 1);
    EXPECT_EQ(m.LoadTemplate("steps.txt"), "Wrong file type.");
}

// Regression: other versions were read with their steps taken as settings, trailing bytes went
// unnoticed, and values no editor allows went to the module.
TEST(StpFile, RefusedAndLimitedTemplates)
{
    constexpr std::uint8_t kV0[] = {0, 0, 0, 0, 0, 0, 0, 0};
    constexpr std::uint8_t kNaN[] = {0, 0, 0, 0, 0, 0, 0xF8, 0x7F};
    constexpr std::uint8_t kV25[] = {0, 0, 0, 0, 0, 0, 0x04, 0x40};
    Bytes v0, nan, v25, trailing, badRange;
    v0.u32(0).ver(kV0).settings();
    nan.u32(0).ver(kNaN).settings();
    v25.u32(0).ver(kV25).settings();
    trailing.u32(0).ver(kV3).settings().u8(0);
    badRange.u32(0).ver(kV3).u32(5).u32(0).u32(0).u32(0).u32(0).u8(0).u32(0).u8(1).u8(1).u32(0).u32(0).u32(0);
    const std::pair<const Bytes*, std::string> refused[] = {
        {&v0, "The model has an unknown version (0)."},
        {&nan, "The model has an unknown version (nan)."},
        {&v25, "The model has an unknown version (2.5)."},
        {&trailing, "More data follows the end of the model."},
        {&badRange, "The model has an invalid setting: voltageRange = 5."},
    };
    for (const auto& [file, message] : refused) {
        StpTemplate t;
        PotStepSetupModel m(1);
        m.Append();
        EXPECT_EQ(m.ApplyTemplate(ReadStp(file->b.data(), file->b.size(), t), t), message);
        EXPECT_EQ(m.Rows(), 1);
        EXPECT_EQ(m.Cell(0, 1), "POT");
    }

    // qortool says so too: a refused template fails `stp dump`.
    const std::string path = testing::TempDir() + "refused.stp";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(nan.b.data()), long(nan.b.size()));
    std::string out;
    EXPECT_EQ(qor::test::RunProgram({qor::test::BinPath("qortool"), "stp", "dump", path}, &out), 2);
    EXPECT_EQ(out, "");
    std::remove(path.c_str());

    Bytes limits;
    // clang-format off
    limits.u32(4).ver(kV3)
        .str({"1", "POT", "99999", "mV", "-5", "mV", ">100", "mA", "0", "60", "Sec", "300", "999", "0", "0", "0",
              "0", "7"}).u32(100)
        .str({"2", "GAL", "1e12", "\xB5" "A", "0", "\xB5" "A", ">100", "mV", "0", "60", "Sec", "1", "1", "0", "0",
              "0", "0", "1"}).u32(100)
        .str({"3", "EIS", "1e9", "Hz", "0.0001", "Hz", ">100", "mA", "0", "150", "Sec", "0", "End", "0", "0",
              "500 mV", "0", "1000"}).u32(100)
        .str({"4", "XYZ", "0", "mV", "0", "mV", ">100", "mA", "0", "20000", "Sec", "1", "0", "0", "0", "0", "0",
              "500"}).u32(100)
        .settings();
    // clang-format on
    StpTemplate t;
    PotStepSetupModel m(1);
    ASSERT_EQ(m.ApplyTemplate(ReadStp(limits.b.data(), limits.b.size(), t), t), "");
    const std::vector<std::vector<std::string>> rows = {
        {"1", "POT", "2000", "mV", "-5", "mV", ">100", "mA", "0", "60", "Sec", "255", "End", "-0.033 V", "5"},
        {"2", "GAL", "500000", "µA", "0", "µA", ">100", "mV", "0", "60", "Sec", "1", "1", "-8.333 mA", "1"},
        {"3", "EIS", "100000", "Hz", "0.001", "Hz", ">100", "mA", "0", "100", "/decade", "1", "End",
         "100 mV Vss", "1000"},
        {"4", "POT", "0", "mV", "0", "mV", ">100", "mA", "0", "10000", "Sec", "1", "End", "0.000 mV", "500"},
    };
    ASSERT_EQ(m.Rows(), 4);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < kColumnCount; ++c)
            EXPECT_EQ(m.Cell(r, c), rows[std::size_t(r)][std::size_t(c)]) << "row " << r << " column " << c;
    for (const char* line :
         {"\nstep 1: Target1 99999 → 2000\n", "\nstep 1: count 300 → 255\n", "\nstep 1: Next 999 → End\n",
          "\nstep 1: Sample/Sec 7 → 5\n", "\nstep 3: amplitude 500 mV → 100 mV\n", "\nstep 3: count 0 → 1\n",
          "\nstep 4: Type XYZ → POT\n", "\nstep 4: Next 0 → End"})
        EXPECT_NE(m.LoadNote().find(line), std::string::npos) << line << m.LoadNote();
    EXPECT_EQ(m.CheckProgram(), "");

    // A row the module gave back is not programmed as it is.
    DeviceStep d = ToDevice(DefaultStepText());
    d.next = 231;
    m.BeginReadBack();
    m.AddReadStep(d);
    EXPECT_EQ(m.CheckProgram(),
              "Not programmed, the editor does not allow this value:\nstep 1: Next 231 → End");
    EXPECT_EQ(m.TransferText(true, false, false), "Not programmed, the editor does not allow this value:");
    m.Select(0);
    m.EndChange(DefaultStepText());
    m.Settings().currentRange = 9;
    EXPECT_EQ(m.CheckProgram(), "The model has an invalid setting: currentRange = 9.");
}

TEST(StpFile, SavedTemplateBytes)
{
    PotStepSetupModel m(0);
    m.Append();
    m.Settings().voltageRange = 1, m.Settings().currentRange = 6, m.Settings().voltageManual = 1;
    m.Settings().compensation = 1, m.Settings().irByte = 0x85, m.Settings().irCapacitor = 1;
    m.Settings().interruptionInterval = 20, m.Settings().offTime = 30, m.Settings().filterIndex = 2;
    m.Settings().capacitance = 3, m.Settings().dataRate10Hz = 1;
    const std::string path = testing::TempDir() + "saved.stp";
    ASSERT_EQ(m.SaveTemplate(path), "");
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> written((std::istreambuf_iterator<char>(in)), {});
    Bytes expected;
    // clang-format off
    expected.u32(1).ver(kV3)
        .str({"1", "POT", "0", "mV", "0", "mV", ">100", "mA", "0", "60", "Sec", "1", "End", "", "0"})
        .raw({8, '0', '.', '0', '0', '0', ' ', 'm', 'V'}).str({"0", "1"}).u32(100).settings();
    // clang-format on
    EXPECT_EQ(written, expected.b);
    std::remove(path.c_str());
}

}  // namespace
