// The step program's rules: text and device form, the editor, the table, the slot, the
// settings and the manual payloads.
#include "potentiostat/pot_edit_model.h"
#include "potentiostat/pot_manuell_model.h"
#include "potentiostat/pot_step_setup_model.h"

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
    EXPECT_EQ(slew(1, 0, 1000, 100), "1.000 V");
    EXPECT_EQ(slew(1, 0, 5, 100), "5.000 mV");
    EXPECT_EQ(slew(0, 0, 500000, 100), "500.000 mA");
    EXPECT_EQ(slew(0, 10, 0, 100), "-10.000 µA");
    EXPECT_EQ(slew(0, 0, 0.5f, 100), "500.000 nA");
    EXPECT_EQ(slew(1, 5, 0, 0, true), "5.0000 mV");
    EXPECT_EQ(slew(0, 5, 0, 0, true), "5.0000 µA");
    EXPECT_EQ(slew(2, 0, 0, 100), " ");
    EXPECT_EQ(slew(4, 0, 0, 10 | (7u << 16)), "7 mV Vss");
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

PotStepSetupModel Chain(int n)
{
    PotStepSetupModel m(1);
    for (int i = 0; i < n; ++i) {
        m.Append();
        m.Select(i);
        std::string msg;
        StepText t = *m.BeginChange(msg);
        t[F_NEXT] = i + 1 < n ? std::to_string(i + 2) : "End";
        m.EndChange(t);
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
    m.Select(0);
    std::string ignore;
    StepText t = *m.BeginChange(ignore);
    t[F_NEXT] = "4";
    m.EndChange(t);
    m.Select(3);
    t = *m.BeginChange(ignore);
    t[F_NEXT] = "1";
    m.EndChange(t);
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

}  // namespace
