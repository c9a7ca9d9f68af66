#pragma once

#include "station/config.h"

#include <array>
#include <cstdint>
#include <string>

namespace qor::station {

// The port setup dialog's rules, apart from its widgets.
class Rs232Model {
public:
    static constexpr int kSerialBaud = 56000;
    static constexpr int kMinTcpPort = 4000;
    static constexpr int kMaxTcpPort = 65535;

    explicit Rs232Model(const station::StationConfig& config);

    // Hardware choice: the serial port runs at the one offered baud rate.
    void ChooseSerial();
    void ChooseLan();
    bool Lan() const { return m_config.link.ethernet != 0; }

    void SetPort(int port);
    void SetDevice(const std::string& device) { m_config.link.device = device; }
    void SetTcpPort(int port);
    void SetIp(const std::array<std::uint8_t, 4>& ip) { m_config.link.ip = ip; }
    void SetUseHostName(bool byName) { m_config.link.ipHost = byName ? 1 : 0; }
    void SetHostName(const std::string& name) { m_config.link.hostName = name; }
    void SetIdCount(int idCount);
    void SetAutoEnable(bool on) { m_config.autoEnable = on ? 1 : 0; }
    void SetInterval(int hours, int minutes, int seconds);

    // What OK hands back: an interval of less than a minute becomes ten minutes.
    station::StationConfig Accept() const;

    const station::StationConfig& Current() const { return m_config; }
    station::TimeOfDay Interval() const { return m_interval; }

private:
    station::StationConfig m_config;
    station::TimeOfDay m_interval;
};

}  // namespace qor::station
