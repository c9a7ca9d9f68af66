#include "potentiostat/pot_manuell_model.h"

#include "common/text.h"
#include "potentiostat/pot_texts.h"
#include "potentiostat/xy_graph_model.h"

#include <algorithm>

namespace qor::potentiostat {

void PotManuellModel::TakeSettings(const std::uint8_t* d)
{
    m_flags = d[0];
    m_currentRange = d[1];
    m_voltageRange = d[2];
    m_capacitance = d[3];
    m_filterCode = d[4];
    m_hardware = SplitHardwareFilter(d[5]);
    m_compensation = d[6];
    m_kept[0] = d[7];
    m_kept[1] = d[8];
    m_kept[2] = d[9];
}

void PotManuellModel::TakeState(const std::uint8_t* data)
{
    m_state = DecodeState(data);
}

void PotManuellModel::SetCurrentRange(int index)
{
    m_currentRange = static_cast<std::uint8_t>(0x40 | (index & 7));
}

void PotManuellModel::SetVoltageRange(int index)
{
    m_voltageRange = static_cast<std::uint8_t>(0x40 + (index == 1 ? 8 : 0));
}

OperatingState PotManuellModel::SentState() const
{
    OperatingState s = m_state;
    const float limit = s.mode == 0 ? 500000.0f : s.mode == 1 ? 2000.0f : 0.0f;
    if (limit > 0)
        s.setValue = std::clamp(s.setValue, -limit, limit);
    return s;
}

std::string PotManuellModel::SentText(const OperatingState& s, int lang)
{
    lang = lang == 1 ? 1 : 0;
    const int mode = std::clamp<int>(s.mode, 0, 2);
    std::string t = Format(text::kSent[lang], text::kModes[static_cast<std::size_t>(mode)][lang],
                           (s.relay ? text::kOn : text::kOff)[lang]);
    if (mode != 2)
        t += Format(", %g %s", static_cast<double>(s.setValue), mode == 0 ? "µA" : "mV");
    return t;
}

std::string PotManuellModel::MeasuredText(int lang) const
{
    lang = lang == 1 ? 1 : 0;
    if (!m_measured)
        return text::kMeasuredNone[lang];
    data::CPotQORDatenObject s;
    s.m_range = static_cast<std::uint8_t>(m_measured->first & 0x0F);
    s.m_raw = m_measured->second;
    const PotValues v = ConvertSample(s);
    return Format(text::kMeasured[lang], (s.m_range & 8) ? 0 : 1, v.potential, CurrentDecimals(s.m_range),
                  v.current);
}

ManuellView PotManuellModel::View() const
{
    ManuellView v;
    v.currentRange = m_currentRange & 7;
    v.voltageRange = (m_voltageRange & 8) ? 1 : 0;
    const bool currentManual = (m_flags & 1) != 0;
    const bool voltageManual = (m_flags & 2) != 0;
    switch (m_state.mode) {
    case 0:
        v.unit = "µA";
        v.setValue = v.relay = true;
        break;
    case 1:
        v.unit = "mV";
        v.setValue = v.relay = true;
        v.currentRanges = currentManual;
        v.voltageRanges = voltageManual;
        break;
    default:
        v.unit = " ";
        v.voltageRanges = voltageManual;
        break;
    }
    v.filterIndex = FilterIndex(m_filterCode);
    v.inputFilters = !m_hardware.disabled;
    return v;
}

SettingsBytes PotManuellModel::SettingsPayload() const
{
    SettingsBytes b{};
    b[0] = m_flags;
    b[1] = m_currentRange;
    b[2] = m_voltageRange;
    b[3] = m_capacitance;
    b[4] = m_filterCode;
    b[5] = JoinHardwareFilter(m_hardware);
    b[6] = m_compensation;
    b[7] = m_kept[0];
    b[8] = m_kept[1];
    b[9] = m_kept[2];
    b[10] = 100;
    return b;
}

}  // namespace qor::potentiostat
