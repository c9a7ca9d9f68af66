#pragma once

#include "bus/byte_stream.h"

#include <memory>
#include <string>

class QSerialPort;

namespace qor::io {

// The serial byte stream on Qt SerialPort: 8N1, DTR on, RTS off, 8191-byte input buffer.
// Waiting blocks in the port's own wait, so a silent module costs no CPU.
class SerialLink final : public bus::ByteStream {
public:
    SerialLink();
    ~SerialLink() override;

    bool Open(const bus::SerialSettings& settings) override;
    void Close() override;
    bool IsOpen() const override;
    bool Write(const std::uint8_t* data, std::size_t length) override;
    bool WaitForBytes(std::size_t count, int timeoutMs) override;
    std::size_t BytesAvailable() override;
    std::size_t Read(std::uint8_t* data, std::size_t length) override;
    void DiscardInput() override;
    void DiscardOutput() override;
    std::string TakeNotice() override;
    bus::PortFailure LastFailure() const override { return m_failure; }

    // The device opened for COM n when no path is configured.
    static std::string DeviceForPort(int port);
    const std::string& LastError() const { return m_lastError; }

private:
    void CheckLatencyTimer(const std::string& device);
    bool Lost();
    void Classify(const std::string& device);

    std::unique_ptr<QSerialPort> m_port;
    std::string m_lastError;
    std::string m_device;
    std::string m_notice;
    bus::PortFailure m_failure;
    bool m_latencyReported = false;
};

}  // namespace qor::io
