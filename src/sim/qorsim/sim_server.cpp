#include "sim/qorsim/sim_server.h"

#include "bus/frame.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sstream>
#include <sys/socket.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace qor::sim {

namespace {

volatile std::sig_atomic_t g_stop = 0;
void OnSignal(int)
{
    g_stop = 1;
}

void WriteAll(int fd, const std::uint8_t* p, std::size_t n)
{
    while (n > 0) {
        ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EAGAIN) {
                pollfd pfd{fd, POLLOUT, 0};
                ::poll(&pfd, 1, 100);
                continue;
            }
            return;
        }
        p += w;
        n -= static_cast<std::size_t>(w);
    }
}

void SleepMicros(std::int64_t us)
{
    if (us > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(us));
}

// The listening socket; -2 when `host` is not an IPv4 address, -1 on other failures.
int OpenListener(const std::string& host, int port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return -1;
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::inet_pton(AF_INET, host.c_str(), &addr.sin_addr) != 1) {
        ::close(fd);
        return -2;
    }
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) < 0 || ::listen(fd, 8) < 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

SimServer::SimServer(SimBus& bus, const SimOptions& options)
    : m_bus(bus), m_options(options), m_serialSince(std::chrono::steady_clock::now())
{
}

SimServer::~SimServer()
{
    for (auto& c : m_clients)
        ::close(c.fd);
    if (m_listenFd >= 0)
        ::close(m_listenFd);
    if (m_linkMade)
        ::unlink(m_options.linkPath.c_str());
    if (m_slaveKeep >= 0)
        ::close(m_slaveKeep);
    if (m_master >= 0)
        ::close(m_master);
}

bool SimServer::Open()
{
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGPIPE, SIG_IGN);

    if (m_options.tcpPort >= 0) {
        m_listenFd = OpenListener(m_options.tcpHost, m_options.tcpPort);
        if (m_listenFd < 0) {
            std::fprintf(stderr, "qorsim: cannot listen on %s:%d: %s\n", m_options.tcpHost.c_str(),
                         m_options.tcpPort, m_listenFd == -2 ? "not an IPv4 address" : std::strerror(errno));
            return false;
        }
    }
    if (m_options.pty) {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || ::grantpt(m_master) < 0 || ::unlockpt(m_master) < 0) {
            std::fprintf(stderr, "qorsim: cannot create a pseudo-terminal: %s\n", std::strerror(errno));
            return false;
        }
        const char* name = ::ptsname(m_master);
        // Holding the slave side open keeps the master readable between client sessions.
        m_slaveKeep = ::open(name, O_RDWR | O_NOCTTY);
        termios tio{};
        if (m_slaveKeep >= 0 && ::tcgetattr(m_slaveKeep, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(m_slaveKeep, TCSANOW, &tio);
        }
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        if (!m_options.linkPath.empty()) {
            ::unlink(m_options.linkPath.c_str());
            if (::symlink(name, m_options.linkPath.c_str()) < 0) {
                std::fprintf(stderr, "qorsim: cannot create link %s: %s\n", m_options.linkPath.c_str(),
                             std::strerror(errno));
                return false;
            }
            m_linkMade = true;
        }
        std::printf("%s\n", name);
    }
    if (m_listenFd >= 0)
        std::printf("tcp %s:%d\n", m_options.tcpHost.c_str(), m_options.tcpPort);
    std::fflush(stdout);
    return true;
}

int SimServer::RunScript()
{
    const auto& script = m_options.script;
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - m_servedSince).count();
    while (m_scriptNext < script.size() && script[m_scriptNext].first <= elapsed)
        RunCommand(script[m_scriptNext++].second);
    if (m_scriptNext >= script.size())
        return -1;
    return static_cast<int>(std::ceil((script[m_scriptNext].first - elapsed) * 1000));
}

