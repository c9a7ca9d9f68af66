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

// Why a serial port did not open.
enum class PortProblem { None, NoDevice, NoPermission, Busy, Other };
struct PortFailure {
    PortProblem problem = PortProblem::None;
    std::string device;
    std::string detail;  // the system's own words, for PortProblem::Other
};

// The serial byte stream seam: the real port, or a simulated stream in tests.
class ByteStream {
public:
    virtual ~ByteStream() = default;
    virtual bool Open(const SerialSettings& settings) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    virtual bool Write(const std::uint8_t* data, std::size_t length) = 0;
    // Blocks until at least `count` bytes can be read or `timeoutMs` has passed.
    virtual bool WaitForBytes(std::size_t count, int timeoutMs) = 0;
    virtual std::size_t BytesAvailable() = 0;
    virtual std::size_t Read(std::uint8_t* data, std::size_t length) = 0;
    virtual void DiscardInput() = 0;
    virtual void DiscardOutput() = 0;
    // A one-time remark about the port (for the logbook), empty when there is none.
    virtual std::string TakeNotice() { return {}; }
    // Why the last Open failed, or why the open port was lost.
    virtual PortFailure LastFailure() const { return {}; }
};

}  // namespace qor::bus
