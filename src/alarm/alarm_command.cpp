#include "alarm/alarm_command.h"

#include "alarm/alarm_definition.h"
#include "common/text.h"

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace qor::alarm {
namespace {

std::string EnvNumber(double v)
{
    return ValueText(v);
}

}  // namespace

bool AlarmCommand::Run(const std::string& command, const AlarmTransition& t, std::string& why)
{
    if (m_running.size() >= static_cast<std::size_t>(kMaxRunning)) {
        why = Format("%d running", kMaxRunning);
        return false;
    }
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e)
        if (std::strncmp(*e, "QOR_ALARM_", 10) != 0)
            env.emplace_back(*e);
    env.push_back("QOR_ALARM_SOURCE=" + t.source);
    env.push_back(std::string("QOR_ALARM_KIND=") + KindText(t.kind));
    env.push_back(std::string("QOR_ALARM_EVENT=") + EventText(t.event));
    env.push_back("QOR_ALARM_VALUE=" + EnvNumber(t.value));
    env.push_back("QOR_ALARM_LIMIT=" + EnvNumber(t.limit));
    env.push_back("QOR_ALARM_TIME=" + std::to_string(t.time));
    std::vector<char*> envp;
    for (std::string& s : env)
        envp.push_back(s.data());
    envp.push_back(nullptr);
    std::string sh = "/bin/sh", dashC = "-c", cmd = command;
    char* argv[] = {sh.data(), dashC.data(), cmd.data(), nullptr};

    posix_spawn_file_actions_t fa;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&fa);
    posix_spawnattr_init(&attr);
    // Its own process group, so that one that hangs is stopped with all it started.
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&fa, 2, 1);
    // Nothing of the program's own (the gateway socket, the journal) stays open in a command
    // that may outlive it.
    posix_spawn_file_actions_addclosefrom_np(&fa, 3);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, "/bin/sh", &fa, &attr, argv, envp.data());
    posix_spawn_file_actions_destroy(&fa);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        why = std::strerror(rc);
        return false;
    }
    m_running.push_back({pid, command, std::chrono::steady_clock::now()});
    return true;
}

std::vector<AlarmCommand::Failure> AlarmCommand::Reap(int language)
{
    std::vector<Failure> failed;
    const auto now = std::chrono::steady_clock::now();
    for (auto it = m_running.begin(); it != m_running.end();) {
        int status = 0;
        const pid_t r = ::waitpid(it->pid, &status, WNOHANG);
        if (r == 0) {
            if (now - it->started < kMaxRunTime) {
                ++it;
                continue;
            }
            ::kill(-it->pid, SIGKILL);
            ::waitpid(it->pid, &status, 0);  // killed: it ends at once
            failed.push_back({it->command, Format(TextPair{"nach %lld s nicht beendet, abgebrochen",
                                                           "did not end within %lld s, stopped"}[language],
                                                  static_cast<long long>(kMaxRunTime.count()))});
        } else if (r < 0) {
            // Reaped elsewhere (a handler of the program's own): nothing more to know.
        } else if (WIFEXITED(status) && WEXITSTATUS(status) != 0) {
            failed.push_back({it->command, Format(TextPair{"Exit-Status %d", "exit status %d"}[language],
                                                  WEXITSTATUS(status))});
        } else if (WIFSIGNALED(status)) {
            failed.push_back(
                {it->command, Format(TextPair{"Signal %d", "signal %d"}[language], WTERMSIG(status))});
        }
        it = m_running.erase(it);
    }
    return failed;
}

}  // namespace qor::alarm
