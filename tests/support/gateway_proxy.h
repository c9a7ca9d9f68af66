#pragma once

// A gateway between one client and a real gateway that misbehaves on command: it doubles
// every fourth answer, hands out another address's answer for every fourth, or swallows
// all answers (frozen). Frames: a 16-bit little-endian count, then the frame.
#include "support/free_port.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace qor::test {

class GatewayProxy {
public:
    enum class Mode { Pass, Duplicate, Misdirect, Freeze };

    GatewayProxy(int port, int upstreamPort) : m_port(port), m_upstreamPort(upstreamPort)
    {
        m_listen = Socket(m_port, true);
        m_thread = std::thread([this] { Run(); });
    }
    ~GatewayProxy()
    {
        m_stop = true;
        m_thread.join();
        Drop(m_listen), Drop(m_client), Drop(m_upstream);
    }
    void SetMode(Mode mode) { m_mode = mode; }

private:
    static void Drop(int& fd)
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    static int Socket(int port, bool listen) { return listen ? ListenLoopback(port) : ConnectLoopback(port); }
    static bool ReadFull(int fd, std::uint8_t* p, std::size_t n)
    {
        for (ssize_t r = 0; n > 0; p += r, n -= static_cast<std::size_t>(r)) {
            pollfd pf{fd, POLLIN, 0};
            if (::poll(&pf, 1, 3000) <= 0 || (r = ::read(fd, p, n)) <= 0)
                return false;
        }
        return true;
    }
    void Send(const std::vector<std::uint8_t>& b) { ::send(m_client, b.data(), b.size(), MSG_NOSIGNAL); }

    // One request through the real gateway; its answer as the mode wants it.
    void Serve(const std::vector<std::uint8_t>& request)
    {
        std::vector<std::uint8_t> answer(2);
        if ((m_upstream < 0 && (m_upstream = Socket(m_upstreamPort, false)) < 0) ||
            ::send(m_upstream, request.data(), request.size(), MSG_NOSIGNAL) <= 0 ||
            !ReadFull(m_upstream, answer.data(), 2))
            return;
        answer.resize(2u + (answer[0] | (answer[1] << 8)));
        if (!ReadFull(m_upstream, answer.data() + 2, answer.size() - 2))
            return;
        const bool measurement = answer.size() >= 22 && answer[3] == 0x10;
        if (measurement)
            m_last[answer[4]] = answer;
        const bool fourth = ++m_served % 4 == 0;
        if (m_mode == Mode::Freeze)
            return;
        if (m_mode == Mode::Misdirect && measurement && fourth)
            for (const auto& [address, other] : m_last)
                if (address != answer[4])
                    return Send(other);
        Send(answer);
        if (m_mode == Mode::Duplicate && fourth)
            Send(answer);
    }

    void Run()
    {
        std::vector<std::uint8_t> in;
        while (!m_stop) {
            pollfd p{m_client >= 0 ? m_client : m_listen, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            if (p.fd == m_listen) {
                Drop(m_client);
                m_client = ::accept(m_listen, nullptr, nullptr);
                in.clear();
                continue;
            }
            std::uint8_t buf[2048];
            const ssize_t n = ::read(m_client, buf, sizeof buf);
            if (n <= 0) {
                Drop(m_client);
                continue;
            }
            in.insert(in.end(), buf, buf + n);
            for (std::size_t len; in.size() >= 2 && in.size() >= (len = 2u + (in[0] | (in[1] << 8)));) {
                Serve(std::vector<std::uint8_t>(in.begin(), in.begin() + static_cast<long>(len)));
                in.erase(in.begin(), in.begin() + static_cast<long>(len));
            }
        }
    }

    const int m_port, m_upstreamPort;
    std::atomic<Mode> m_mode{Mode::Pass};
    std::atomic<bool> m_stop{false};
    int m_listen = -1, m_client = -1, m_upstream = -1, m_served = 0;
    std::map<std::uint8_t, std::vector<std::uint8_t>> m_last;
    std::thread m_thread;
};

}  // namespace qor::test
