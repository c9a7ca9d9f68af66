#include "alarm/alarm_dlg_model.h"

#include "common/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace qor::alarm {
namespace {

constexpr TextPair kColumnTitles[AlarmDlgModel::kColumns] = {
    {"Quelle", "Source"},      {"Oberer Grenzwert", "High limit"},    {"Unterer Grenzwert", "Low limit"},
    {"Hysterese", "Deadband"}, {"Anzugsverzögerung s", "On-delay s"}, {"Abfallverzögerung s", "Off-delay s"},
    {"Aktiv", "Enabled"}};
constexpr TextPair kNotNumber = {"Alarm %zu, %s: \"%s\" ist keine Zahl (Dezimalzeichen Komma)",
                                 "Alarm %zu, %s: \"%s\" is not a number (decimal mark point)"};
constexpr TextPair kNotSource = {
    "Alarm %zu: \"%s\" ist keine Quelle (S<Adresse 0..15>.<Wert 1..3> oder V<1..4>)",
    "Alarm %zu: \"%s\" is no source (S<address 0..15>.<value 1..3> or V<1..4>)"};
constexpr TextPair kCommLoss = {"Kommunikationsalarm: \"%s\" ist keine Anzahl 0..1000",
                                "Communication alarm: \"%s\" is no count 0..1000"};

std::string Trim(const std::string& s)
{
    const auto a = s.find_first_not_of(" \t");
    if (a == std::string::npos)
        return {};
    return s.substr(a, s.find_last_not_of(" \t") - a + 1);
}

}  // namespace

AlarmDlgModel::AlarmDlgModel(const AlarmSettings& s, int language) : m_lang(language == 1 ? 1 : 0)
{
    commLoss = std::to_string(s.commLoss);
    command = s.command;
    rideThrough = s.rideThrough;
    for (const AlarmDefinition& d : s.alarms)
        rows.push_back({SourceText(d.source), d.high ? NumberField(*d.high) : std::string(),
                        d.low ? NumberField(*d.low) : std::string(), NumberField(d.deadband),
                        NumberField(d.onDelay), NumberField(d.offDelay), d.enabled});
}

void AlarmDlgModel::AddRow()
{
    int address = 0;
    for (; address < 15; ++address)
        if (std::none_of(rows.begin(), rows.end(),
                         [&](const Row& r) { return r.source == Format("S%d.1", address); }))
            break;
    rows.push_back({Format("S%d.1", address), {}, {}, NumberField(0), NumberField(0), NumberField(0), true});
}

void AlarmDlgModel::RemoveRow(std::size_t row)
{
    if (row < rows.size())
        rows.erase(rows.begin() + static_cast<long>(row));
}

const char* AlarmDlgModel::ColumnTitle(int column, int language)
{
    return kColumnTitles[std::clamp(column, 0, kColumns - 1)][language == 1 ? 1 : 0];
}

std::string AlarmDlgModel::NumberField(double v) const
{
    std::string s = NumberText(v);
    if (m_lang == 0)
        std::replace(s.begin(), s.end(), '.', ',');
    return s;
}

bool AlarmDlgModel::ParseField(const std::string& field, double& out) const
{
    std::string s = Trim(field);
    // The other language's mark is refused, not read as a thousands separator or guessed.
    const char mark = m_lang == 0 ? ',' : '.';
    const char other = m_lang == 0 ? '.' : ',';
    if (s.empty() || s.find(other) != std::string::npos || s.find_first_of("eE") != std::string::npos)
        return false;
    std::replace(s.begin(), s.end(), mark, '.');
    const char* first = s.data() + (s[0] == '+' ? 1 : 0);
    auto [p, ec] = std::from_chars(first, s.data() + s.size(), out);
    return ec == std::errc() && p == s.data() + s.size() && std::isfinite(out);
}

std::optional<AlarmSettings> AlarmDlgModel::Accept(std::string& error) const
{
    AlarmSettings s;
    s.command = Trim(command);
    s.rideThrough = rideThrough;
    const std::string loss = Trim(commLoss);
    int n = -1;
    auto [p, ec] = std::from_chars(loss.data(), loss.data() + loss.size(), n);
    if (loss.empty() || ec != std::errc() || p != loss.data() + loss.size() || n < 0 || n > 1000) {
        error = Format(kCommLoss[m_lang], commLoss.c_str());
        return std::nullopt;
    }
    s.commLoss = n;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& r = rows[i];
        AlarmDefinition d;
        const auto source = ParseSource(Trim(r.source));
        if (!source) {
            error = Format(kNotSource[m_lang], i + 1, r.source.c_str());
            return std::nullopt;
        }
        d.source = *source;
        d.enabled = r.enabled;
        const std::pair<const std::string*, int> fields[] = {
            {&r.high, 1}, {&r.low, 2}, {&r.deadband, 3}, {&r.onDelay, 4}, {&r.offDelay, 5}};
        for (const auto& [text, column] : fields) {
            const bool limit = column <= 2;
            if (limit && Trim(*text).empty())
                continue;
            double v = 0;
            if (!ParseField(*text, v)) {
                error = Format(kNotNumber[m_lang], i + 1, ColumnTitle(column, m_lang), text->c_str());
                return std::nullopt;
            }
            switch (column) {
            case 1:
                d.high = v;
                break;
            case 2:
                d.low = v;
                break;
            case 3:
                d.deadband = v;
                break;
            case 4:
                d.onDelay = v;
                break;
            default:
                d.offDelay = v;
                break;
            }
        }
        if (std::string why = CheckDefinition(d, m_lang, true); !why.empty()) {
            error = Format("Alarm %zu: %s", i + 1, why.c_str());
            return std::nullopt;
        }
        s.alarms.push_back(d);
    }
    return s;
}

}  // namespace qor::alarm
