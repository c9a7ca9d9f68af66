#include "io/tcp_link.h"

#include "bus/frame.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>

namespace qor::io {

TcpLink::TcpLink() : m_socket(std::make_unique<QTcpSocket>()) {}
TcpLink::~TcpLink() = default;

int TcpLink::ConnectSocketIP(const std::uint8_t ip[4], std::uint16_t port)
{
    m_socket->abort();
    quint32 v4 = (quint32{ip[0]} << 24) | (quint32{ip[1]} << 16) | (quint32{ip[2]} << 8) | quint32{ip[3]};
    m_socket->connectToHost(QHostAddress(v4), port);
    if (!m_socket->waitForConnected(m_connectTimeoutMs)) {
        m_lastError = m_socket->errorString().toStdString();
        m_socket->abort();
        return 0;
    }
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    return 1;
}

bool TcpLink::ReadExactly(char* data, long long count, long long deadlineMs)
{
    QElapsedTimer timer;
    timer.start();
    qint64 got = 0;
    while (got < count) {
        qint64 n = m_socket->read(data + got, count - got);
        if (n < 0)
            return false;
        got += n;
        if (got == count)
            break;
        qint64 left = deadlineMs - timer.elapsed();
        if (left <= 0 || m_socket->state() != QAbstractSocket::ConnectedState)
            return false;
        m_socket->waitForReadyRead(static_cast<int>(left));
    }
    return true;
}

int TcpLink::GetValues(const std::uint8_t* request, int requestLength, std::uint8_t* answer,
                       int timeoutSeconds)
{
    if (m_socket->state() != QAbstractSocket::ConnectedState || requestLength < 0 ||
        requestLength > static_cast<int>(bus::kBufferSize))
        return -1;
    // Whatever is still unread belongs to an earlier request (a late or doubled answer).
    while (m_socket->waitForReadyRead(0))
        m_socket->readAll();
    m_socket->readAll();
    if (m_socket->state() != QAbstractSocket::ConnectedState)
        return -1;
    char head[2];
    bus::WriteU16(reinterpret_cast<std::uint8_t*>(head), static_cast<std::uint16_t>(requestLength));
    m_socket->write(head, 2);
    m_socket->write(reinterpret_cast<const char*>(request), requestLength);
    const qint64 deadline = qint64{timeoutSeconds} * 1000;
    QElapsedTimer timer;
    timer.start();
    while (m_socket->bytesToWrite() > 0)
        if (!m_socket->waitForBytesWritten(static_cast<int>(deadline)))
            break;
    // A late or partial answer would be taken for the next one: drop the connection instead.
    if (!ReadExactly(head, 2, deadline - timer.elapsed())) {
        m_lastError = "no answer from the gateway";
        m_socket->abort();
        return -1;
    }
    const std::size_t length = bus::ReadU16(reinterpret_cast<const std::uint8_t*>(head));
    if (length == 0)
        return 0;
    if (length > bus::kBufferSize || length < bus::kHeaderSize) {
        m_lastError = "malformed answer from the gateway";
        m_socket->abort();
        return -1;
    }
    if (!ReadExactly(reinterpret_cast<char*>(answer), static_cast<qint64>(length),
                     deadline - timer.elapsed())) {
        m_lastError = "answer from the gateway cut short";
        m_socket->abort();
        return -1;
    }
    return static_cast<int>(length);
}

bool TcpLink::IsConnected() const
{
    return m_socket->state() == QAbstractSocket::ConnectedState;
}

void TcpLink::CloseSocket()
{
    m_socket->abort();
}

}  // namespace qor::io
