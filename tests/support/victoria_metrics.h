#pragma once

// A real VictoriaMetrics on 127.0.0.1 for tests of the time-series database writer: started on
// a free port with its data in a temporary folder, stopped and started again on the same port,
// and read back through its export API.
#include "support/free_port.h"
#include "support/process.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace qor::test {

// One plain HTTP/1.0 GET to 127.0.0.1:port; the body, or nothing when no 200 came.
inline bool HttpGet(int port, const std::string& target, std::string& body)
{
    const int fd = ConnectLoopback(port);
    const std::string request = "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
    std::string in;
    if (fd >= 0 &&
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
        char buf[65536];
        for (ssize_t n; (n = ::recv(fd, buf, sizeof buf, 0)) > 0;)
            in.append(buf, static_cast<std::size_t>(n));
    }
    if (fd >= 0)
        ::close(fd);
    const auto head = in.find("\r\n\r\n");
    if (in.compare(0, 12, "HTTP/1.0 200") != 0 && in.compare(0, 12, "HTTP/1.1 200") != 0)
        return false;
    body = head == std::string::npos ? std::string() : in.substr(head + 4);
    return true;
}

// One point of a series: milliseconds since 1970 and the value.
using SeriesPoints = std::vector<std::pair<std::int64_t, double>>;

// The database holds exactly the expected points: each once, at its time, with the value of
// the float stored (values travel as the shortest text that reads back as that float).
inline void ExpectSameSeries(const std::map<std::string, SeriesPoints>& got,
                             const std::map<std::string, SeriesPoints>& want)
{
    ASSERT_EQ(got.size(), want.size());
    for (const auto& [series, points] : want) {
        ASSERT_EQ(got.count(series), 1u) << series;
        const SeriesPoints& g = got.at(series);
        ASSERT_EQ(g.size(), points.size()) << series;
        for (std::size_t i = 0; i < points.size(); ++i) {
            EXPECT_EQ(g[i].first, points[i].first) << series << " " << i;
            EXPECT_EQ(static_cast<float>(g[i].second), static_cast<float>(points[i].second))
                << series << " " << i;
        }
    }
}

class VictoriaMetrics {
public:
    VictoriaMetrics() : m_port(PickFreePort())
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "qorvm.XXXXXX").string();
        m_dir = ::mkdtemp(tmpl.data());
    }
    ~VictoriaMetrics()
    {
        m_process.reset();
        std::filesystem::remove_all(m_dir);
    }

    // Starts it and waits until it answers (bounded: a loaded machine may take seconds).
    bool Start()
    {
        // A long retention: samples of the simulated clock lie decades back.
        m_process = std::make_unique<Process>(
            std::vector<std::string>{"/usr/bin/victoria-metrics", "-storageDataPath=" + m_dir + "/data",
                                     "-httpListenAddr=127.0.0.1:" + std::to_string(m_port),
                                     "-retentionPeriod=100y", "-loggerLevel=ERROR"});
        std::string body;
        for (int i = 0; i < 1200; ++i) {
            if (HttpGet(m_port, "/health", body))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    // SIGTERM: it writes what it holds to disk before it ends.
    void Stop()
    {
        if (m_process)
            m_process->Stop(SIGTERM);
        m_process.reset();
    }

    int Port() const { return m_port; }
    std::string WriteUrl() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/write"; }

    // Every point of the station's series, by "ADDRESS/VALUE" ("0/1", "V1/1"), in time order.
    std::map<std::string, SeriesPoints> Export(const std::string& station)
    {
        std::string body, match;
        HttpGet(m_port, "/internal/force_flush", body);
        for (const char c : "{__name__=\"qor_v\",station=\"" + station + "\"}") {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(c));
            match += std::isalnum(static_cast<unsigned char>(c)) ? std::string(1, c) : std::string(hex);
        }
        std::map<std::string, SeriesPoints> out;
        const std::string csv = "/api/v1/export/csv?format=address,value,__timestamp__:unix_ms,__value__";
        if (!HttpGet(m_port, csv + "&match%5B%5D=" + match, body))
            return out;
        std::istringstream rows(body);
        for (std::string address, value, time, v; std::getline(rows, address, ',') &&
                                                  std::getline(rows, value, ',') &&
                                                  std::getline(rows, time, ',') && std::getline(rows, v);)
            out[address + "/" + value].emplace_back(std::stoll(time), std::stod(v));
        for (auto& [series, points] : out)
            std::sort(points.begin(), points.end());
        return out;
    }

private:
    int m_port;
    std::string m_dir;
    std::unique_ptr<Process> m_process;
};

}  // namespace qor::test
