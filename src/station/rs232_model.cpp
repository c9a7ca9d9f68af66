#include "station/rs232_model.h"

#include <algorithm>

namespace qor::station {

Rs232Model::Rs232Model(const station::StationConfig& config)
    : m_config(config), m_interval(station::SplitDayFraction(config.interval))
{
    if (!m_interval.valid)
        m_interval = {0, 10, 0, true};
}

void Rs232Model::ChooseSerial()
{
    m_config.link.baud = kSerialBaud;
    m_config.link.ethernet = 0;
}

void Rs232Model::ChooseLan()
{
    m_config.link.ethernet = 1;
}

void Rs232Model::SetPort(int port)
{
    m_config.link.port = std::clamp(port, 1, 255);
}

void Rs232Model::SetTcpPort(int port)
{
    m_config.link.tcpPort = static_cast<std::uint16_t>(std::clamp(port, kMinTcpPort, kMaxTcpPort));
}

void Rs232Model::SetIdCount(int idCount)
{
    m_config.idCount = std::clamp(idCount, 0, 15);
}

void Rs232Model::SetInterval(int hours, int minutes, int seconds)
{
    m_interval = {std::clamp(hours, 0, 23), std::clamp(minutes, 0, 59), std::clamp(seconds, 0, 59), true};
}

station::StationConfig Rs232Model::Accept() const
{
    station::StationConfig out = m_config;
    station::TimeOfDay t = m_interval;
    if (t.hours == 0 && t.minutes == 0)
        t = {0, 10, 0, true};
    out.interval = station::DayFraction(t.hours, t.minutes, t.seconds);
    return out;
}

}  // namespace qor::station
