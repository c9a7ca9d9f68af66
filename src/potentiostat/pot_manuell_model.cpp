#include "potentiostat/pot_manuell_model.h"

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
    m_aux = 10u * d[10];
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
