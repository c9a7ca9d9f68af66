#include "sim/sim_link.h"

#include "bus/frame.h"

#include <algorithm>

namespace qor::sim {

int SimLink::ConnectSocketIP(const std::uint8_t[4], std::uint16_t)
{
    if (m_down)
        return 0;
    m_connected = true;
    ++m_connects;
    return 1;
}

int SimLink::GetValues(const std::uint8_t* request, int requestLength, std::uint8_t* answer,
                       int timeoutSeconds)
{
    if (!m_connected || m_down || requestLength < 8) {
        m_connected = false;
        return -1;
    }
    auto reply = m_bus.Exchange(request, static_cast<std::size_t>(requestLength));
    if (!reply || reply->size() > bus::kBufferSize) {
        m_bus.BusClock().SleepMs(static_cast<std::int64_t>(timeoutSeconds) * 1000);
        return -1;
    }
    std::copy(reply->begin(), reply->end(), answer);
    return static_cast<int>(reply->size());
}

}  // namespace qor::sim
