#pragma once

#include "potentiostat/pot_payloads.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace qor::potentiostat {

// What the manual window's controls allow.
struct ManuellView {
    std::string unit;  // of the set value
    bool setValue = false;
    bool relay = false;
    bool currentRanges = false;
    bool voltageRanges = false;
    bool inputFilters = true;
    int currentRange = 0;
    int voltageRange = 0;
    int filterIndex = 1;
};

// The rules of manual operation: what the settings and operating-state answers give the
// controls, and what "Aktuallisieren" sends.
class PotManuellModel {
public:
    // The settings answer's 24 data bytes.
    void TakeSettings(const std::uint8_t* data);
    // The operating-state answer's 18 data bytes.
    void TakeState(const std::uint8_t* data);

    void SetMode(int mode) { m_state.mode = static_cast<std::int8_t>(mode); }
    void SetRelay(bool on) { m_state.relay = on ? 1 : 0; }
    void SetValue(float v) { m_state.setValue = v; }
    void SetCurrentRange(int index);
    void SetVoltageRange(int index);
    void SetCapacitance(int index) { m_capacitance = static_cast<std::uint8_t>(index); }
    void SetFilterIndex(int index) { m_filterCode = FilterCode(index); }
    void SetHardwareFilter(const HardwareFilter& f) { m_hardware = f; }

    const OperatingState& State() const { return m_state; }
    int Capacitance() const { return m_capacitance; }
    const HardwareFilter& Hardware() const { return m_hardware; }
    ManuellView View() const;

    // The 0xD2 payload of this window.
    SettingsBytes SettingsPayload() const;
    // The state "Aktuallisieren" sends: the set value within the editor's limits of the mode
    // (±500 mA in µA as galvanostat, ±2000 mV as potentiostat).
    OperatingState SentState() const;
    StateBytes StateSetPayload() const { return EncodeStateSet(SentState()); }
    // What the last "Aktuallisieren" sent, as the window says it.
    static std::string SentText(const OperatingState& s, int lang);

    // A measurement answer's type code and raw words while the window is open; nullopt when
    // the module did not answer.
    void TakeMeasurement(std::optional<std::pair<std::uint8_t, std::array<std::int16_t, 3>>> m)
    {
        m_measured = m;
    }
    // The measured potential and current with the decimals their ranges resolve, or "---".
    std::string MeasuredText(int lang) const;

private:
    std::uint8_t m_flags = 0;
    std::uint8_t m_currentRange = 0x40;
    std::uint8_t m_voltageRange = 0x40;
    std::uint8_t m_capacitance = 0;
    std::uint8_t m_filterCode = 10;
    HardwareFilter m_hardware;
    std::uint8_t m_compensation = 0;
    std::uint8_t m_kept[3] = {0, 0, 0};  // bytes 7, 8, 9
    OperatingState m_state;
    std::optional<std::pair<std::uint8_t, std::array<std::int16_t, 3>>> m_measured;
};

}  // namespace qor::potentiostat
