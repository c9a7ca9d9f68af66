#include "data/grafik_setup_glg_model.h"

#include "catalogue/catalogue.h"
#include "common/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace qor::data {

namespace {
constexpr TextPair kNotReleased{"nicht freigegeben", "not released"};
constexpr TextPair kTitle{"Grafik Setup", "Graphic setup"};
constexpr TextPair kColumns[4] = {{"Messkanal -Typ", "Measure Channel -Type"},
                                  {"Skalierung Messwert", "Scale Measure Value"},
                                  {"Skalierung Messwert 2", "Scale 2. Measure Value"},
                                  {"Skalierung Messwert 3", "Scale 3. Measure Value"}};
constexpr TextPair kInterval{"Aufzeichnungsintervall", "Interval"};
constexpr TextPair kYFrom{"Y-Achse von", "Y_Axis from"};
constexpr TextPair kYTo{"bis", "to"};
constexpr TextPair kVirtual{"virtuelle Kanäle", "virtual Channels"};
constexpr TextPair kNotANumber{"\"%s\" ist keine Zahl (%s).", "\"%s\" is not a number (%s)."};
constexpr char kDecimalMark[2] = {',', '.'};
}  // namespace

GrafikSetupGlgModel::GrafikSetupGlgModel(const CGrafikSetup& setup,
                                         const std::array<catalogue::CSlave, 16>& slaves,
                                         bool intervalEditable, int language)
    : m_result(setup), m_interval(setup.Interval()), m_intervalEditable(intervalEditable),
      m_language(language == 1 ? 1 : 0), m_yFrom(NumberText(setup.m_yFrom, m_language)),
      m_yTo(NumberText(setup.m_yTo, m_language))
{
    const int lang = m_language;
    if (m_interval.hours < 0)
        m_interval = {0, 0, 10};
    for (std::size_t a = 0; a < 16; ++a) {
        catalogue::CSlave slave = slaves[a];
        slave.m_language = static_cast<std::uint8_t>(lang);
        Row& r = m_rows[a];
        r.released = slave.m_enabled != 0;
        // An address without a released module keeps the type the recording stored: its
        // values are still named after it.
        m_types[a] = r.released ? slave.m_type : setup.m_moduleType[a];
        r.label = Format("%2d: ", static_cast<int>(a)) +
                  (r.released ? catalogue::ModuleName(slave) : kNotReleased[lang]);
        const std::uint8_t shows[3] = {setup.m_show1[a], setup.m_show2[a], setup.m_show3[a]};
        const float factors[3] = {setup.m_factor1[a], setup.m_factor2[a], setup.m_factor3[a]};
        if (r.released) {
            const catalogue::ChannelInfo info = catalogue::DescribeModule(slave);
            r.captions = {info.unit1, info.unit2, info.unit3};
        }
        for (std::size_t k = 0; k < 3; ++k) {
            r.show[k] = r.released && shows[k] != 0;
            r.factor[k] = NumberText(factors[k], lang);
        }
    }
}

void GrafikSetupGlgModel::SetShow(int address, int value, bool on)
{
    Row& r = m_rows[static_cast<std::size_t>(address & 15)];
    if (value >= 0 && value < 3)
        r.show[static_cast<std::size_t>(value)] = on && r.released;
}

void GrafikSetupGlgModel::SetFactor(int address, int value, const std::string& text)
{
    if (value >= 0 && value < 3)
        m_rows[static_cast<std::size_t>(address & 15)].factor[static_cast<std::size_t>(value)] = text;
}

void GrafikSetupGlgModel::SetInterval(int hours, int minutes, int seconds)
{
    if (!m_intervalEditable)
        return;
    m_interval = {std::clamp(hours, 0, 23), std::clamp(minutes, 0, 59), std::clamp(seconds, 0, 59)};
}

