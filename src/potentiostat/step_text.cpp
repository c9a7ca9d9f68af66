#include "potentiostat/step_text.h"

#include "common/text.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace qor::potentiostat {

int TypeIndex(std::string_view text)
{
    for (int i = 0; i < kTypeCount; ++i)
        if (text == kTypeText[static_cast<std::size_t>(i)])
            return i;
    return T_POT;
}

bool IsConstantType(int type)
{
    return type == T_GAL_CONST || type == T_POT_CONST;
}

double UnitFactor(std::string_view unit)
{
    if (unit == "mA")
        return 1000;
    if (unit == "nA")
        return 0.001;
    if (unit == "Sec")
        return 100;
    if (unit == "Min")
        return 6000;
    if (unit == "h")
        return 360000;
    if (unit == "mSec")
        return 0.1;
    return 1;
}

int UnitIndex(std::string_view unit)
{
    if (unit == "µA" || unit == "Min")
        return 1;
    if (unit == "mA" || unit == "h")
        return 2;
    if (unit == "mSec")
        return 3;
    return 0;
}

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Length of the leading number of `s` (after blanks), 0 when there is none.
std::size_t NumberLength(std::string_view s, bool withFraction)
{
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < s.size() && IsDigit(s[i]))
        ++i, ++digits;
    if (withFraction && i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return 0;
    if (withFraction && i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            ++j;
        if (j < s.size() && IsDigit(s[j])) {
            while (j < s.size() && IsDigit(s[j]))
                ++j;
            i = j;
        }
    }
    return i;
}

std::string_view SkipBlanks(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    return s;
}

}  // namespace

double LeadingValue(std::string_view text)
{
    text = SkipBlanks(text);
    const std::size_t n = NumberLength(text, true);
    if (n == 0)
        return 0;
    std::size_t from = text[0] == '+' ? 1 : 0;
    double v = 0;
    std::from_chars(text.data() + from, text.data() + n, v);
    return std::isfinite(v) ? v : 0;
}

long long LeadingInt(std::string_view text)
{
    text = SkipBlanks(text);
    const std::size_t n = NumberLength(text, false);
    if (n == 0)
        return 0;
    const bool negative = text[0] == '-';
    const std::size_t from = (text[0] == '+' || negative) ? 1 : 0;
    long long v = 0;
    if (std::from_chars(text.data() + from, text.data() + n, v).ec != std::errc{})
        v = std::numeric_limits<long long>::max();
    return negative ? -v : v;
}

StepText DefaultStepText()
{
    return {"1", "POT", "0", "mV", "0",   "mV", ">100", "mA", "0",
            "0", "0",   "0", "60", "Sec", "1",  "End",  "0",  "1"};
}

namespace {

std::uint8_t Byte(long long v)
{
    return static_cast<std::uint8_t>(v);
}

float Scaled(std::string_view value, std::string_view unit)
{
    return static_cast<float>(LeadingValue(value) * UnitFactor(unit));
}

std::uint32_t Ticks(std::string_view value, std::string_view unit)
{
    const double t = LeadingValue(value) * UnitFactor(unit) + 0.01;
    if (!(t > 0))
        return 0;
    return t >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(t);
}

}  // namespace

DeviceStep ToDevice(StepText& text)
{
    const int type = TypeIndex(text[F_TYPE]);
    text[F_CONSTANT] = IsConstantType(type) ? "1" : "0";
    return ToDevice(static_cast<const StepText&>(text));
}

DeviceStep ToDevice(const StepText& text)
{
    DeviceStep d;
    const int type = TypeIndex(text[F_TYPE]);
    d.number = Byte(static_cast<long long>(LeadingValue(text[F_NUMBER])));
    d.mode = kTypeMode[static_cast<std::size_t>(type)];
    d.constant = IsConstantType(type) ? 1 : 0;
    if (!text[F_VALUE1].empty() && text[F_VALUE1][0] == 'M') {
        d.fromMomentary = 1;
        d.value1 = static_cast<float>(LeadingValue(text[F_SLEW]));
    } else {
        d.value1 = Scaled(text[F_VALUE1], text[F_UNIT1]);
    }
    d.value2 = Scaled(text[F_VALUE2], text[F_UNIT2]);
    std::string_view limit = text[F_LIMIT];
    d.limitBelow = !limit.empty() && limit[0] == '<';
    if (!limit.empty())
        limit.remove_prefix(1);
    d.limit = Scaled(limit, text[F_LIMIT_UNIT]);
    d.fromRest = text[F_START] == "R";
    d.cyclic = text[F_CYCLE] == "Z";
    if (d.mode == M_EIS) {
        const auto perDecade = static_cast<std::uint16_t>(LeadingInt(text[F_INTERVAL]));
        const auto amplitude = static_cast<std::uint16_t>(LeadingInt(text[F_SLEW]));
        d.interval = perDecade | (static_cast<std::uint32_t>(amplitude) << 16);
    } else {
        d.interval = Ticks(text[F_INTERVAL], text[F_INTERVAL_UNIT]);
    }
    d.passes = Byte(LeadingInt(text[F_PASSES]));
    d.next = text[F_NEXT] == "End" ? 0 : Byte(LeadingInt(text[F_NEXT]));
    d.samples = static_cast<std::uint32_t>(LeadingInt(text[F_SAMPLES]));
    return d;
}

