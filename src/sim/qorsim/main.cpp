// qorsim: the simulated module bus behind a pseudo-terminal (frames with checksum, as on
// an RS232 line) and/or a TCP gateway (length-prefixed frames without checksum).
#include "bus/frame.h"
#include "common/clock.h"
#include "sim/sim_bus.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

volatile sig_atomic_t g_stop = 0;
void OnSignal(int)
{
    g_stop = 1;
}

void Usage()
{
    std::fprintf(
        stderr,
        "usage: qorsim [--tcp [HOST:]PORT] [--pty [--link PATH]] [options]\n"
        "  --tcp [HOST:]PORT     serve the gateway (host defaults to 127.0.0.1)\n"
        "  --pty                 create a pseudo-terminal; its path is the first line of stdout\n"
        "  --link PATH           also make PATH a symbolic link to the pseudo-terminal\n"
        "  --module ADDR=TYPE    a module of type code TYPE at ADDR (repeatable; replaces the default set)\n"
        "  --raw ADDR=A,B,C      fixed raw values 1..3 of the module at ADDR\n"
        "  --display-mode ADDR=M conductivity display mode 0..3 of the module at ADDR\n"
        "  --fault ADDR=KIND[:RATE]  fail answers of ADDR (RATE 0..1, default 1)\n"
        "  --fault-rate RATE[:KIND]  fail answers of every module at RATE\n"
        "                        KIND: silent, checksum, cut, status0, status6, echo (default: any)\n"
        "  --wire-time           delay pty answers by the wire time of request and answer\n"
        "  --baud N              line speed for --wire-time (default 56000)\n"
        "  --seed N              seed of the simulated values and faults\n"
        "commands on stdin: 'fault ADDR KIND [COUNT]', 'rate ADDR RATE [KIND]', 'add ADDR TYPE',\n"
        "  'remove ADDR', 'raw ADDR A,B,C'\n");
}

bool ParseAddrValue(const std::string& s, int& addr, std::string& value)
{
    auto eq = s.find('=');
    if (eq == std::string::npos)
        return false;
    char* end = nullptr;
    long a = std::strtol(s.c_str(), &end, 0);
    if (end != s.c_str() + eq || a < 0 || a > 15)
        return false;
    addr = static_cast<int>(a);
    value = s.substr(eq + 1);
    return true;
}

