#pragma once

#include "data/record.h"

#include <array>
#include <cstdint>

namespace qor::data {

// The graph setup of the document: what is drawn, scale factors, the recording interval.
class CGrafikSetup final : public CRecord {
public:
    CGrafikSetup();

    std::int64_t m_interval;  // its local hours, minutes and seconds are the interval
    std::array<std::uint8_t, 16> m_show3{};
    std::array<std::uint8_t, 16> m_show1{};
    std::array<std::uint8_t, 16> m_show2{};
    std::array<float, 16> m_factor1;
    std::array<float, 16> m_factor2;
    std::array<float, 16> m_factor3;
    float m_yFrom = 0.0f;
    float m_yTo = 100.0f;
    std::uint32_t m_sampleCount = 0;
    std::array<std::uint8_t, 16> m_moduleType{};
    bool m_legacyFormat = false;  // not stored: the next read uses the table-file layout

    void Serialize(Archive& ar) override;

    // The interval as a time of day on 1 January 2000, local time.
    void SetInterval(int hours, int minutes, int seconds);
    struct Hms {
        int hours = -1, minutes = -1, seconds = -1;
    };
    Hms Interval() const;  // -1 each when the stored time is not valid
    int IntervalSeconds() const;
};

}  // namespace qor::data
