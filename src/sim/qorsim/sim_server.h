#pragma once

#include "sim/qorsim/sim_options.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace qor::sim {

// Serves the simulated bus as a TCP gateway (length-prefixed frames without checksum)
// and/or behind a pseudo-terminal (frames with checksum, as on an RS232 line), and takes
// commands on stdin, until SIGINT or SIGTERM.
class SimServer {
public:
    SimServer(SimBus& bus, const SimOptions& options);
    ~SimServer();
    SimServer(const SimServer&) = delete;
    SimServer& operator=(const SimServer&) = delete;

    // Opens the listener and the pseudo-terminal and prints where they are; false, with
    // the reason printed, when one cannot be opened.
    bool Open();
    void Run();

private:
    struct Client {
        int fd;
        std::vector<std::uint8_t> in;
    };

    void Accept();
    void ReadSerial();
    void ReadStdin();
    void RunCommand(const std::string& line);
    void ServeClient(Client& client);
    void AnswerSerial();

    SimBus& m_bus;
    const SimOptions& m_options;
    int m_listenFd = -1;
    int m_master = -1;
    int m_slaveKeep = -1;
    bool m_linkMade = false;
    std::vector<Client> m_clients;
    std::vector<std::uint8_t> m_serialIn;
    std::chrono::steady_clock::time_point m_serialSince;
    // The script's commands that are due run; the time until the next one, -1 when none.
    int RunScript();

    std::string m_stdinLine;
    std::size_t m_scriptNext = 0;
    std::chrono::steady_clock::time_point m_servedSince;
    bool m_stdinOpen = true;
};

}  // namespace qor::sim
