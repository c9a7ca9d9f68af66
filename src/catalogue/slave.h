#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace qor::catalogue {

// One fast-mode slot of a running potentiostat: the poll cycle may fetch up to ten answers
// per second and keeps each here until the document takes them.
struct PotSlot {
    std::uint8_t m_status = 0;
    double m_value1 = 0.0;  // in the base unit (value 1 x factor)
    double m_value2 = 0.0;
    double m_value3 = 0.0;
};

// The module record: one per bus address, owned by the station (Station::Modules()).
class CSlave {
public:
    std::uint8_t m_address = 0;
    std::uint8_t m_type = 0;  // module type code, 0 = none
    int m_enabled = 0;        // 1 = released for measuring
    std::array<std::int16_t, 3> m_raw{};
    double m_value1 = 0.0;
    double m_value2 = 0.0;
    double m_value3 = 0.0;  // temperature, or the target potential of a potentiostat
    // Calibration values as the identification answer delivers them (4 bytes each).
    std::array<std::array<std::uint8_t, 4>, 5> m_calibration{};
    // User unit of linear and ISE amplifiers, Windows-1252 bytes as sent by the module.
    std::array<char, 4> m_unit{};
    std::uint8_t m_language = 0;     // 0 German, 1 English
    std::uint8_t m_displayMode = 0;  // conductivity: 0/3 resistivity, 1 salinity, 2 TDS
    float m_revision = 1.0f;
    std::uint8_t m_settingByte = 0;
    float m_settingValue = 25.0f;
    std::uint8_t m_channelByte = 0;  // potentiostats: identification data[64]

    // Potentiostat fast mode.
    std::int64_t m_potTime = 0;
    int m_potCount = 0;  // 1 or 10
    std::array<PotSlot, 10> m_potSlot{};
    std::uint16_t m_countdown = 0;

    // The unit characters as UTF-8, up to the first NUL.
    std::string UnitText() const;
};

}  // namespace qor::catalogue
