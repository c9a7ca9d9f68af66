#include "sim/sim_byte_stream.h"

#include <algorithm>

namespace qor::sim {

bool SimByteStream::Open(const bus::SerialSettings& /*settings*/)
{
    m_open = true;
    ++m_opens;
    m_input.clear();
    return true;
}

bool SimByteStream::Write(const std::uint8_t* data, std::size_t length)
{
    if (!m_open)
        return false;
    std::vector<std::uint8_t> answer = m_bus.ExchangeSerial(data, length);
    if (m_transform)
        m_transform(answer);
    const std::int64_t at = m_bus.BusClock().TickMs() + m_delayMs;
    for (std::uint8_t b : answer)
        m_input.push_back({at, b});
    return true;
}

void SimByteStream::Inject(const std::vector<std::uint8_t>& bytes, int afterMs)
{
    std::int64_t at = m_bus.BusClock().TickMs() + afterMs;
    for (std::uint8_t b : bytes)
        m_input.push_back({at, b});
}

std::size_t SimByteStream::BytesAvailable()
{
    const std::int64_t now = m_bus.BusClock().TickMs();
    std::size_t n = 0;
    for (const Pending& p : m_input) {
        if (p.at > now)
            break;
        ++n;
    }
    return n;
}

bool SimByteStream::WaitForBytes(std::size_t count, int timeoutMs)
{
    if (count == 0)
        return true;
    Clock& clock = m_bus.BusClock();
    const std::int64_t deadline = clock.TickMs() + timeoutMs;
    if (m_input.size() >= count) {
        std::int64_t ready = m_input[count - 1].at;
        if (ready <= deadline) {
            clock.SleepMs(ready - clock.TickMs());
            return true;
        }
    }
    clock.SleepMs(deadline - clock.TickMs());
    return false;
}

std::size_t SimByteStream::Read(std::uint8_t* data, std::size_t length)
{
    std::size_t n = std::min(length, BytesAvailable());
    for (std::size_t i = 0; i < n; ++i) {
        data[i] = m_input.front().byte;
        m_input.pop_front();
    }
    return n;
}

}  // namespace qor::sim
