#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qor::bus {

// What a serial port is opened with.
struct SerialSettings {
    int port = 1;  // COM n
    int baud = 56000;
    std::string device;  // a device path; empty means the system's name for COM n
};

// The serial byte stream seam: the real port, or a simulated stream in tests.
class ByteStream {
public:
    virtual ~ByteStream() = default;
    virtual bool open(const SerialSettings& settings) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual bool write(const std::uint8_t* data, std::size_t length) = 0;
    // Blocks until at least `count` bytes can be read or `timeoutMs` has passed.
    virtual bool waitForBytes(std::size_t count, int timeoutMs) = 0;
    virtual std::size_t bytesAvailable() = 0;
    virtual std::size_t read(std::uint8_t* data, std::size_t length) = 0;
    virtual void discardInput() = 0;
    virtual void discardOutput() = 0;
    // A one-time remark about the port (for the logbook), empty when there is none.
    virtual std::string takeNotice() { return {}; }
};

}  // namespace qor::bus
