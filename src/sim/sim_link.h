#pragma once

#include "bus/gateway.h"
#include "sim/sim_bus.h"

namespace qor::sim {

// The gateway seam served in-process by the simulated bus (tests and the station's
// simulated mode). A silent module costs the caller's full time-out on the bus clock.
class SimLink final : public bus::Gateway {
public:
    explicit SimLink(SimBus& bus) : m_bus(bus) {}

    int ConnectSocketIP(const std::uint8_t ip[4], std::uint16_t port) override;
    int GetValues(const std::uint8_t* request, int requestLength, std::uint8_t* answer,
                  int timeoutSeconds) override;
    void CloseSocket() override { m_connected = false; }
    bool IsConnected() const override { return m_connected; }

    // While down, connecting fails and open connections fail their next exchange.
    void SetDown(bool down) { m_down = down; }
    bool Connected() const { return m_connected; }
    int Connects() const { return m_connects; }

private:
    SimBus& m_bus;
    bool m_connected = false;
    bool m_down = false;
    int m_connects = 0;
};

}  // namespace qor::sim