namespace {

// `shown` printed with the fewest decimals (at least `minDecimals`) whose text, brought to
// the base unit by `factor`, gives `target` again.
std::string Exact(double shown, double factor, float target, int minDecimals)
{
    std::string s;
    for (int d = minDecimals; d <= 17; ++d) {
        s = Format("%.*f", d, shown);
        if (static_cast<float>(LeadingValue(s) * factor) == target)
            break;
    }
    return s;
}

struct Shown {
    double shown;
    const char* unit;
};

Shown AutoCurrent(float microAmps)
{
    const double v = microAmps;
    if (std::fabs(v) > 1000)
        return {v / 1000, "mA"};
    if (std::fabs(v) >= 1)
        return {v, "µA"};
    return {v * 1000, "nA"};
}

void SetPoint(StepText& t, int valueField, int unitField, float v, std::uint8_t mode, bool momentary)
{
    Shown s{v, "mV"};
    if (mode == M_GAL)
        s = AutoCurrent(v);
    else if (mode == M_REST)
        s = {0, "  "};
    else if (mode == M_EIS)
        s.unit = "Hz";
    t[static_cast<std::size_t>(unitField)] = s.unit;
    t[static_cast<std::size_t>(valueField)] =
        momentary ? std::string("M") : Exact(s.shown, UnitFactor(s.unit), mode == M_REST ? 0.0f : v, 2);
}

std::string IntervalText(std::uint32_t ticks, std::string& unit)
{
    double v;
    if (ticks <= 100) {
        v = ticks * 10.0;
        unit = "mSec";
    } else {
        v = ticks / 100.0;
        unit = "Sec";
        if (v > 600) {
            v /= 60;
            unit = "Min";
            if (v > 120) {
                v /= 60;
                unit = "h";
            }
        }
    }
    std::string s;
    for (int d = 2; d <= 17; ++d) {
        s = Format("%.*f", d, v);
        if (Ticks(s, unit) == ticks)
            break;
    }
    return s;
}

}  // namespace

StepText FromDevice(const DeviceStep& d)
{
    StepText t = DefaultStepText();
    t[F_NUMBER] = std::to_string(d.number);
    switch (d.mode) {
    case M_GAL:
        t[F_TYPE] = d.constant ? "GALconst." : "GAL";
        break;
    case M_POT:
        t[F_TYPE] = d.constant ? "POTconst." : "POT";
        break;
    case M_REST:
        t[F_TYPE] = "Rest";
        break;
    case M_EIS:
        t[F_TYPE] = "EIS";
        break;
    default:
        t[F_TYPE] = "x";
    }
    SetPoint(t, F_VALUE1, F_UNIT1, d.value1, d.mode, d.fromMomentary != 0);
    SetPoint(t, F_VALUE2, F_UNIT2, d.value2, d.mode, false);
    Shown lim{d.limit, "mV"};
    if (d.mode == M_POT || d.mode == M_EIS)
        lim = AutoCurrent(d.limit);
    t[F_LIMIT_UNIT] = lim.unit;
    t[F_LIMIT] = (d.limitBelow ? "<" : ">") + Exact(lim.shown, UnitFactor(lim.unit), d.limit, 1);
    t[F_START] = d.fromRest ? "R" : "0";
    t[F_CYCLE] = d.cyclic ? "Z" : "0";
    t[F_CONSTANT] = d.constant ? "1" : "0";
    if (d.mode == M_EIS) {
        t[F_INTERVAL] = Format("%.0f", static_cast<double>(d.interval & 0xFFFF));
        t[F_INTERVAL_UNIT] = "/decade";
    } else {
        t[F_INTERVAL] = IntervalText(d.interval, t[F_INTERVAL_UNIT]);
    }
    t[F_PASSES] = std::to_string(d.passes);
    t[F_NEXT] = d.next == 0 ? std::string("End") : std::to_string(d.next);
    t[F_SAMPLES] = std::to_string(d.samples);
    t[F_SLEW] = SlewText(d);
    return t;
}

std::string SlewText(const DeviceStep& d)
{
    if (d.mode == M_EIS)
        return Format("%.0f mV Vss", static_cast<double>(d.interval >> 16));
    if (d.fromMomentary)
        return Format(d.mode == M_POT ? "%.4f mV" : "%.4f µA", static_cast<double>(d.value1));
    if (d.mode != M_POT && d.mode != M_GAL)
        return " ";
    // A step shorter than one tick has no slope to show.
    if (d.interval == 0)
        return "-";
    const double s = (static_cast<double>(d.value2) - d.value1) / 10.0 / d.interval;
    if (d.mode == M_POT)
        return std::fabs(s) >= 0.01 ? Format("%.3f V", s) : Format("%.3f mV", s * 1000);
    const double r = s * 1000;
    if (std::fabs(r) >= 1000)
        return Format("%.3f mA", r / 1000);
    if (std::fabs(r) >= 1)
        return Format("%.3f µA", r);
    return Format("%.3f nA", r * 1000);
}

int ColumnField(int column)
{
    return column <= 8 ? column : column + 3;
}

}  // namespace qor::potentiostat
