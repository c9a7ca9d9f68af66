#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace qor::potentiostat {

// The fields of a step in its text form, in the order the editor and the template use.
enum Field : int {
    F_NUMBER = 0,
    F_TYPE,
    F_VALUE1,
    F_UNIT1,
    F_VALUE2,
    F_UNIT2,
    F_LIMIT,
    F_LIMIT_UNIT,
    F_START,
    F_CYCLE,
    F_RESERVED,
    F_CONSTANT,
    F_INTERVAL,
    F_INTERVAL_UNIT,
    F_PASSES,
    F_NEXT,
    F_SLEW,
    F_SAMPLES,
    kFieldCount
};

// One row of the step table as text: what the user sees and edits and what a template keeps.
using StepText = std::array<std::string, kFieldCount>;

// The six step types in the editor's order.
enum StepType : int { T_GAL = 0, T_POT, T_REST, T_GAL_CONST, T_POT_CONST, T_EIS, kTypeCount };

// Device modes a step runs in.
enum DeviceMode : std::uint8_t { M_GAL = 0, M_POT = 1, M_REST = 2, M_EIS = 4 };

inline constexpr std::array<const char*, kTypeCount> kTypeText{"GAL",       "POT",       "Rest",
                                                               "GALconst.", "POTconst.", "EIS"};
inline constexpr std::array<std::uint8_t, kTypeCount> kTypeMode{M_GAL, M_POT, M_REST, M_GAL, M_POT, M_EIS};

// Type index of a type text; a text that matches none is a POT step.
int TypeIndex(std::string_view text);
bool IsConstantType(int type);

// Factor that brings a value in `unit` to the device's base unit (µA, mV, Hz, 10 ms ticks).
double UnitFactor(std::string_view unit);
// Position of a unit in the editor's unit lists.
int UnitIndex(std::string_view unit);

// The leading number of a text (sign, digits, point, exponent); 0 when there is none.
double LeadingValue(std::string_view text);
// The leading integer of a text; 0 when there is none.
long long LeadingInt(std::string_view text);

// The step as the module receives it.
struct DeviceStep {
    std::uint8_t number = 0;
    std::uint8_t mode = M_POT;
    float value1 = 0;  // from the momentary value: the slew rate
    float value2 = 0;
    float limit = 0;
    std::uint8_t fromRest = 0;
    std::uint8_t fromMomentary = 0;
    std::uint8_t limitBelow = 0;
    std::uint8_t cyclic = 0;
    std::uint8_t constant = 0;
    std::uint32_t interval = 0;  // 10 ms ticks; EIS: values per decade | amplitude << 16
    std::uint8_t passes = 1;
    std::uint8_t next = 0;
    std::uint32_t samples = 1;

    bool operator==(const DeviceStep&) const = default;
};

// A new row's fields (number 1).
StepText DefaultStepText();

// Text to device form. Also sets the constant field (11) from the type.
DeviceStep ToDevice(StepText& text);
DeviceStep ToDevice(const StepText& text);
// Device form to text. Values get as many decimals as they need to give the same device
// value again (at least the usual two).
StepText FromDevice(const DeviceStep& d);
// The table's slew column of a step.
std::string SlewText(const DeviceStep& d);

// The 15 table columns of a row: fields 0-8, 12-17.
inline constexpr int kColumnCount = 15;
int ColumnField(int column);

}  // namespace qor::potentiostat