bool ParseRaw(const std::string& s, std::array<std::int16_t, 3>& raw)
{
    std::istringstream in(s);
    std::string part;
    for (int i = 0; i < 3; ++i) {
        if (!std::getline(in, part, ','))
            return false;
        char* end = nullptr;
        long v = std::strtol(part.c_str(), &end, 0);
        if (*end || v < -32768 || v > 32767)
            return false;
        raw[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(v);
    }
    return true;
}

bool ParseFaultSpec(const std::string& s, double& rate, qor::sim::Fault& kind, bool kindFirst)
{
    // kindFirst: "KIND[:RATE]", else "RATE[:KIND]"
    auto colon = s.find(':');
    std::string a = s.substr(0, colon), b = colon == std::string::npos ? "" : s.substr(colon + 1);
    std::string kindText = kindFirst ? a : b, rateText = kindFirst ? b : a;
    kind = qor::sim::Fault::None;
    if (!kindText.empty() && kindText != "any") {
        auto f = qor::sim::ParseFault(kindText);
        if (!f)
            return false;
        kind = *f;
    }
    rate = 1.0;
    if (!rateText.empty()) {
        char* end = nullptr;
        rate = std::strtod(rateText.c_str(), &end);
        if (*end || rate < 0 || rate > 1)
            return false;
    }
    return true;
}

struct Client {
    int fd;
    std::vector<std::uint8_t> in;
};

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

int main(int argc, char** argv)
{
    std::string tcpHost = "127.0.0.1";
    int tcpPort = -1;
    bool pty = false;
    std::string linkPath;
    std::vector<std::pair<int, int>> modules;
    std::map<int, std::array<std::int16_t, 3>> raws;
    std::map<int, int> displayModes;
    std::vector<std::tuple<int, double, qor::sim::Fault>> faults;
    double allRate = 0;
    qor::sim::Fault allKind = qor::sim::Fault::None;
    bool wireTime = false;
    int baud = 56000;
    unsigned seed = 1;

    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "qorsim: %s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        int addr;
        std::string value;
        if (a == "--tcp") {
            std::string v = next();
            auto colon = v.rfind(':');
            if (colon != std::string::npos) {
                tcpHost = v.substr(0, colon);
                v = v.substr(colon + 1);
            }
            char* end = nullptr;
            long p = std::strtol(v.c_str(), &end, 10);
            if (*end || p < 0 || p > 65535) {
                std::fprintf(stderr, "qorsim: bad TCP port '%s'\n", v.c_str());
                return 2;
            }
            tcpPort = static_cast<int>(p);
        } else if (a == "--pty") {
            pty = true;
        } else if (a == "--link") {
            linkPath = next();
        } else if (a == "--module") {
            std::string v = next();
            char* end = nullptr;
            long t = 0;
            if (ParseAddrValue(v, addr, value))
                t = std::strtol(value.c_str(), &end, 0);
            if (!end || *end || t < 0 || t > 255) {
                std::fprintf(stderr, "qorsim: bad module '%s' (ADDR=TYPE, ADDR 0..15, TYPE 0..255)\n",
                             v.c_str());
                return 2;
            }
            modules.emplace_back(addr, static_cast<int>(t));
        } else if (a == "--raw") {
            std::string v = next();
            std::array<std::int16_t, 3> raw{};
            if (!ParseAddrValue(v, addr, value) || !ParseRaw(value, raw)) {
                std::fprintf(stderr, "qorsim: bad raw values '%s' (ADDR=A,B,C)\n", v.c_str());
                return 2;
            }
            raws[addr] = raw;
        } else if (a == "--display-mode") {
            std::string v = next();
            if (!ParseAddrValue(v, addr, value)) {
                std::fprintf(stderr, "qorsim: bad display mode '%s'\n", v.c_str());
                return 2;
            }
            displayModes[addr] = std::atoi(value.c_str());
        } else if (a == "--fault") {
            std::string v = next();
            double rate;
            qor::sim::Fault kind;
            if (!ParseAddrValue(v, addr, value) || !ParseFaultSpec(value, rate, kind, true)) {
                std::fprintf(stderr, "qorsim: bad fault '%s'\n", v.c_str());
                return 2;
            }
            faults.emplace_back(addr, rate, kind);
        } else if (a == "--fault-rate") {
            if (!ParseFaultSpec(next(), allRate, allKind, false)) {
                std::fprintf(stderr, "qorsim: bad fault rate\n");
                return 2;
            }
        } else if (a == "--wire-time") {
            wireTime = true;
        } else if (a == "--baud") {
            baud = std::atoi(next().c_str());
            if (baud <= 0) {
                std::fprintf(stderr, "qorsim: bad baud rate\n");
                return 2;
            }
        } else if (a == "--seed") {
            seed = static_cast<unsigned>(std::strtoul(next().c_str(), nullptr, 10));
        } else if (a == "--help" || a == "-h") {
            Usage();
            return 0;
        } else {
            std::fprintf(stderr, "qorsim: unknown option '%s'\n", a.c_str());
            Usage();
            return 2;
        }
    }
    if (tcpPort < 0 && !pty) {
        std::fprintf(stderr, "qorsim: give --tcp and/or --pty\n");
        Usage();
        return 2;
    }

    qor::SystemClock clock;
    qor::sim::SimBus bus(clock, seed);
    if (modules.empty())
        bus.AddDefaultModules();
    for (auto [addr, type] : modules)
        bus.AddModule(static_cast<std::uint8_t>(addr), static_cast<std::uint8_t>(type));
    for (auto& [addr, raw] : raws)
        if (auto* m = bus.Module(static_cast<std::uint8_t>(addr)))
            m->SetRawValues(raw);
    for (auto& [addr, mode] : displayModes)
        if (auto* m = bus.Module(static_cast<std::uint8_t>(addr)))
            m->SetDisplayMode(static_cast<std::uint8_t>(mode));
    if (allRate > 0)
        bus.SetFaultRateAll(allRate, allKind);
    for (auto& [addr, rate, kind] : faults)
        bus.SetFaultRate(static_cast<std::uint8_t>(addr), rate, kind);

    signal(SIGINT, OnSignal);
    signal(SIGTERM, OnSignal);
    signal(SIGPIPE, SIG_IGN);

    int listenFd = -1;
    if (tcpPort >= 0) {
        listenFd = OpenListener(tcpHost, tcpPort);
        if (listenFd < 0) {
            std::fprintf(stderr, "qorsim: cannot listen on %s:%d: %s\n", tcpHost.c_str(), tcpPort,
                         listenFd == -2 ? "not an IPv4 address" : std::strerror(errno));
            return 1;
        }
    }
    int master = -1, slaveKeep = -1;
    if (pty) {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) < 0 || ::unlockpt(master) < 0) {
            std::fprintf(stderr, "qorsim: cannot create a pseudo-terminal: %s\n", std::strerror(errno));
            return 1;
        }
        const char* name = ::ptsname(master);
        // Holding the slave side open keeps the master readable between client sessions.
        slaveKeep = ::open(name, O_RDWR | O_NOCTTY);
        termios tio{};
        if (slaveKeep >= 0 && ::tcgetattr(slaveKeep, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(slaveKeep, TCSANOW, &tio);
        }
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        if (!linkPath.empty()) {
            ::unlink(linkPath.c_str());
            if (::symlink(name, linkPath.c_str()) < 0) {
                std::fprintf(stderr, "qorsim: cannot create link %s: %s\n", linkPath.c_str(),
                             std::strerror(errno));
                return 1;
            }
        }
        std::printf("%s\n", name);
    }
    if (listenFd >= 0)
        std::printf("tcp %s:%d\n", tcpHost.c_str(), tcpPort);
    std::fflush(stdout);

    std::vector<Client> clients;
    std::vector<std::uint8_t> serialIn;
    auto serialSince = std::chrono::steady_clock::now();
    std::string stdinLine;
    bool stdinOpen = true;

    while (!g_stop) {
        std::vector<pollfd> fds;
        if (listenFd >= 0)
            fds.push_back({listenFd, POLLIN, 0});
        if (master >= 0)
            fds.push_back({master, POLLIN, 0});
        if (stdinOpen)
            fds.push_back({0, POLLIN, 0});
        for (auto& c : clients)
            fds.push_back({c.fd, POLLIN, 0});
        int timeout = serialIn.empty() ? 500 : 20;
        int r = ::poll(fds.data(), fds.size(), timeout);
        if (r < 0 && errno != EINTR)
            break;
        for (auto& p : fds) {
            if (!(p.revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            if (p.fd == listenFd) {
                int c = ::accept(listenFd, nullptr, nullptr);
                if (c >= 0) {
                    int one = 1;
                    ::setsockopt(c, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                    clients.push_back({c, {}});
                }
            } else if (p.fd == master) {
                std::uint8_t buf[2048];
                ssize_t n = ::read(master, buf, sizeof buf);
                if (n > 0) {
                    if (serialIn.empty())
                        serialSince = std::chrono::steady_clock::now();
                    serialIn.insert(serialIn.end(), buf, buf + n);
                }
            } else if (p.fd == 0) {
                char buf[512];
                ssize_t n = ::read(0, buf, sizeof buf);
                if (n <= 0) {
                    stdinOpen = false;
                    continue;
                }
                stdinLine.append(buf, static_cast<std::size_t>(n));
                std::size_t nl;
                while ((nl = stdinLine.find('\n')) != std::string::npos) {
                    std::istringstream cmd(stdinLine.substr(0, nl));
                    stdinLine.erase(0, nl + 1);
                    std::string verb, kindText, extra;
                    int addr = -1;
                    cmd >> verb >> addr;
                    if (addr < 0 || addr > 15)
                        continue;
                    auto a8 = static_cast<std::uint8_t>(addr);
                    if (verb == "fault") {
                        int count = 1;
                        cmd >> kindText >> count;
                        if (auto f = qor::sim::ParseFault(kindText))
                            for (int k = 0; k < (count > 0 ? count : 1); ++k)
                                bus.QueueFault(a8, *f);
                    } else if (verb == "rate") {
                        double rate = 0;
                        cmd >> rate >> kindText;
                        auto f = qor::sim::ParseFault(kindText);
                        bus.SetFaultRate(a8, rate, f ? *f : qor::sim::Fault::None);
                    } else if (verb == "add") {
                        int type = 0;
                        cmd >> type;
                        bus.AddModule(a8, static_cast<std::uint8_t>(type));
                    } else if (verb == "remove") {
                        bus.RemoveModule(a8);
                    } else if (verb == "raw") {
                        std::array<std::int16_t, 3> raw{};
                        cmd >> extra;
                        if (ParseRaw(extra, raw))
                            if (auto* m = bus.Module(a8))
                                m->SetRawValues(raw);
                    }
                }
            } else {
                for (auto& c : clients) {
                    if (c.fd != p.fd)
                        continue;
                    std::uint8_t buf[2048];
                    ssize_t n = ::read(c.fd, buf, sizeof buf);
                    if (n <= 0) {
                        ::close(c.fd);
                        c.fd = -1;
                        break;
                    }
                    c.in.insert(c.in.end(), buf, buf + n);
                    // Gateway frames: u16 LE length, then the request without checksum.
                    while (c.in.size() >= 2) {
                        std::size_t len = qor::bus::ReadU16(c.in.data());
                        if (c.in.size() < 2 + len)
                            break;
                        auto answer = bus.Exchange(c.in.data() + 2, len);
                        c.in.erase(c.in.begin(), c.in.begin() + static_cast<long>(2 + len));
                        std::vector<std::uint8_t> out(2, 0);
                        if (answer) {
                            qor::bus::WriteU16(out.data(), static_cast<std::uint16_t>(answer->size()));
                            out.insert(out.end(), answer->begin(), answer->end());
                        }
                        WriteAll(c.fd, out.data(), out.size());
                    }
                    break;
                }
            }
        }
        std::erase_if(clients, [](const Client& c) { return c.fd < 0; });

        // Serial frames: answer each complete one; drop bytes that cannot start a frame
        // and a fragment that stays incomplete (a cut or garbled request).
        while (!serialIn.empty()) {
            int len = qor::sim::SimBus::SerialFrameLength(serialIn.data(), serialIn.size());
            if (len < 0) {
                serialIn.erase(serialIn.begin());
                serialSince = std::chrono::steady_clock::now();
                continue;
            }
            if (len == 0) {
                if (std::chrono::steady_clock::now() - serialSince > std::chrono::milliseconds(100)) {
                    serialIn.erase(serialIn.begin());
                    continue;
                }
                break;
            }
            auto answer = bus.ExchangeSerial(serialIn.data(), static_cast<std::size_t>(len));
            if (wireTime)
                SleepMicros(static_cast<std::int64_t>((static_cast<std::size_t>(len) + answer.size()) * 10) *
                            1000000 / baud);
            if (!answer.empty())
                WriteAll(master, answer.data(), answer.size());
            serialIn.erase(serialIn.begin(), serialIn.begin() + len);
            serialSince = std::chrono::steady_clock::now();
        }
    }
    for (auto& c : clients)
        ::close(c.fd);
    if (listenFd >= 0)
        ::close(listenFd);
    if (!linkPath.empty())
        ::unlink(linkPath.c_str());
    if (slaveKeep >= 0)
        ::close(slaveKeep);
    if (master >= 0)
        ::close(master);
    return 0;
}