void SimServer::Run()
{
    m_servedSince = std::chrono::steady_clock::now();
    while (!g_stop) {
        const int untilScript = RunScript();
        std::vector<pollfd> fds;
        if (m_listenFd >= 0)
            fds.push_back({m_listenFd, POLLIN, 0});
        if (m_master >= 0)
            fds.push_back({m_master, POLLIN, 0});
        if (m_stdinOpen)
            fds.push_back({0, POLLIN, 0});
        for (auto& c : m_clients)
            fds.push_back({c.fd, POLLIN, 0});
        int timeout = m_serialIn.empty() ? 500 : 20;
        if (untilScript >= 0 && untilScript < timeout)
            timeout = untilScript;
        const int r = ::poll(fds.data(), fds.size(), timeout);
        if (r < 0 && errno != EINTR)
            break;
        for (auto& p : fds) {
            if (!(p.revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            if (p.fd == m_listenFd) {
                Accept();
            } else if (p.fd == m_master) {
                ReadSerial();
            } else if (p.fd == 0) {
                ReadStdin();
            } else {
                for (auto& c : m_clients) {
                    if (c.fd == p.fd) {
                        ServeClient(c);
                        break;
                    }
                }
            }
        }
        std::erase_if(m_clients, [](const Client& c) { return c.fd < 0; });
        AnswerSerial();
    }
}

void SimServer::Accept()
{
    int c = ::accept(m_listenFd, nullptr, nullptr);
    if (c < 0)
        return;
    int one = 1;
    ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    m_clients.push_back({c, {}});
}

void SimServer::ReadSerial()
{
    std::uint8_t buf[2048];
    ssize_t n = ::read(m_master, buf, sizeof buf);
    if (n <= 0)
        return;
    if (m_serialIn.empty())
        m_serialSince = std::chrono::steady_clock::now();
    m_serialIn.insert(m_serialIn.end(), buf, buf + n);
}

void SimServer::ReadStdin()
{
    char buf[512];
    ssize_t n = ::read(0, buf, sizeof buf);
    if (n <= 0) {
        m_stdinOpen = false;
        return;
    }
    m_stdinLine.append(buf, static_cast<std::size_t>(n));
    std::size_t nl;
    while ((nl = m_stdinLine.find('\n')) != std::string::npos) {
        const std::string line = m_stdinLine.substr(0, nl);
        m_stdinLine.erase(0, nl + 1);
        RunCommand(line);
    }
}

void SimServer::RunCommand(const std::string& line)
{
    std::istringstream cmd(line);
    std::string verb, kindText, extra;
    int addr = -1;
    cmd >> verb >> addr;
    if (addr < 0 || addr > 15)
        return;
    const auto a8 = static_cast<std::uint8_t>(addr);
    if (verb == "fault") {
        int count = 1;
        cmd >> kindText >> count;
        if (auto f = ParseFault(kindText))
            for (int k = 0; k < (count > 0 ? count : 1); ++k)
                m_bus.QueueFault(a8, *f);
    } else if (verb == "rate") {
        double rate = 0;
        cmd >> rate >> kindText;
        auto f = ParseFault(kindText);
        m_bus.SetFaultRate(a8, rate, f ? *f : Fault::None);
    } else if (verb == "add") {
        int type = 0;
        cmd >> type;
        m_bus.AddModule(a8, static_cast<std::uint8_t>(type));
    } else if (verb == "remove") {
        m_bus.RemoveModule(a8);
    } else if (verb == "raw") {
        std::array<std::int16_t, 3> raw{};
        cmd >> extra;
        if (ParseRaw(extra, raw))
            if (auto* m = m_bus.Module(a8))
                m->SetRawValues(raw);
    }
}

void SimServer::ServeClient(Client& c)
{
    std::uint8_t buf[2048];
    ssize_t n = ::read(c.fd, buf, sizeof buf);
    if (n <= 0) {
        ::close(c.fd);
        c.fd = -1;
        return;
    }
    c.in.insert(c.in.end(), buf, buf + n);
    // Gateway frames: u16 LE length, then the request without checksum.
    while (c.in.size() >= 2) {
        std::size_t len = bus::ReadU16(c.in.data());
        if (c.in.size() < 2 + len)
            break;
        auto answer = m_bus.Exchange(c.in.data() + 2, len);
        c.in.erase(c.in.begin(), c.in.begin() + static_cast<long>(2 + len));
        std::vector<std::uint8_t> out(2, 0);
        if (answer) {
            bus::WriteU16(out.data(), static_cast<std::uint16_t>(answer->size()));
            out.insert(out.end(), answer->begin(), answer->end());
        }
        WriteAll(c.fd, out.data(), out.size());
    }
}

// Answers each complete serial frame; drops bytes that cannot start a frame and a
// fragment that stays incomplete (a cut or garbled request).
void SimServer::AnswerSerial()
{
    while (!m_serialIn.empty()) {
        int len = SimBus::SerialFrameLength(m_serialIn.data(), m_serialIn.size());
        if (len < 0) {
            m_serialIn.erase(m_serialIn.begin());
            m_serialSince = std::chrono::steady_clock::now();
            continue;
        }
        if (len == 0) {
            if (std::chrono::steady_clock::now() - m_serialSince > std::chrono::milliseconds(100)) {
                m_serialIn.erase(m_serialIn.begin());
                continue;
            }
            break;
        }
        auto answer = m_bus.ExchangeSerial(m_serialIn.data(), static_cast<std::size_t>(len));
        if (m_options.wireTime)
            SleepMicros(static_cast<std::int64_t>((static_cast<std::size_t>(len) + answer.size()) * 10) *
                        1000000 / m_options.baud);
        if (!answer.empty())
            WriteAll(m_master, answer.data(), answer.size());
        m_serialIn.erase(m_serialIn.begin(), m_serialIn.begin() + len);
        m_serialSince = std::chrono::steady_clock::now();
    }
}

}  // namespace qor::sim
