#include "bus/bus_link.h"

#include <algorithm>
#include <utility>

namespace qor::bus {

namespace {
constexpr int kPollTimeoutS = 2;
constexpr int kMeasurementAnswerLength = 8 + 12;
// An answer occupies 8 header bytes, its data and 2 checksum bytes of the answer buffer.
constexpr std::size_t kMaxDataLength = kBufferSize - kHeaderSize - 2;
}  // namespace

bool IsConductivityType(std::uint8_t t)
{
    return (t >= 3 && t <= 6) || (t >= 12 && t <= 15) || (t >= 21 && t <= 28) || t == 31 ||
           (t >= 35 && t <= 38);
}

BusLink::BusLink(Clock& clock, LinkListener& listener) : m_clock(clock), m_listener(listener) {}

void BusLink::Report(LinkEventKind kind, std::string detail)
{
    m_listener.OnLinkEvent(LinkEvent{kind, Ethernet(), std::move(detail)});
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
    if (Ethernet()) {
        if (!m_gateway)
            return -1;
        return m_gateway->GetValues(request, requestLength, answer, timeoutSeconds);
    }
    if (!m_serial)
        return -1;
    // A port that went away (adapter unplugged, simulator restarted) is opened again here.
    if (!m_serial->IsOpen())
        m_serial->Open(SerialSettingsNow());
    if (requestLength > 0) {
        // The checksum goes behind the frame, so send a copy when the caller's frame is
        // not the request buffer itself.
        if (request != m_request.data()) {
            std::array<std::uint8_t, kBufferSize> copy{};
            std::copy(request, request + requestLength, copy.begin());
            SendFrame(copy.data(), requestLength);
        } else {
            SendFrame(m_request.data(), requestLength);
        }
    }
    const std::int64_t deadline = m_clock.TickMs() + static_cast<std::int64_t>(timeoutSeconds) * 1000;
    auto remaining = [&] {
        std::int64_t r = deadline - m_clock.TickMs();
        return static_cast<int>(r > 0 ? r : 0);
    };
    if (!m_serial->WaitForBytes(10, remaining())) {
        m_serial->DiscardInput();
        return -1;
    }
    m_serial->Read(answer, 10);
    const std::size_t d = ReadU16(answer + 3);
    if (d == 0)
        return 8;
    if (d > kMaxDataLength) {
        // The length field would run past the answer buffer: refuse and drop the rest.
        m_serial->DiscardInput();
        return -1;
    }
    if (!m_serial->WaitForBytes(d, remaining()))
        return -1;
    m_serial->Read(answer + 10, d);
    if (!ChecksumFrame(answer, static_cast<int>(d) + 8, true))
        return -1;
    return static_cast<int>(d) + 8;
}

int BusLink::SendCommand(const std::uint8_t* request, int requestLength, std::uint8_t* answer,
                         int timeoutSeconds)
{
    if (Ethernet() && !m_connected && !OpenEthernet())
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
    if (!Ethernet())
        return;
    m_connected = false;
    if (m_gateway)
        m_gateway->CloseSocket();
    Report(LinkEventKind::GatewayFailed);
}

void BusLink::PrepareMeasureRequest(std::uint8_t address)
{
    BuildRequest(m_request.data(), CMD_READ_MEASUREMENT, address);
}

int BusLink::PollModule()
{
    // Only a re-entered handler can find the link busy on this single thread; wait for it
    // within one poll time-out rather than for ever.
    for (int waited = 0; m_busy && waited < kPollTimeoutS * 1000; waited += 10)
        m_clock.SleepMs(10);
    if (m_busy)
        return 0;
    m_busy = true;
    if (Ethernet() && !m_connected && !OpenEthernet()) {
        m_busy = false;
        return 0;
    }
    int r = Transceive(m_request.data(), 8, m_answer.data(), kPollTimeoutS);
    if (r < 1) {
        if (m_pollErrors < 255)
            ++m_pollErrors;
        m_busy = false;
        if (m_pollErrors > 5) {
            m_connected = false;
            Report(LinkEventKind::PollsFailing);
        }
        return 0;
    }
    const std::uint8_t* a = m_answer.data();
    // A short answer would leave the raw values of an earlier answer in the buffer.
    if (a[0] != kStartByte || (a[5] & (kStatusRefused | kStatusNotReady)) || a[1] != CMD_READ_MEASUREMENT ||
        r < kMeasurementAnswerLength) {
        m_busy = false;
        return 0;
    }
    const std::uint8_t* data = a + kHeaderSize;
    m_last.status = data[5];
    m_last.address = a[2];
    std::copy(a, a + kHeaderSize, m_last.header.begin());
    m_last.modeBits = static_cast<std::uint8_t>(data[4] >> 6);
    for (int i = 0; i < 3; ++i)
        m_last.raw[static_cast<std::size_t>(i)] = ReadI16(data + 6 + 2 * i);
    m_busy = false;
    if (m_pollErrors > 0)
        --m_pollErrors;
    return 1;
}

int BusLink::OpenPort()
{
    if (Ethernet()) {
        OpenEthernet();
        if (!m_connected)
            Report(LinkEventKind::NotConnected);
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
