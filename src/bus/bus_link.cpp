#include "bus/bus_link.h"

#include "catalogue/catalogue.h"

#include <algorithm>
#include <utility>

namespace qor::bus {

namespace {
constexpr int kPollTimeoutS = 2;
constexpr int kMeasurementAnswerLength = 8 + 12;
// An answer occupies 8 header bytes, its data and 2 checksum bytes of the answer buffer.
constexpr std::size_t kMaxDataLength = kBufferSize - kHeaderSize - 2;
}  // namespace

BusLink::BusLink(Clock& clock, LinkListener& listener) : m_clock(clock), m_listener(listener) {}

void BusLink::Report(LinkEventKind kind, std::string detail)
{
    m_listener.OnLinkEvent(LinkEvent{kind, Ethernet(), std::move(detail), {}});
}

int BusLink::ChecksumFrame(std::uint8_t* frame, int length, bool check)
{
    std::uint16_t crc = Crc16(frame, static_cast<std::size_t>(length));
    if (!check) {
        WriteU16(frame + length, crc);
        return 1;
    }
    if (ReadU16(frame + length) == crc)
        return 1;
    Report(LinkEventKind::ChecksumError);
    return 0;
}

int BusLink::SendFrame(std::uint8_t* frame, int length)
{
    if (!m_serial)
        return 0;
    m_serial->DiscardOutput();
    m_serial->DiscardInput();
    ChecksumFrame(frame, length, false);
    return m_serial->Write(frame, static_cast<std::size_t>(length) + 2) ? 1 : 0;
}

int BusLink::Transceive(const std::uint8_t* request, int requestLength, std::uint8_t* answer,
                        int timeoutSeconds)
{
    m_lastFailure = ExchangeFailure::None;
    int r = -1;
    if (!EnsureTransport())
        m_lastFailure = ExchangeFailure::LinkDown;
    else
        r = Ethernet() ? ExchangeGateway(request, requestLength, answer, timeoutSeconds)
                       : ExchangeSerial(request, requestLength, answer, timeoutSeconds);
    if (r >= static_cast<int>(kHeaderSize) && requestLength >= static_cast<int>(kHeaderSize) &&
        !AnswerBelongs(request, answer, r)) {
        // A late, doubled or misdirected answer: what follows it is dropped before the next request.
        m_lastFailure = ExchangeFailure::Corrupt;
        r = -1;
    }
    if (r >= static_cast<int>(kHeaderSize))
        m_outage = false;
    return r;
}

bool BusLink::AnswerBelongs(const std::uint8_t* request, const std::uint8_t* answer, int length) const
{
    // The gateway may answer the link test itself; its answer carries nothing.
    if (request[1] == CMD_LINK_TEST)
        return true;
    if (answer[0] != kStartByte || answer[1] != request[1])
        return false;
    if (answer[2] == request[2])
        return true;
    // A running potentiostat numbers its measurement answers 1..10 in place of its address.
    const std::uint8_t status = length >= kMeasurementAnswerLength ? answer[kHeaderSize + 5] : 0;
    return request[1] == CMD_READ_MEASUREMENT && catalogue::IsPotentiostat(status) && answer[2] >= 1 &&
           answer[2] <= 10 && !((m_amplifiers >> (request[2] & 15)) & 1u);
}

int BusLink::ExchangeGateway(const std::uint8_t* request, int requestLength, std::uint8_t* answer,
                             int timeoutSeconds)
{
    const int r = m_gateway->GetValues(request, requestLength, answer, timeoutSeconds);
    if (r >= 1)
        return r;
    if (m_gateway->IsConnected()) {
        m_lastFailure = ExchangeFailure::Silent;
    } else {
        m_lastFailure = ExchangeFailure::LinkDown;
        LoseLink();
    }
    return -1;
}

int BusLink::ExchangeSerial(const std::uint8_t* request, int requestLength, std::uint8_t* answer,
                            int timeoutSeconds)
{
    auto failed = [&](ExchangeFailure why) {
        m_lastFailure = m_serial->IsOpen() ? why : ExchangeFailure::LinkDown;
        if (!m_serial->IsOpen())
            LoseLink();
        return -1;
    };
    if (requestLength > 0) {
        // The checksum goes behind the frame, so send a copy when the caller's frame is
        // not the request buffer itself.
        int sent = 0;
        if (request != m_request.data()) {
            std::array<std::uint8_t, kBufferSize> copy{};
            std::copy(request, request + requestLength, copy.begin());
            sent = SendFrame(copy.data(), requestLength);
        } else {
            sent = SendFrame(m_request.data(), requestLength);
        }
        if (!sent && !m_serial->IsOpen())
            return failed(ExchangeFailure::LinkDown);
    }
    const std::int64_t deadline = m_clock.TickMs() + static_cast<std::int64_t>(timeoutSeconds) * 1000;
    auto remaining = [&] {
        std::int64_t r = deadline - m_clock.TickMs();
        return static_cast<int>(r > 0 ? r : 0);
    };
    if (!m_serial->WaitForBytes(10, remaining())) {
        const bool some = m_serial->BytesAvailable() > 0;
        m_serial->DiscardInput();
        return failed(some ? ExchangeFailure::Corrupt : ExchangeFailure::Silent);
    }
    m_serial->Read(answer, 10);
    const std::size_t d = ReadU16(answer + 3);
    if (d == 0)
        return 8;
    if (d > kMaxDataLength) {
        // The length field would run past the answer buffer: refuse and drop the rest.
        m_serial->DiscardInput();
        return failed(ExchangeFailure::Corrupt);
    }
    if (!m_serial->WaitForBytes(d, remaining()))
        return failed(ExchangeFailure::Corrupt);
    m_serial->Read(answer + 10, d);
    if (!ChecksumFrame(answer, static_cast<int>(d) + 8, true))
        return failed(ExchangeFailure::Corrupt);
    return static_cast<int>(d) + 8;
}

bool BusLink::EnsureTransport()
{
    if (Ethernet()) {
        if (!m_gateway)
            return false;
        if (m_connected && m_gateway->IsConnected())
            return true;
        if (m_connected)
            LoseLink();
    } else {
        if (!m_serial)
            return false;
        if (m_serial->IsOpen())
            return true;
    }
    // A port or gateway that is not there is asked again at most once a second.
    const std::int64_t now = m_clock.TickMs();
    if (now < m_reopenNotBeforeMs)
        return false;
    const bool ok = Ethernet() ? OpenEthernet() != 0 : m_serial->Open(SerialSettingsNow());
    if (ok) {
        m_reopenNotBeforeMs = 0;
        m_reopenPauseMs = 1000;
        return true;
    }
    m_reopenNotBeforeMs = now + m_reopenPauseMs;
    if (m_growingPause)
        m_reopenPauseMs = std::min(2 * m_reopenPauseMs, kMaxReopenPauseMs);
    LoseLink();
    return false;
}

void BusLink::LoseLink(bool report)
{
    if (Ethernet()) {
        if (m_connected && m_gateway)
            m_gateway->CloseSocket();
        m_connected = false;
    }
    if (m_outage)
        return;
    m_outage = true;
    m_outageMarkMs = m_clock.TickMs();
    if (!report)
        return;
    if (Ethernet())
        Report(LinkEventKind::GatewayFailed);
    else
        ReportPort(LinkEventKind::PortLost);
}

void BusLink::ReportPort(LinkEventKind kind)
{
    LinkEvent e{kind, Ethernet(), {}, {}};
    if (m_serial)
        e.port = m_serial->LastFailure();
    if (e.port.device.empty())
        e.port.device = SerialSettingsNow().device;
    m_listener.OnLinkEvent(e);
}

int BusLink::SendCommand(const std::uint8_t* request, int requestLength, std::uint8_t* answer,
                         int timeoutSeconds)
{
    if (Ethernet() && !EnsureTransport())
        return 0;
    int r = Transceive(request, requestLength, answer, timeoutSeconds);
    if (r < 1) {
        LinkError();
        return -1;
    }
    if (answer[5] & kStatusRefused)
        return -1;
    return r;
}

void BusLink::LinkError()
{
    if (Ethernet())
        LoseLink();
}

void BusLink::PrepareMeasureRequest(std::uint8_t address)
{
    BuildRequest(m_request.data(), CMD_READ_MEASUREMENT, address);
}

void BusLink::CountFailure()
{
    if (m_pollErrors < 255)
        ++m_pollErrors;
    if (m_pollErrors > 5) {
        m_connected = false;
        Report(LinkEventKind::PollsFailing);
    }
}

void BusLink::CountOutage()
{
    // However many modules a cycle polls, a lost link costs one failure per poll time-out.
    const std::int64_t now = m_clock.TickMs();
    if (now - m_outageMarkMs < kPollTimeoutMs)
        return;
    m_outageMarkMs = now;
    CountFailure();
}

std::optional<MeasurementAnswer> BusLink::PollModule()
{
    // Only a re-entered handler can find the link busy on this single thread; wait for it
    // within one poll time-out rather than for ever.
    for (int waited = 0; m_busy && waited < kPollTimeoutS * 1000; waited += 10)
        m_clock.SleepMs(10);
    if (m_busy)
        return std::nullopt;
    m_busy = true;
    const std::uint8_t address = m_request[2];
    int r = Transceive(m_request.data(), 8, m_answer.data(), kPollTimeoutS);
    m_busy = false;
    if (r < 1) {
        if (m_lastFailure == ExchangeFailure::LinkDown)
            CountOutage();
        else
            CountFailure();
        return std::nullopt;
    }
    std::optional<MeasurementAnswer> m = DecodeMeasurement(m_answer.data(), r);
    if (!m)
        return std::nullopt;
    if (m->address == address && address < 16) {
        if (catalogue::IsPotentiostat(m->status))
            m_amplifiers = static_cast<std::uint16_t>(m_amplifiers & ~(1u << address));
        else
            m_amplifiers = static_cast<std::uint16_t>(m_amplifiers | (1u << address));
    }
    if (m_pollErrors > 0)
        --m_pollErrors;
    return m;
}

int BusLink::OpenPort()
{
    if (Ethernet()) {
        OpenEthernet();
        if (!m_connected) {
            Report(LinkEventKind::NotConnected);
            LoseLink(false);
        }
        return m_connected ? 1 : 0;
    }
    if (!m_serial)
        return 0;
    if (m_serial->IsOpen())
        m_serial->Close();
    bool ok = m_serial->Open(SerialSettingsNow());
    std::string notice = m_serial->TakeNotice();
    if (!notice.empty())
        Report(LinkEventKind::PortNotice, std::move(notice));
    if (!ok) {
        ReportPort(LinkEventKind::PortUnavailable);
        LoseLink(false);
    }
    return ok ? 1 : 0;
}

int BusLink::OpenEthernet()
{
    if (!m_connected)
        m_connected = m_gateway && m_gateway->ConnectSocketIP(m_settings.ip.data(), m_settings.tcpPort) != 0;
    Report(m_connected ? LinkEventKind::GatewayOpen : LinkEventKind::GatewayClosed);
    Report(LinkEventKind::KeepAliveWanted);
    return m_connected ? 1 : 0;
}

void BusLink::CloseEthernet()
{
    if (m_connected && m_gateway)
        m_gateway->CloseSocket();
    m_connected = false;
}

int BusLink::LinkTest()
{
    std::array<std::uint8_t, kBufferSize> req{};
    int n = BuildRequest(req.data(), CMD_LINK_TEST, 1);
    return Transceive(req.data(), n, m_answer.data(), kPollTimeoutS);
}

void BusLink::KeepAlive()
{
    if (!Ethernet() || !m_connected || m_busy)
        return;
    if (LinkTest() < 1)
        LinkError();
    else
        Report(LinkEventKind::GatewayOpen);
}

SerialSettings BusLink::SerialSettingsNow() const
{
    return SerialSettings{m_settings.port, m_settings.baud, m_settings.device};
}

}  // namespace qor::bus
