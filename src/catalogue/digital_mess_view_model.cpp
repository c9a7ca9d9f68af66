#include "catalogue/digital_mess_view_model.h"

#include "catalogue/catalogue.h"
#include "common/text.h"

#include <cmath>
#include <cstring>

namespace qor::catalogue {

namespace {

constexpr int kLampRed = 0;
constexpr int kLampGreen = 16;
constexpr int kLampYellow = 32;

// The linear amplifier's scale end: its third calibration value, a little-endian float.
double CalibratedMaximum(const catalogue::CSlave& slave, double fallback, double minimum)
{
    const auto& bytes = slave.m_calibration[2];
    const std::uint32_t bits =
        static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
        (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    // An unset or unusable calibration would leave the meter without a range.
    if (!std::isfinite(value) || value == minimum)
        return fallback;
    return value;
}

// A module that missed its last poll has no value to show.
std::string ValueText(int decimals, double value)
{
    return std::isfinite(value) ? Format("%.*f", decimals, value) : std::string("---");
}

}  // namespace

std::string DigitalViewTitle(const catalogue::CSlave& slave)
{
    return Format("Slave %02u %s", static_cast<unsigned>(slave.m_address),
                  catalogue::ModuleName(slave).c_str());
}

DigitalViewState DigitalViewRefresh(const catalogue::CSlave& slave, bool potRunning)
{
    DigitalViewState s;
    if (slave.m_enabled == 2) {
        s.action = DigitalViewState::Action::RedLamp;
        s.lampColour = kLampRed;
        return s;
    }
    if (slave.m_enabled != 1)
        return s;

    s.action = DigitalViewState::Action::Update;
    const catalogue::ChannelInfo info = catalogue::DescribeModule(slave);
    s.title = DigitalViewTitle(slave);

    s.meterUnit[0] = info.unit1;
    s.meterDecimals[0] = info.decimals1;
    s.meterMin[0] = info.min1;
    s.meterMax[0] = info.max1;
    if (slave.m_type == 9)
        s.meterMax[0] = CalibratedMaximum(slave, info.max1, info.min1);
    s.meterUnit[1] = info.unit2;
    s.meterDecimals[1] = info.decimals2;
    s.meterMin[1] = info.min2;
    s.meterMax[1] = info.max2;
    s.meterValue[0] = slave.m_value1;
    s.meterValue[1] = slave.m_value2;

    s.unit[0] = info.unit1;
    s.unit[1] = info.unit2;
    s.unit[2] = info.unit3;
    s.value[0] = ValueText(info.decimals1, slave.m_value1);
    s.value[1] = ValueText(info.decimals2, slave.m_value2);
    s.value[2] = ValueText(1, slave.m_value3);

    const bool runningPot = (slave.m_type & 0x10) && (slave.m_type & 0x40);
    s.lampColour = potRunning && runningPot ? kLampYellow : kLampGreen;
    return s;
}

}  // namespace qor::catalogue
