#pragma once

#include "bus/gateway.h"

#include <memory>
#include <string>

class QTcpSocket;

namespace qor::io {

// The gateway client. On the wire each request is a 16-bit little-endian byte count
// followed by the request frame without checksum; each answer is a 16-bit little-endian
// byte count followed by the answer frame without checksum (count 0: the module did not answer).
class TcpLink final : public bus::Gateway {
public:
    TcpLink();
    ~TcpLink() override;

    int ConnectSocketIP(const std::uint8_t ip[4], std::uint16_t port) override;
    int GetValues(const std::uint8_t* request, int requestLength, std::uint8_t* answer,
                  int timeoutSeconds) override;
    void CloseSocket() override;
    bool IsConnected() const override;

    const std::string& LastError() const { return m_lastError; }

private:
    bool ReadExactly(char* data, long long count, long long deadlineMs);

    std::unique_ptr<QTcpSocket> m_socket;
    int m_connectTimeoutMs = 2000;
    std::string m_lastError;
};

}  // namespace qor::io
