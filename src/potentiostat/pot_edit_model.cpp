#include "potentiostat/pot_edit_model.h"

#include "potentiostat/pot_texts.h"

#include <algorithm>
#include <cmath>

namespace qor::potentiostat {

namespace {

bool Contains(const std::string& s, const char* part)
{
    return s.find(part) != std::string::npos;
}

bool IsRamp(int type)
{
    return type == T_GAL || type == T_POT;
}

std::string Unit(const std::vector<std::string>& list, int index)
{
    return index >= 0 && index < static_cast<int>(list.size()) ? list[static_cast<std::size_t>(index)]
                                                               : list[0];
}

// As few decimals as the value needs to come back the same (at least `minDecimals`).
std::string Exact(double v, const std::string& unit, int minDecimals)
{
    const double factor = UnitFactor(unit);
    const auto target = static_cast<float>(v * factor);
    std::string s;
    for (int d = minDecimals; d <= 17; ++d) {
        s = Format("%.*f", d, v);
        if (static_cast<float>(LeadingValue(s) * factor) == target)
            break;
    }
    return s;
}

double ToMicroAmps(double v, const std::string& unit)
{
    return v * (unit == "nA" ? 0.001 : unit == "mA" ? 1000 : 1);
}

}  // namespace

std::vector<std::string> SetPointUnits(int type)
{
    switch (type) {
    case T_GAL:
    case T_GAL_CONST:
        return {"nA", "µA", "mA"};
    case T_EIS:
        return {"Hz"};
    case T_REST:
        return {"  "};
    default:
        return {"mV"};
    }
}

StepText WithinEditorLimits(const StepText& step, int number, int rows, int lang,
                            std::vector<std::string>& changes)
{
    lang = lang == 1 ? 1 : 0;
    StepText t = step;
    auto set = [&](int field, const TextPair& what, const std::string& to) {
        std::string& f = t[static_cast<std::size_t>(field)];
        if (f == to)
            return;
        changes.push_back(Format(text::kStepChange[lang], number, what[lang], f.c_str(), to.c_str()));
        f = to;
    };
    // A value outside [lo, hi] (in its own unit, as the editor takes it) is set to the bound.
    auto bound = [&](int field, const TextPair& what, double lo, double hi) {
        const double v = LeadingValue(t[static_cast<std::size_t>(field)]);
        if (v < lo || v > hi)
            set(field, what, Format("%.15g", std::clamp(v, lo, hi)));
    };
    // The editor's current limit in the set point's unit: ±500 mA.
    auto currentLimit = [&](int unitField) {
        const std::string& u = t[static_cast<std::size_t>(unitField)];
        return u == "nA" ? 500000000.0 : u == "mA" ? 500.0 : 500000.0;
    };
    auto whole = [&](int field, const TextPair& what, long long lo, long long hi, const char* unit) {
        const long long v = LeadingInt(t[static_cast<std::size_t>(field)]);
        if (v < lo || v > hi)
            set(field, what, Format("%lld%s", std::clamp(v, lo, hi), unit));
    };
    const auto& title = text::kColumnTitles;
    const int type = TypeIndex(t[F_TYPE]);
    set(F_TYPE, title[1], kTypeText[static_cast<std::size_t>(type)]);
    const bool momentary = !t[F_VALUE1].empty() && t[F_VALUE1][0] == 'M';
    switch (type) {
    case T_GAL:
    case T_GAL_CONST:
    case T_POT:
    case T_POT_CONST: {
        const bool current = type == T_GAL || type == T_GAL_CONST;
        const double m1 = current ? currentLimit(F_UNIT1) : 2000, m2 = current ? currentLimit(F_UNIT2) : 2000;
        if (!momentary)
            bound(F_VALUE1, title[2], -m1, m1);
        bound(F_VALUE2, title[4], -m2, m2);
        if (momentary && std::fabs(LeadingValue(t[F_SLEW])) > 100000)
            set(F_SLEW, title[13],
                Format(type == T_POT ? "%.4f mV" : "%.4f µA",
                       std::clamp(LeadingValue(t[F_SLEW]), -1e5, 1e5)));
        bound(F_INTERVAL, title[9], 0, 10000);
        break;
    }
    case T_REST:
        for (int f : {F_VALUE1, F_VALUE2})
            if (LeadingValue(t[static_cast<std::size_t>(f)]) != 0)
                set(f, title[f == F_VALUE1 ? 2 : 4], "0");
        bound(F_INTERVAL, title[9], 0, 10000);
        break;
    default:  // EIS: frequencies in Hz, the amplitude and the values per decade as whole numbers
        bound(F_VALUE1, title[2], 0.001, 100000);
        bound(F_VALUE2, title[4], 0.001, 100000);
        whole(F_SLEW, text::kAmplitude, 1, 100, " mV");
        whole(F_INTERVAL, text::kPerDecade, 1, 100, "");
        break;
    }
    whole(F_PASSES, title[11], 1, 255, "");
    if (t[F_NEXT] != "End") {
        const long long next = LeadingInt(t[F_NEXT]);
        if (next < 1 || next > rows)
            set(F_NEXT, title[12], "End");
    }
    const long long samples = LeadingInt(t[F_SAMPLES]);
    if (std::find(std::begin(kSampleRates), std::end(kSampleRates), samples) == std::end(kSampleRates))
        set(F_SAMPLES, title[14], std::to_string(kSampleRates[1]));  // what the editor opens with
    return t;
}

std::vector<std::string> LimitUnits(int type)
{
    if (type == T_GAL || type == T_REST || type == T_GAL_CONST)
        return {"mV"};
    return {"nA", "µA", "mA"};
}

PotEditModel::PotEditModel(const StepText& step, int lang) : m_step(step), m_lang(lang == 1 ? 1 : 0)
{
    EditValues& v = m_v;
    v.type = TypeIndex(step[F_TYPE]);
    v.momentary = !step[F_VALUE1].empty() && step[F_VALUE1][0] == 'M';
    v.value1 = v.momentary ? 0 : LeadingValue(step[F_VALUE1]);
    v.unit1 = UnitIndex(step[F_UNIT1]);
    v.value2 = LeadingValue(step[F_VALUE2]);
    v.unit2 = UnitIndex(step[F_UNIT2]);
    v.limitAbove = !step[F_LIMIT].empty() && step[F_LIMIT][0] == '>';
    v.limit = step[F_LIMIT].empty() ? 0 : LeadingValue(std::string_view(step[F_LIMIT]).substr(1));
    v.limitUnit = UnitIndex(step[F_LIMIT_UNIT]);
    v.fromRest = step[F_START] == "R";
    v.cyclic = step[F_CYCLE] == "Z";
    v.interval = LeadingValue(step[F_INTERVAL]);
    v.intervalUnit = UnitIndex(step[F_INTERVAL_UNIT]);
    v.passes = static_cast<int>(std::clamp<long long>(LeadingInt(step[F_PASSES]), 1, 255));
    v.next =
        step[F_NEXT] == "End" ? 0 : static_cast<int>(std::clamp<long long>(LeadingInt(step[F_NEXT]), 0, 255));
    const std::string& slew = step[F_SLEW];
    double f = 1;
    if (v.type != T_EIS && !Contains(slew, "mV")) {
        if (Contains(slew, "V") || Contains(slew, "mA"))
            f = 1000;
        else if (Contains(slew, "nA"))
            f = 0.001;
    }
    v.slew = LeadingValue(slew) * f;
    v.slewMode = IsRamp(v.type);
    if (v.type == T_EIS) {
        if (v.slew <= 0)
            v.slew = 10;
        if (v.interval <= 0)
            v.interval = 10;
    }
    v.sampleIndex = 1;
    const long long samples = LeadingInt(step[F_SAMPLES]);
    for (int i = 0; i < 7; ++i)
        if (kSampleRates[i] == samples)
            v.sampleIndex = i;
    SetMomentary(v.momentary);
}

void PotEditModel::SetType(int type)
{
    m_v.type = std::clamp(type, 0, kTypeCount - 1);
    m_v.unit1 = m_v.unit2 = m_v.limitUnit = 0;
    m_v.slewMode = IsRamp(m_v.type);
    if (m_v.type == T_EIS) {
        if (m_v.slew <= 0)
            m_v.slew = 10;
        if (m_v.interval <= 0)
            m_v.interval = 10;
    }
    SetMomentary(m_v.momentary);
}

void PotEditModel::SetMomentary(bool on)
{
    m_v.momentary = on;
    if (on && IsRamp(m_v.type))
        m_v.slewMode = true;
}

EditView PotEditModel::View() const
{
    EditView w;
    const int t = m_v.type;
    w.units1 = w.units2 = SetPointUnits(t);
    w.limitUnits = LimitUnits(t);
    w.slewLabel = "Slew Rate";
    w.intervalHeader = T(text::kInterval);
    switch (t) {
    case T_GAL:
    case T_POT:
        w.value1 = w.unit1 = w.value2 = w.unit2 = true;
        w.intervalRadio = w.slewRadio = w.momentaryBox = true;
        w.restBox = t == T_POT;
        w.slewUnit = t == T_POT ? "mV" : "µA";
        break;
    case T_REST:
        w.intervalRadio = true;
        w.perSecShown = false;
        w.slewUnit = " ";
        break;
    case T_GAL_CONST:
    case T_POT_CONST:
        w.intervalRadio = w.value1 = w.unit1 = w.momentaryBox = true;
        w.restBox = t == T_POT_CONST;
        w.perSecShown = false;
        w.slewUnit = t == T_POT_CONST ? "mV" : "µA";
        break;
    default:  // EIS
        w.value1 = w.unit1 = w.value2 = w.unit2 = w.restBox = true;
        w.intervalValue = w.slewValue = true;
        w.modeRadiosShown = w.intervalUnitShown = w.perSecShown = false;
        w.slewLabel = T(text::kVoltage);
        w.slewUnit = "mV";
        w.intervalHeader = T(text::kPerDecade);
        return w;
    }
    w.intervalValue = w.intervalUnit = !m_v.slewMode;
    w.slewValue = m_v.slewMode;
    if (m_v.momentary) {
        w.value1 = w.unit1 = false;
        if (IsRamp(t))
            w.intervalRadio = false;
    }
    return w;
}

std::string PotEditModel::Caption() const
{
    return T(text::kEditTitle);
}

std::string PotEditModel::StepLabel() const
{
    return std::string(T(text::kStepNr)) + " " + m_step[F_NUMBER];
}

std::string PotEditModel::Accept(StepText& out)
{
    EditValues v = m_v;
    const bool eis = v.type == T_EIS;
    if (!eis && (v.interval < 0 || v.interval > 10000))
        return Format(text::kRange[m_lang], 0.0, 10000.0);
    if (v.slew < -100000 || v.slew > 100000)
        return Format(text::kRange[m_lang], -100000.0, 100000.0);
    const std::vector<std::string> units = SetPointUnits(v.type);
    std::string unit1 = Unit(units, v.unit1), unit2 = Unit(units, v.unit2);
    const std::string limitUnit = Unit(LimitUnits(v.type), v.limitUnit);
    auto clampCurrent = [](double x, const std::string& u) {
        const double m = u == "nA" ? 500000000 : u == "mA" ? 500 : 500000;
        return std::clamp(x, -m, m);
    };
    switch (v.type) {
    case T_GAL:
    case T_GAL_CONST:
        v.value1 = clampCurrent(v.value1, unit1);
        v.value2 = clampCurrent(v.value2, unit2);
        break;
    case T_POT:
    case T_POT_CONST:
        v.value1 = std::clamp(v.value1, -2000.0, 2000.0);
        v.value2 = std::clamp(v.value2, -2000.0, 2000.0);
        break;
    case T_REST:
        v.value1 = v.value2 = 0;
        break;
    default:
        break;
    }
    if (IsConstantType(v.type)) {
        v.value2 = v.value1;
        unit2 = unit1;
    }
    StepText t = m_step;
    t[F_TYPE] = kTypeText[static_cast<std::size_t>(v.type)];
    t[F_CONSTANT] = IsConstantType(v.type) ? "1" : "0";
    t[F_LIMIT] = (v.limitAbove ? ">" : "<") + Exact(v.limit, limitUnit, 1);
    t[F_LIMIT_UNIT] = limitUnit;
    t[F_START] = v.fromRest ? "R" : "0";
    t[F_CYCLE] = v.cyclic ? "Z" : "0";
    if (eis) {
        v.value1 = std::clamp(v.value1, 0.001, 100000.0);
        v.value2 = std::clamp(v.value2, 0.001, 100000.0);
        v.slew = std::clamp(v.slew, 1.0, 100.0);
        v.interval = std::clamp(v.interval, 1.0, 100.0);
        t[F_SLEW] = Format("%.0f mV", v.slew);
        t[F_INTERVAL] = Format("%.0f", v.interval);
        t[F_VALUE1] = Exact(v.value1, "Hz", 2);
        t[F_VALUE2] = Exact(v.value2, "Hz", 2);
        t[F_UNIT1] = t[F_UNIT2] = "Hz";
    } else {
        t[F_VALUE1] = v.momentary ? std::string("M") : Exact(v.value1, unit1, 2);
        if (v.momentary)
            v.value1 = 0;
        t[F_UNIT1] = unit1;
        t[F_VALUE2] = Exact(v.value2, unit2, 2);
        t[F_UNIT2] = unit2;
        double interval = v.interval;
        int unit = std::clamp(v.intervalUnit, 0, 3);
        if (!v.slewMode) {
            if (v.interval == 0)
                return T(text::kZeroInterval);
        } else {
            if (v.slew == 0)
                return T(text::kZeroSlew);
            // A falling ramp is shown with a negative slope; its duration is the same.
            const double rate = std::fabs(v.slew);
            if (!v.momentary) {
                interval = v.type == T_GAL
                               ? std::fabs(ToMicroAmps(v.value1, unit1) - ToMicroAmps(v.value2, unit2)) / rate
                               : std::fabs(v.value1 - v.value2) / rate;
            } else {
                interval = 0;
                t[F_UNIT1] = t[F_UNIT2];
                t[F_SLEW] = Format(v.type == T_POT ? "%.4f mV" : "%.4f µA", v.slew);
            }
            unit = 0;
            if (interval > 600) {
                interval /= 60;
                unit = 1;
                if (interval > 120) {
                    interval /= 60;
                    unit = 2;
                }
            }
        }
        if (unit == 0 && interval < 0.05)
            interval = 0.05;
        t[F_INTERVAL] = Format("%.2f", interval);
        t[F_INTERVAL_UNIT] = kIntervalUnits[unit];
    }
    t[F_PASSES] = Format("%d", std::clamp(v.passes, 1, 255));
    t[F_NEXT] = v.next < 1 ? std::string("End") : Format("%d", std::min(v.next, 255));
    t[F_SAMPLES] = Format("%u", static_cast<unsigned>(kSampleRates[std::clamp(v.sampleIndex, 0, 6)]));
    out = t;
    return {};
}

}  // namespace qor::potentiostat