std::optional<GrafikSetupGlgModel::Field> GrafikSetupGlgModel::OnOK()
{
    std::array<std::array<float, 3>, 16> factors{};
    for (std::size_t a = 0; a < 16; ++a)
        for (std::size_t k = 0; k < 3; ++k) {
            const auto v = ParseNumber(m_rows[a].factor[k], m_language);
            if (!v)
                return Field{static_cast<int>(a), static_cast<int>(k)};
            factors[a][k] = *v;
        }
    const auto yFrom = ParseNumber(m_yFrom, m_language);
    if (!yFrom)
        return Field{-1, 0};
    const auto yTo = ParseNumber(m_yTo, m_language);
    if (!yTo)
        return Field{-1, 1};
    CGrafikSetup& g = m_result;
    for (std::size_t a = 0; a < 16; ++a) {
        g.m_show1[a] = m_rows[a].show[0] ? 1 : 0;
        g.m_show2[a] = m_rows[a].show[1] ? 1 : 0;
        g.m_show3[a] = m_rows[a].show[2] ? 1 : 0;
        g.m_factor1[a] = factors[a][0];
        g.m_factor2[a] = factors[a][1];
        g.m_factor3[a] = factors[a][2];
        g.m_moduleType[a] = m_types[a];
    }
    g.SetInterval(m_interval.hours, m_interval.minutes, m_interval.seconds);
    g.m_yFrom = *yFrom;
    g.m_yTo = *yTo;
    return std::nullopt;
}

std::string GrafikSetupGlgModel::NotANumberText(const Field& field) const
{
    std::string name;
    std::string text;
    if (field.address >= 0 && field.value >= 0 && field.value < 3) {
        const Row& r = GetRow(field.address);
        name = ColumnCaption(field.value + 1) + ", " + r.label.substr(r.label.find_first_not_of(' '));
        text = r.factor[static_cast<std::size_t>(field.value)];
    } else {
        name = field.value == 0 ? YFromText() : YToText();
        text = field.value == 0 ? m_yFrom : m_yTo;
    }
    return Format(kNotANumber[m_language], text.c_str(), name.c_str());
}

std::string GrafikSetupGlgModel::Title() const
{
    return kTitle[m_language];
}

std::string GrafikSetupGlgModel::ColumnCaption(int column) const
{
    return column >= 0 && column < 4 ? kColumns[column][m_language] : "";
}

std::string GrafikSetupGlgModel::IntervalText() const
{
    return kInterval[m_language];
}

std::string GrafikSetupGlgModel::YFromText() const
{
    return kYFrom[m_language];
}

std::string GrafikSetupGlgModel::YToText() const
{
    return kYTo[m_language];
}

std::string GrafikSetupGlgModel::VirtualChannelsText() const
{
    return kVirtual[m_language];
}

std::optional<float> GrafikSetupGlgModel::ParseNumber(const std::string& text, int language)
{
    const char mark = kDecimalMark[language == 1 ? 1 : 0];
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::nullopt;
    const auto last = text.find_last_not_of(" \t");
    std::string c = text.substr(first, last + 1 - first);
    if (c.front() == '+' && c.size() > 1 && c[1] != '-')
        c.erase(0, 1);
    // Only the language's mark is a decimal mark; from_chars reads the point.
    for (char& ch : c) {
        if (ch == mark)
            ch = '.';
        else if (ch == '.' || ch == ',')
            return std::nullopt;
    }
    double v = 0.0;
    const auto [end, ec] = std::from_chars(c.data(), c.data() + c.size(), v);
    if (ec != std::errc() || end != c.data() + c.size())
        return std::nullopt;
    const auto f = static_cast<float>(v);
    if (!std::isfinite(f))
        return std::nullopt;
    return f;
}

std::string GrafikSetupGlgModel::NumberText(float value, int language)
{
    std::string s = Format("%.7g", static_cast<double>(value));
    if (language != 1)
        for (char& ch : s)
            if (ch == '.')
                ch = ',';
    return s;
}

}  // namespace qor::data
