// The step program's rules: text and device form, the editor, the table, the slot, the
// settings and the manual payloads.
#include "../data/data_test_util.h"
#include "potentiostat/pot_edit_model.h"
#include "potentiostat/pot_manuell_model.h"
#include "potentiostat/pot_step_setup_model.h"
#include "support/process.h"
#include "support/temp_dir.h"

#include <cmath>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <tuple>

using namespace qor::potentiostat;

namespace {

StepText Step(std::initializer_list<std::pair<int, const char*>> changes)
{
    StepText t = DefaultStepText();
    for (auto [f, v] : changes)
        t[static_cast<std::size_t>(f)] = v;
    return t;
}

TEST(StepText, TextToDeviceForm)
{
    struct Case {
        StepText text;
        float value1, value2, limit;
        std::uint32_t interval;
        std::uint8_t mode, flags, next;  // flags: rest, momentary, below, cyclic, constant as bits 0..4
    };
    const Case cases[] = {
        {DefaultStepText(), 0, 0, 100000, 6000, 1, 0, 0},
        {Step({{F_INTERVAL, "0.05"}}), 0, 0, 100000, 5, 1, 0, 0},
        {Step({{F_INTERVAL, "5"}, {F_INTERVAL_UNIT, "mSec"}}), 0, 0, 100000, 0, 1, 0, 0},
        // clang-format off
        {Step({{F_TYPE, "GALconst."}, {F_VALUE1, "2"}, {F_UNIT1, "mA"}, {F_VALUE2, "-3e2"}, {F_UNIT2, "nA"},
               {F_LIMIT, "<1.5"}, {F_LIMIT_UNIT, "mV"}, {F_START, "R"}, {F_CYCLE, "Z"}, {F_NEXT, "7"}}),
         2000, -0.3f, 1.5f, 6000, 0, 0x1D, 7},
        // clang-format on
        {Step({{F_VALUE1, "M"}, {F_SLEW, "5.0000 mV"}, {F_UNIT1, "mA"}}), 5, 0, 100000, 6000, 1, 0x02, 0},
        {Step({{F_TYPE, "EIS"}, {F_INTERVAL, "12"}, {F_SLEW, "20 mV Vss"}}), 0, 0, 100000, 12 | (20u << 16),
         4, 0, 0},
        {Step({{F_TYPE, "what"}, {F_INTERVAL, "1.5"}, {F_INTERVAL_UNIT, "h"}}), 0, 0, 100000, 540000, 1, 0,
         0},
        {Step({{F_TYPE, "Rest"}, {F_VALUE1, "x12"}}), 0, 0, 100000, 6000, 2, 0, 0},
    };
    for (const Case& c : cases) {
        const DeviceStep d = ToDevice(c.text);
        SCOPED_TRACE(c.text[F_TYPE] + " " + c.text[F_INTERVAL]);
        EXPECT_FLOAT_EQ(d.value1, c.value1);
        EXPECT_FLOAT_EQ(d.value2, c.value2);
        EXPECT_FLOAT_EQ(d.limit, c.limit);
        EXPECT_EQ(d.interval, c.interval);
        EXPECT_EQ(d.mode, c.mode);
        EXPECT_EQ(d.fromRest | d.fromMomentary << 1 | d.limitBelow << 2 | d.cyclic << 3 | d.constant << 4,
                  c.flags);
        EXPECT_EQ(d.next, c.next);
    }
}

TEST(StepText, DeviceFormToTextReadsBackTheSameSteps)
{
    struct Case {
        DeviceStep step;
        std::vector<std::pair<int, std::string>> fields;
    };
    auto step = [](std::uint8_t mode, float v1, float v2, float limit, std::uint32_t interval) {
        DeviceStep d;
        d.number = 3, d.mode = mode, d.value1 = v1, d.value2 = v2, d.limit = limit, d.interval = interval;
        return d;
    };
    // clang-format off
    const Case cases[] = {
        {step(0, 1234.567f, 0.5f, 20, 100),
         {{F_TYPE, "GAL"}, {F_VALUE1, "1.234567"}, {F_UNIT1, "mA"}, {F_VALUE2, "500.00"}, {F_UNIT2, "nA"},
          {F_LIMIT, ">20.0"}, {F_LIMIT_UNIT, "mV"}, {F_INTERVAL, "1000.00"}, {F_INTERVAL_UNIT, "mSec"}}},
        {step(1, -150, 1000, 1500, 70001),
         {{F_TYPE, "POT"}, {F_VALUE1, "-150.00"}, {F_UNIT1, "mV"}, {F_LIMIT, ">1.5"}, {F_LIMIT_UNIT, "mA"},
          {F_INTERVAL, "11.666833"}, {F_INTERVAL_UNIT, "Min"}, {F_SLEW, "1.643 mV"}}},
        {step(2, 7, 7, 10, 50000000),
         {{F_TYPE, "Rest"}, {F_VALUE1, "0.00"}, {F_UNIT1, "  "}, {F_INTERVAL_UNIT, "h"}}},
        {step(4, 0.001f, 100000, 0.25f, 10 | (5u << 16)),
         {{F_TYPE, "EIS"}, {F_VALUE1, "0.001"}, {F_UNIT1, "Hz"}, {F_LIMIT, ">250.0"}, {F_LIMIT_UNIT, "nA"},
          {F_INTERVAL, "10"}, {F_INTERVAL_UNIT, "/decade"}, {F_SLEW, "5 mV Vss"}}},
        {step(9, 1, 2, 3, 4), {{F_TYPE, "x"}}},
    };
    // clang-format on
    for (const Case& c : cases) {
        const StepText t = FromDevice(c.step);
        for (const auto& [f, text] : c.fields)
            EXPECT_EQ(t[static_cast<std::size_t>(f)], text)
                << "field " << f << " of mode " << int(c.step.mode);
        if (c.step.mode == 0 || c.step.mode == 1 || c.step.mode == 4) {
            EXPECT_EQ(ToDevice(t), c.step);
        }
    }
}

TEST(StepText, SlewColumn)
{
    auto slew = [](std::uint8_t mode, float v1, float v2, std::uint32_t ticks, bool momentary = false) {
        DeviceStep d;
        d.mode = mode, d.value1 = v1, d.value2 = v2, d.interval = ticks, d.fromMomentary = momentary;
        return SlewText(d);
    };
    // Volts, mV, mA, µA, rest and sweep amplitudes are read in the device-form and template tests.
    EXPECT_EQ(slew(0, 0, 0.5f, 100), "500.000 nA");
    EXPECT_EQ(slew(0, 5, 0, 0, true), "5.0000 µA");
    // A 5 mSec step is 0 ticks long: no slope, and no division by zero.
    EXPECT_EQ(slew(1, 0, 100, 0), "-");
}

TEST(PotEdit, OkRules)
{
    struct Case {
        const char* name;
        StepText start;
        std::function<void(PotEditModel&)> edit;
        std::vector<std::pair<int, std::string>> fields;
        std::string message;
    };
    // clang-format off
    const Case cases[] = {
        {"GAL ramp clamped to 500 mA at 1 µA/s", Step({{F_TYPE, "GAL"}}),
         [](PotEditModel& m) {
             m.SetType(T_GAL);
             auto& v = m.Values();
             v.value1 = 0, v.unit1 = 1, v.value2 = 600, v.unit2 = 2, v.slew = 1;
         },
         {{F_VALUE2, "500.00"}, {F_UNIT2, "mA"}, {F_INTERVAL, "138.89"}, {F_INTERVAL_UNIT, "h"},
          {F_LIMIT_UNIT, "mV"}}, ""},
        {"POT from the momentary value", DefaultStepText(),
         [](PotEditModel& m) { m.SetMomentary(true), m.Values().slew = 5; },
         {{F_VALUE1, "M"}, {F_SLEW, "5.0000 mV"}, {F_INTERVAL, "0.05"}, {F_INTERVAL_UNIT, "Sec"}}, ""},
        {"POTconst. keeps set point 1", DefaultStepText(),
         [](PotEditModel& m) {
             m.SetType(T_POT_CONST);
             m.Values().value1 = 100, m.Values().value2 = 200, m.Values().interval = 0.004;
         },
         {{F_VALUE1, "100.00"}, {F_VALUE2, "100.00"}, {F_CONSTANT, "1"}, {F_INTERVAL, "0.05"}}, ""},
        {"EIS limits", DefaultStepText(),
         [](PotEditModel& m) {
             m.SetType(T_EIS);
             auto& v = m.Values();
             v.slew = 0, v.interval = 150, v.value1 = 0.001, v.value2 = 1e6;
         },
         {{F_SLEW, "1 mV"}, {F_INTERVAL, "100"}, {F_VALUE1, "0.001"}, {F_VALUE2, "100000.00"},
          {F_UNIT1, "Hz"}}, ""},
        {"descending ramp opened and kept", Step({{F_VALUE1, "100"}, {F_SLEW, "-0.500 V"}}),
         [](PotEditModel&) {}, {{F_INTERVAL, "0.20"}, {F_INTERVAL_UNIT, "Sec"}}, ""},
        {"next 0 ends, passes and samples", DefaultStepText(),
         [](PotEditModel& m) {
             auto& v = m.Values();
             v.slewMode = false, v.next = 0, v.passes = 9, v.sampleIndex = 6;
         },
         {{F_NEXT, "End"}, {F_PASSES, "9"}, {F_SAMPLES, "1000"}, {F_INTERVAL, "60.00"}}, ""},
        {"zero interval", Step({{F_TYPE, "Rest"}}), [](PotEditModel& m) { m.Values().interval = 0; }, {},
         "Input of zero for interval time is not possible."},
        {"zero slew", DefaultStepText(), [](PotEditModel& m) { m.Values().slew = 0; }, {},
         "Input of zero for slew rate is not possible.\n"
         "Please use therefor the input window for interval duration time."},
        {"slew out of range", DefaultStepText(), [](PotEditModel& m) { m.Values().slew = 100001; }, {},
         "Please enter a number between -100000 and 100000."},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PotEditModel m(c.start, 1);
        c.edit(m);
        StepText out = c.start;
        EXPECT_EQ(m.Accept(out), c.message);
        if (!c.message.empty()) {
            EXPECT_EQ(out, c.start);
        }
        for (const auto& [f, text] : c.fields)
            EXPECT_EQ(out[static_cast<std::size_t>(f)], text) << "field " << f;
    }
}

std::vector<std::string> Column(const PotStepSetupModel& m, int column)
{
    std::vector<std::string> v;
    for (int r = 0; r < m.Rows(); ++r)
        v.push_back(m.Cell(r, column));
    return v;
}

// Row `row` goes on to `next` through the editor's change.
void SetNext(PotStepSetupModel& m, int row, const std::string& next)
{
    m.Select(row);
    std::string msg;
    StepText t = *m.BeginChange(msg);
    t[F_NEXT] = next;
    m.EndChange(t);
}

PotStepSetupModel Chain(int n)
{
    PotStepSetupModel m(1);
    for (int i = 0; i < n; ++i) {
        m.Append();
        SetNext(m, i, i + 1 < n ? std::to_string(i + 2) : "End");
    }
    m.ClearModified();
    return m;
}

TEST(PotStepSetup, TableOperations)
{
    // "No step selected!" is checked through the window's buttons.
    PotStepSetupModel m(1);
    m.Append();
    EXPECT_EQ(m.CopyText().substr(0, 28), "1   POT   0   mV   0   mV   ");
    EXPECT_EQ(m.CopyText().substr(m.CopyText().size() - 20), "End   0.000 mV   1\r\n");

    // Deleting step 2 of 1>2>3>4>5: row 1 keeps 2, the rest close up.
    m = Chain(5);
    m.Select(1);
    m.Delete();
    EXPECT_EQ(Column(m, 0), (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(Column(m, 12), (std::vector<std::string>{"2", "3", "4", "End"}));
    EXPECT_EQ(m.Selected(), -1);
    EXPECT_FALSE(m.Modified(0));
    EXPECT_TRUE(m.Modified(1) && m.Modified(3));

    // Regression: inserting on step 2 of 1>2>3 bypassed the new row. It joins the flow.
    m = Chain(3);
    m.ClearModified();
    m.Select(1);
    m.Insert();
    EXPECT_EQ(Column(m, 12), (std::vector<std::string>{"2", "3", "4", "End"}));
    EXPECT_FALSE(m.Modified(0));
    EXPECT_TRUE(m.Modified(1) && m.Modified(3));

    // Regression: an edited EIS row showed its values per decade in seconds until read back.
    m.Select(0);
    PotEditModel eis(m.Row(0), 1);
    eis.SetType(T_EIS);
    StepText edited;
    ASSERT_EQ(eis.Accept(edited), "");
    m.EndChange(edited);
    EXPECT_EQ(m.Cell(0, 9) + " " + m.Cell(0, 10), "60 /decade");

    // An earlier row jumping forward follows its step; a later one jumping back stays.
    m = Chain(4);
    SetNext(m, 0, "4");
    SetNext(m, 3, "1");
    m.Select(2);
    m.Insert();
    EXPECT_EQ(Column(m, 12), (std::vector<std::string>{"5", "3", "4", "5", "1"}));
    m.Select(1);
    m.Delete();
    EXPECT_EQ(Column(m, 12), (std::vector<std::string>{"4", "3", "4", "1"}));
    m.Select(3);
    m.Delete();
    EXPECT_EQ(Column(m, 12), (std::vector<std::string>{"End", "3", "End"}));

    // At most 255 rows, whichever way they come.
    m = PotStepSetupModel(0);
    for (int i = 0; i < 255; ++i)
        ASSERT_EQ(m.Append(), "");
    EXPECT_EQ(m.Append(), "Mehr als 255 Schritte sind nicht möglich.");
    m.Select(3);
    EXPECT_EQ(m.Insert(), "Mehr als 255 Schritte sind nicht möglich.");
    EXPECT_EQ(std::tuple(m.Rows(), m.ProgramSlot(255)[0], m.ProgramSlot(255)[23]), std::tuple(255, 255, 0));
}

TEST(PotPayloads, StepSlotBytes)
{
    DeviceStep d;
    d.value1 = 1.0f, d.value2 = -2.0f, d.limit = 100000.0f, d.interval = 0x01020304, d.mode = 4, d.next = 9;
    d.passes = 3, d.fromRest = 1, d.limitBelow = 1, d.constant = 1, d.samples = 1000;
    const std::uint8_t expected[40] = {7,    0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0xC0, 0x04, 0x03, 0x02,
                                       0x01, 4,    9,    3,    0x00, 0x50, 0xC3, 0x47, 0x15, 200,  1,    0};
    EXPECT_EQ(EncodeSlot(d, 7, true), std::to_array(expected));
    DeviceStep back = DecodeSlot(expected);
    d.number = 7;
    EXPECT_EQ(back, d);
    const std::uint8_t empty[40] = {12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    EXPECT_EQ(EmptySlot(12), std::to_array(empty));
    // Sample codes: 1/s is sent as 0 and read as 1; codes above 200 read as 1.
    for (auto [code, rate] : {std::pair{0, 1u}, {1, 5u}, {200, 1000u}, {201, 1u}}) {
        std::uint8_t slot[40] = {};
        slot[21] = static_cast<std::uint8_t>(code);
        EXPECT_EQ(DecodeSlot(slot).samples, rate);
    }
    d.samples = 1;
    EXPECT_EQ(EncodeSlot(d, 1, false)[21], 0);
}

TEST(PotPayloads, SettingsBothWays)
{
    PotSettings s;
    s.currentRange = 7, s.currentManual = 1, s.voltageRange = 1, s.capacitance = 2, s.filterIndex = 0;
    s.hardwareFilter = 0x52, s.compensation = 1, s.slider1 = 20, s.slider2 = 30;
    const std::uint8_t expected[24] = {0x01, 0x47, 0x48, 2, 150, 0x52, 1, 20, 20, 30, 100};
    EXPECT_EQ(EncodeSettings(s), std::to_array(expected));

    PotStepSetupModel m(0);
    const std::uint8_t answer[24] = {0x02, 0xF5, 0x48, 4, 7, 0x33, 3, 0x85, 0, 40, 12};
    m.TakeSettings(answer);
    PotSettings got = m.Settings();
    EXPECT_EQ(std::tuple(got.currentManual, got.voltageManual, got.currentRange, got.voltageRange,
                         got.filterIndex, got.compensation, int{got.interruptionInterval}, got.aux),
              std::tuple(0, 1, 5, 1, 1, 0, 1, 120u));
    EXPECT_FALSE(m.Compensation().slider1Shown);

    const std::uint8_t ir[24] = {0, 0x40, 0x40, 0, 150, 0, 2, 0x85, 9, 40, 10};
    m.TakeSettings(ir);
    EXPECT_EQ(std::tuple(m.Settings().slider1, m.Settings().irCapacitor), std::tuple(5, 1));
    EXPECT_TRUE(m.Compensation().capacitorShown);
    EXPECT_FALSE(m.Compensation().slider2Shown);
    m.SetCompensation(1);
    EXPECT_EQ(m.Compensation().value1 + " " + m.Compensation().value2, "9 40 %");

    m.SetFirmware(1.01f);
    EXPECT_TRUE(m.FirmwareOutdated());
    m.SetFirmware(1.02f);
    EXPECT_FALSE(m.FirmwareOutdated());
    EXPECT_EQ(m.FirmwareText(), "1.02");
}

TEST(PotManuell, Payloads)
{
    PotManuellModel m;
    const std::uint8_t settings[24] = {0, 0x41, 0x40, 3, 2, 0x52, 1, 7, 8, 9, 10};
    m.TakeSettings(settings);
    EXPECT_EQ(std::tuple(m.Hardware().voltage, m.Hardware().current, m.Hardware().disabled),
              std::tuple(2, 1, true));
    const std::uint8_t state[18] = {0, 1, 1, 0, 0x00, 0x00, 0x48, 0x42};
    m.TakeState(state);
    EXPECT_FLOAT_EQ(m.State().setValue, 50.0f);
    const ManuellView v = m.View();
    EXPECT_EQ(std::tuple(v.unit, v.filterIndex), std::tuple("mV", 3));
    EXPECT_FALSE(v.currentRanges || v.voltageRanges || v.inputFilters);
    const std::uint8_t flags3[24] = {3, 0x41, 0x40};
    m.TakeSettings(flags3);
    EXPECT_TRUE(m.View().currentRanges && m.View().voltageRanges);

    m.SetCurrentRange(7);
    m.SetVoltageRange(1);
    m.SetMode(2);
    m.SetFilterIndex(4);
    m.SetHardwareFilter({3, 2, false});
    EXPECT_TRUE(!m.View().setValue && m.View().voltageRanges);
    const std::uint8_t payload[24] = {3, 0x47, 0x48, 0, 1, 0x23, 0, 0, 0, 0, 100};
    EXPECT_EQ(m.SettingsPayload(), std::to_array(payload));
    // Rest potential still sends the set value last read.
    const std::uint8_t set[18] = {1, 2, 1, 0, 0x00, 0x00, 0x48, 0x42};
    EXPECT_EQ(m.StateSetPayload(), std::to_array(set));
}

// Step program templates of each version, written out byte by byte.
// A template: numbers little-endian, the version as f64, short strings in Windows-1252.
struct Bytes : qor::data::test::ByteWriter {
    Bytes& head(std::uint32_t steps, double version) { return u32(steps).f64(version), *this; }
    Bytes& strs(std::initializer_list<const char*> texts)
    {
        for (const char* t : texts)
            str(t);
        return *this;
    }
    // Settings: voltage range 1, current range 6, manual 1/0, compensation 1, iR byte 0x85,
    // capacitor 1, interruption 20, off time 30, filter 2, capacitance 3, data rate 1.
    Bytes& settings()
    {
        return u32(1).u32(6).u32(1).u32(0).u32(1).u8({0x85}).u32(1).u8({20, 30}).u32(2).u32(3).u32(1), *this;
    }
    Bytes& aux(std::uint32_t v) { return u32(v), *this; }
};

TEST(StpFile, ReadsEachVersion)
{
    struct Case {
        std::vector<std::uint8_t> file;
        std::vector<std::string> columns;  // of the one row after loading
        std::uint32_t aux;
    };
    Bytes v1, v2, v3;
    // clang-format off
    v1.head(1, 1.0)
        .strs({"7", "EMK", "0", "mV", "0", "mV", "50", "mV", "0", "90", "Min", "2", "End"}).settings();
    v2.head(1, 2.0)
        .strs({"1", "POT", "M", "mV", "10", "mV", "<2", "mA", "R", "5", "Sec", "3", "4", "Z", "0", "2.5000 mV",
              "0"}).settings();
    v3.head(1, 3.0)
        .strs({"1", "GAL", "1", "\xB5" "A", "2", "mA", ">3", "mV", "0", "10", "Sec", "1", "End", "0", "0", "x",
              "0", "50"}).aux(70).settings();
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
    many.head(256, 3.0);
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
    Bytes v0, nan, v25, trailing, badRange;
    v0.head(0, 0.0).settings();
    nan.head(0, NAN).settings();
    v25.head(0, 2.5).settings();
    trailing.head(0, 3.0).settings().u8({0});
    badRange.head(0, 3.0).u32(5).u32(0).u32(0).u32(0).u32(0).u8({0}).u32(0).u8({1, 1}).u32(0).u32(0).u32(0);
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
    const qor::test::TempDir tmp;
    const std::string path = tmp / "refused.stp";
    qor::data::test::WriteBytes(path, nan.b);
    std::string out;
    EXPECT_EQ(qor::test::RunProgram({qor::test::BinPath("qortool"), "stp", "dump", path}, &out), 2);
    EXPECT_EQ(out, "");
    std::remove(path.c_str());

    Bytes limits;
    // clang-format off
    limits.head(4, 3.0)
        .strs({"1", "POT", "99999", "mV", "-5", "mV", ">100", "mA", "0", "60", "Sec", "300", "999", "0", "0", "0",
              "0", "7"}).aux(100)
        .strs({"2", "GAL", "1e12", "\xB5" "A", "0", "\xB5" "A", ">100", "mV", "0", "60", "Sec", "1", "1", "0", "0",
              "0", "0", "1"}).aux(100)
        .strs({"3", "EIS", "1e9", "Hz", "0.0001", "Hz", ">100", "mA", "0", "150", "Sec", "0", "End", "0", "0",
              "500 mV", "0", "1000"}).aux(100)
        .strs({"4", "XYZ", "0", "mV", "0", "mV", ">100", "mA", "0", "20000", "Sec", "1", "0", "0", "0", "0", "0",
              "500"}).aux(100)
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
    const qor::test::TempDir tmp;
    const std::string path = tmp / "saved.stp";
    ASSERT_EQ(m.SaveTemplate(path), "");
    Bytes expected;
    // clang-format off
    expected.head(1, 3.0)
        .strs({"1", "POT", "0", "mV", "0", "mV", ">100", "mA", "0", "60", "Sec", "1", "End", "", "0"})
        .u8({8, '0', '.', '0', '0', '0', ' ', 'm', 'V'});
    expected.strs({"0", "1"}).aux(100).settings();
    // clang-format on
    EXPECT_EQ(qor::data::test::ReadBytes(path), expected.b);
    std::remove(path.c_str());
}

}  // namespace
