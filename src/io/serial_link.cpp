#include "io/serial_link.h"

#include "common/text.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace qor::io {

SerialLink::SerialLink() : m_port(std::make_unique<QSerialPort>()) {}
SerialLink::~SerialLink() = default;

std::string SerialLink::DeviceForPort(int port)
{
    return Format("/dev/ttyS%d", port > 0 ? port - 1 : 0);
}

bool SerialLink::Open(const bus::SerialSettings& settings)
{
    Close();
    const std::string device = settings.device.empty() ? DeviceForPort(settings.port) : settings.device;
    m_device = device;
    m_port->setPortName(QString::fromStdString(device));
    m_port->setReadBufferSize(8191);
    if (!m_port->open(QIODevice::ReadWrite)) {
        m_lastError = device + ": " + m_port->errorString().toStdString();
        Classify(device);
        return false;
    }
    m_failure = {};
    // A pseudo-terminal takes any speed; a real port refusing one is reported, not fatal.
    if (!m_port->setBaudRate(settings.baud))
        m_lastError = device + ": " + m_port->errorString().toStdString();
    m_port->setDataBits(QSerialPort::Data8);
    m_port->setParity(QSerialPort::NoParity);
    m_port->setStopBits(QSerialPort::OneStop);
    m_port->setFlowControl(QSerialPort::NoFlowControl);
    // Pseudo-terminals have no modem lines; the calls fail there harmlessly.
    m_port->setDataTerminalReady(true);
    m_port->setRequestToSend(false);
    m_port->clearError();
    CheckLatencyTimer(device);
    return true;
}

void SerialLink::Classify(const std::string& device)
{
    // The port's own error names the symptom; the device file tells the cause.
    m_failure = {bus::PortProblem::Other, device, m_port->errorString().toStdString()};
    std::error_code ec;
    if (!std::filesystem::exists(device, ec))
        m_failure.problem = bus::PortProblem::NoDevice;
    else if (::access(device.c_str(), R_OK | W_OK) != 0 && errno == EACCES)
        m_failure.problem = bus::PortProblem::NoPermission;
    else if (m_port->error() == QSerialPort::PermissionError || m_port->error() == QSerialPort::OpenError)
        m_failure.problem = bus::PortProblem::Busy;
}

void SerialLink::CheckLatencyTimer(const std::string& device)
{
    namespace fs = std::filesystem;
    if (m_latencyReported)
        return;
    std::error_code ec;
    fs::path real = fs::canonical(device, ec);
    if (ec)
        return;
    const std::string name = real.filename().string();
    fs::path timer = fs::path("/sys/bus/usb-serial/devices") / name / "latency_timer";
    std::ifstream in(timer);
    int ms = 0;
    if (!(in >> ms) || ms <= 1)
        return;
    std::ofstream out(timer);
    out << "1\n";
    out.flush();
    std::ifstream check(timer);
    int now = ms;
    check >> now;
    if (!out || now > 1) {
        m_notice = Format("Serial adapter %s waits %d ms before each answer (latency timer); "
                          "set %s to 1 to poll faster",
                          name.c_str(), ms, timer.string().c_str());
        m_latencyReported = true;
    }
}

std::string SerialLink::TakeNotice()
{
    std::string n;
    n.swap(m_notice);
    return n;
}

void SerialLink::Close()
{
    if (m_port->isOpen())
        m_port->close();
}

bool SerialLink::IsOpen() const
{
    return m_port->isOpen();
}

bool SerialLink::Lost()
{
    // The device went away (adapter unplugged, pseudo-terminal closed): close, so the
    // next exchange opens it again.
    if (m_port->error() == QSerialPort::ResourceError) {
        m_lastError = m_port->errorString().toStdString();
        m_failure = {bus::PortProblem::Other, m_device, m_lastError};
        m_port->clearError();
        m_port->close();
        return true;
    }
    return false;
}

bool SerialLink::Write(const std::uint8_t* data, std::size_t length)
{
    if (!m_port->isOpen())
        return false;
    qint64 w = m_port->write(reinterpret_cast<const char*>(data), static_cast<qint64>(length));
    if (w != static_cast<qint64>(length) || Lost())
        return false;
    while (m_port->bytesToWrite() > 0)
        if (!m_port->waitForBytesWritten(1000))
            break;
    return !Lost();
}

bool SerialLink::WaitForBytes(std::size_t count, int timeoutMs)
{
    if (!m_port->isOpen())
        return false;
    QElapsedTimer timer;
    timer.start();
    while (static_cast<std::size_t>(m_port->bytesAvailable()) < count) {
        qint64 left = timeoutMs - timer.elapsed();
        if (left <= 0)
            return false;
        if (!m_port->waitForReadyRead(static_cast<int>(left)) && Lost())
            return false;
    }
    return true;
}

std::size_t SerialLink::BytesAvailable()
{
    return m_port->isOpen() ? static_cast<std::size_t>(m_port->bytesAvailable()) : 0;
}

std::size_t SerialLink::Read(std::uint8_t* data, std::size_t length)
{
    qint64 n = m_port->read(reinterpret_cast<char*>(data), static_cast<qint64>(length));
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

void SerialLink::DiscardInput()
{
    if (!m_port->isOpen())
        return;
    m_port->clear(QSerialPort::Input);
    m_port->readAll();
}

void SerialLink::DiscardOutput()
{
    if (m_port->isOpen())
        m_port->clear(QSerialPort::Output);
}

}  // namespace qor::io
