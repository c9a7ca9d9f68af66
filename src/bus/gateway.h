#pragma once

#include <cstdint>

namespace qor::bus {

// The TCP gateway seam: the socket library's contract.
class Gateway {
public:
    virtual ~Gateway() = default;
    // Non-zero when connected.
    virtual int ConnectSocketIP(const std::uint8_t ip[4], std::uint16_t port) = 0;
    // Sends the request (without checksum) and writes the answer (without checksum) into
    // `answer`, which holds kBufferSize bytes. Returns the answer length (8 + data) or a
    // value below 1 on failure.
    virtual int GetValues(const std::uint8_t* request, int requestLength, std::uint8_t* answer,
                          int timeoutSeconds) = 0;
    virtual void CloseSocket() = 0;
    // False once the connection is gone (the peer closed it, or an exchange dropped it).
    virtual bool IsConnected() const { return true; }
};

}  // namespace qor::bus
