#pragma once

// A real mosquitto broker on 127.0.0.1 for the plant-link tests: a free port, its own folder
// with the configuration (and persistence, a password file when asked), stopped and started
// again on the same port.
#include "support/free_port.h"
#include "support/process.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace qor::test {

class MosquittoBroker {
public:
    struct Options {
        bool persistence = false;  // keeps sessions and queued messages over a restart
        std::string user, password;
    };
    MosquittoBroker() : MosquittoBroker(Options{}) {}
    explicit MosquittoBroker(Options options) : m_port(PickFreePort())
    {
        namespace fs = std::filesystem;
        m_dir = fs::temp_directory_path() /
                ("qor-broker-" + std::to_string(::getpid()) + "-" + std::to_string(m_port));
        fs::create_directories(m_dir);
        // Started as root, mosquitto runs as its own user and must still write its persistence here.
        fs::permissions(m_dir, fs::perms::all);
        std::ofstream conf(m_dir / "mosquitto.conf");
        conf << "listener " << m_port << " 127.0.0.1\nlog_type error\nmax_queued_messages 200000\n";
        if (options.persistence)
            conf << "persistence true\npersistence_location " << m_dir.string() << "/\n";
        if (options.user.empty()) {
            conf << "allow_anonymous true\n";
        } else {
            const std::string pw = (m_dir / "passwd").string();
            RunProgram({"/usr/bin/mosquitto_passwd", "-b", "-c", pw, options.user, options.password});
            conf << "allow_anonymous false\npassword_file " << pw << "\n";
        }
        conf.close();
        Start();
    }
    ~MosquittoBroker()
    {
        m_process.reset();
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }

    int Port() const { return m_port; }
    std::string Url() const { return "mqtt://127.0.0.1:" + std::to_string(m_port); }
    std::string Dir() const { return m_dir.string(); }

    // Starts it (again) and returns once it takes connections (false if it never does).
    bool Start()
    {
        m_process = std::make_unique<Process>(
            std::vector<std::string>{"/usr/sbin/mosquitto", "-c", (m_dir / "mosquitto.conf").string()});
        for (int i = 0; i < 600; ++i) {
            if (Accepts())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }
    // SIGTERM: a clean stop that saves its persistence.
    void Stop(int sig = SIGTERM)
    {
        if (m_process)
            m_process->Stop(sig);
        m_process.reset();
    }

private:
    bool Accepts() const
    {
        const int fd = ConnectLoopback(m_port);
        if (fd >= 0)
            ::close(fd);
        return fd >= 0;
    }

    int m_port;
    std::filesystem::path m_dir;
    std::unique_ptr<Process> m_process;
};

// mosquitto_sub on the broker, QoS 1, printing "topic payload" per message. With a client id,
// its session outlives a broker restart (and its own reconnects).
class MqttSub {
public:
    MqttSub(int port, const std::string& topic, const std::string& clientId = {},
            std::vector<std::string> extra = {})
    {
        // Line-buffered: in a pipe its output would wait for a full buffer.
        std::vector<std::string> args = {"/usr/bin/stdbuf", "-oL", "/usr/bin/mosquitto_sub", "-h",
                                         "127.0.0.1"};
        args.insert(args.end(), {"-p", std::to_string(port), "-t", topic, "-q", "1", "-v", "-d"});
        if (!clientId.empty())
            args.insert(args.end(), {"-c", "-i", clientId});
        args.insert(args.end(), extra.begin(), extra.end());
        m_process = std::make_unique<Process>(args);
    }
    // Waits for the broker's SUBACK; false when none comes.
    bool WaitSubscribed()
    {
        for (std::string line; !(line = m_process->ReadLine(60000)).empty();)
            if (line.find("SUBACK") != std::string::npos)
                return true;
        return false;
    }
    // The next message line ("topic payload"), skipping the debug lines; empty on time-out.
    std::string Next(int timeoutMs = 60000)
    {
        for (std::string line; !(line = m_process->ReadLine(timeoutMs)).empty();)
            if (line.rfind("Client ", 0) != 0 && line.rfind("Subscribed", 0) != 0)
                return line;
        return {};
    }

private:
    std::unique_ptr<Process> m_process;
};

}  // namespace qor::test
