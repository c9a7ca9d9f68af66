#pragma once

#include "bus/byte_stream.h"
#include "sim/sim_bus.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

namespace qor::sim {

// A serial line in front of the simulated bus, on the bus clock. Answers arrive after an
// optional delay; a test can cut or corrupt them, or put arbitrary bytes on the line.
class SimByteStream final : public bus::ByteStream {
public:
    explicit SimByteStream(SimBus& bus) : m_bus(bus) {}

    bool Open(const bus::SerialSettings& settings) override;
    void Close() override { m_open = false; }
    bool IsOpen() const override { return m_open; }
    bool Write(const std::uint8_t* data, std::size_t length) override;
    bool WaitForBytes(std::size_t count, int timeoutMs) override;
    std::size_t BytesAvailable() override;
    std::size_t Read(std::uint8_t* data, std::size_t length) override;
    void DiscardInput() override { m_input.clear(); }
    void DiscardOutput() override {}

    // Changes the bytes of the next answers before they go on the line.
    void SetTransform(std::function<void(std::vector<std::uint8_t>&)> f) { m_transform = std::move(f); }
    void SetAnswerDelayMs(int ms) { m_delayMs = ms; }
    // Bytes that arrive `afterMs` from now regardless of any request.
    void Inject(const std::vector<std::uint8_t>& bytes, int afterMs = 0);
    int Opens() const { return m_opens; }

private:
    struct Pending {
        std::int64_t at;
        std::uint8_t byte;
    };
    SimBus& m_bus;
    bool m_open = false;
    int m_opens = 0;
    std::deque<Pending> m_input;
    std::function<void(std::vector<std::uint8_t>&)> m_transform;
    int m_delayMs = 0;
};

}  // namespace qor::sim
