#pragma once

#include "bus/answers.h"
#include "bus/byte_stream.h"
#include "bus/frame.h"
#include "bus/gateway.h"
#include "bus/link_events.h"
#include "common/clock.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace qor::bus {

// Link settings, persisted by the configuration file.
struct LinkSettings {
    int port = 1;
    int baud = 56000;
    int ethernet = 0;
    std::array<std::uint8_t, 4> ip{192, 168, 2, 10};
    std::uint16_t tcpPort = 50000;
    int ipHost = 0;        // 0 IP address, 1 host name (stored only)
    std::string hostName;  // stored only
    std::string device;    // serial device path; empty = the system's name for COM port
    // The bus is simulated in this process: these settings reach no device and are never saved.
    bool simulated = false;

    bool operator==(const LinkSettings&) const = default;
};

// Why the last exchange failed.
enum class ExchangeFailure {
    None,
    Silent,    // nothing came back in time
    Corrupt,   // something came back, but cut, garbled or not the answer to this request
    LinkDown,  // the port or the gateway connection is gone (and could not be made again)
};

// The one link to the bus: framing, checksum, exchanges and the module poll, over either
// the serial byte stream or the TCP gateway. What happens on it goes to the listener.
class BusLink {
public:
    BusLink(Clock& clock, LinkListener& listener);

    void SetSerial(ByteStream* stream) { m_serial = stream; }
    void SetGateway(Gateway* gateway) { m_gateway = gateway; }
    ByteStream* Serial() const { return m_serial; }

    LinkSettings& Settings() { return m_settings; }
    const LinkSettings& Settings() const { return m_settings; }
    bool Ethernet() const { return m_settings.ethernet != 0; }

    std::uint8_t* Request() { return m_request.data(); }
    std::uint8_t* Answer() { return m_answer.data(); }

    // check false: appends the CRC behind `length` bytes, returns 1. check true: compares;
    // a mismatch is reported (ChecksumError) and returns 0.
    int ChecksumFrame(std::uint8_t* frame, int length, bool check);
    int SendFrame(std::uint8_t* frame, int length);
    // Returns the answer length without checksum (8 + data) or -1. An answer that does not
    // echo the request's command and address is a failed one. A lost port or gateway
    // connection is made again first (at most once a second while it stays lost).
    int Transceive(const std::uint8_t* request, int requestLength, std::uint8_t* answer, int timeoutSeconds);
    int SendCommand(const std::uint8_t* request, int requestLength, std::uint8_t* answer, int timeoutSeconds);
    // The gateway connection is to be dropped (no effect on the serial link).
    void LinkError();
    ExchangeFailure LastFailure() const { return m_lastFailure; }
    // The port or gateway is lost; a recording survives this for kOutageGraceMs.
    bool LinkLost() const { return m_outage; }

    void PrepareMeasureRequest(std::uint8_t address);
    // The decoded answer to the prepared measurement request; nullopt when none came or it
    // was unusable. Failed polls are counted (net of valid ones); while the link is lost, one
    // failure is counted per poll time-out of outage, so a lost link is borne as long as a
    // silent module.
    std::optional<MeasurementAnswer> PollModule();

    int OpenPort();
    int OpenEthernet();
    // Closes an open TCP connection (program end, reconfiguration).
    void CloseEthernet();
    // The keep-alive tick: tests an open TCP link.
    void KeepAlive();
    // Command 0x00 to address 1; the answer length or -1.
    int LinkTest();

    bool Connected() const { return m_connected; }
    bool Busy() const { return m_busy; }
    void SetBusy(bool b) { m_busy = b; }
    std::uint8_t PollErrors() const { return m_pollErrors; }
    // The search saves and restores the counter: silent free addresses are no link errors.
    void SetPollErrors(std::uint8_t n) { m_pollErrors = n; }

    // A lost port or gateway is asked again after 1 s; growing, the pause doubles after each
    // failed try up to kMaxReopenPauseMs.
    void SetGrowingReopenPause(bool on) { m_growingPause = on; }
    static constexpr std::int64_t kMaxReopenPauseMs = 30000;

    static constexpr int kPollTimeoutMs = 2000;
    // More than five counted failures end a recording: six poll time-outs.
    static constexpr int kOutageGraceMs = 6 * kPollTimeoutMs;

private:
    SerialSettings SerialSettingsNow() const;
    void Report(LinkEventKind kind, std::string detail = {});
    void ReportPort(LinkEventKind kind);
    // The port is open or the gateway connected, if need be by opening it now.
    bool EnsureTransport();
    int ExchangeGateway(const std::uint8_t* request, int requestLength, std::uint8_t* answer,
                        int timeoutSeconds);
    int ExchangeSerial(const std::uint8_t* request, int requestLength, std::uint8_t* answer,
                       int timeoutSeconds);
    bool AnswerBelongs(const std::uint8_t* request, const std::uint8_t* answer, int length) const;
    // Marks the link lost; the first time of an outage it is reported (when `report`).
    void LoseLink(bool report = true);
    void CountFailure();
    void CountOutage();

    Clock& m_clock;
    LinkListener& m_listener;
    ByteStream* m_serial = nullptr;
    Gateway* m_gateway = nullptr;
    LinkSettings m_settings;
    std::array<std::uint8_t, kBufferSize> m_request{};
    std::array<std::uint8_t, kBufferSize> m_answer{};
    bool m_connected = false;
    bool m_busy = false;
    std::uint8_t m_pollErrors = 0;
    ExchangeFailure m_lastFailure = ExchangeFailure::None;
    bool m_outage = false;
    std::int64_t m_outageMarkMs = 0;       // outage start, then the last failure it counted
    std::int64_t m_reopenNotBeforeMs = 0;  // after a failed open or connect
    std::int64_t m_reopenPauseMs = 1000;
    bool m_growingPause = false;
    std::uint16_t m_amplifiers = 0;  // addresses that answered as amplifiers
};

}  // namespace qor::bus
