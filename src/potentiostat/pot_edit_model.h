#pragma once

#include "common/text.h"
#include "potentiostat/step_text.h"

#include <string>
#include <vector>

namespace qor::potentiostat {

// What the editor's controls hold.
struct EditValues {
    int type = T_POT;
    bool momentary = false;  // "vom Momentanwert"
    double value1 = 0;
    int unit1 = 0;
    double value2 = 0;
    int unit2 = 0;
    bool limitAbove = true;
    double limit = 0;
    int limitUnit = 0;
    bool fromRest = false;
    bool cyclic = false;
    double interval = 0;  // EIS: values per decade
    int intervalUnit = 0;
    int passes = 1;
    int next = 0;
    double slew = 0;  // EIS: amplitude in mV
    bool slewMode = false;
    int sampleIndex = 0;
};

// Which controls the type and the ticks allow, and what they are labelled.
struct EditView {
    bool value1 = false, unit1 = false, value2 = false, unit2 = false;
    bool intervalRadio = false, slewRadio = false, modeRadiosShown = true;
    bool momentaryBox = false, restBox = false;
    bool intervalValue = false, intervalUnit = false, intervalUnitShown = true;
    bool slewValue = false;
    bool perSecShown = true;
    std::string slewLabel;  // "Slew Rate" or, for EIS, "Spannung"/"voltage"
    std::string slewUnit;
    std::string intervalHeader;
    std::vector<std::string> units1, units2, limitUnits;
};

inline constexpr int kSampleRates[] = {1, 5, 10, 50, 100, 500, 1000};
inline constexpr const char* kIntervalUnits[] = {"Sec", "Min", "h", "mSec"};

// The rules of the step editor: how a step opens, what each type allows, and what OK
// writes back.
class PotEditModel {
public:
    PotEditModel(const StepText& step, int lang);

    EditValues& Values() { return m_v; }
    const EditValues& Values() const { return m_v; }
    // A new type: units back to their first entry, the type's default mode.
    void SetType(int type);
    void SetMomentary(bool on);
    EditView View() const;

    std::string Caption() const;
    std::string StepLabel() const;

    // OK: the message that keeps the editor open, or empty when `out` was rewritten.
    std::string Accept(StepText& out);

private:
    std::string T(const TextPair& t) const { return t[m_lang]; }

    StepText m_step;
    int m_lang;
    EditValues m_v;
};

// The step at position `number` of a program of `rows` steps, brought within what the editor
// lets a user enter: set points, frequencies, amplitude, values per decade, interval, passes,
// a next step within the program, a sample rate of the list. Each value changed is described
// in `changes`.
StepText WithinEditorLimits(const StepText& step, int number, int rows, int lang,
                            std::vector<std::string>& changes);

// The unit lists of a type.
std::vector<std::string> SetPointUnits(int type);
std::vector<std::string> LimitUnits(int type);

}  // namespace qor::potentiostat
