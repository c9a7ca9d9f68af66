#pragma once

#include "alarm/alarm_transition.h"

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace qor::alarm {

// Runs the user's alarm command once per transition, through /bin/sh, without waiting for
// it: the transition goes in QOR_ALARM_SOURCE, _KIND, _EVENT, _VALUE, _LIMIT and _TIME (empty
// for no value). Its output goes to the program's standard error; it reads nothing.
class AlarmCommand {
public:
    static constexpr int kMaxRunning = 16;
    static constexpr std::chrono::seconds kMaxRunTime{600};

    AlarmCommand() = default;
    AlarmCommand(const AlarmCommand&) = delete;
    AlarmCommand& operator=(const AlarmCommand&) = delete;
    // Commands still running are left to run; they are not waited for.
    ~AlarmCommand() = default;

    // False with the reason when it could not be started (more than kMaxRunning would run).
    bool Run(const std::string& command, const AlarmTransition& t, std::string& why);
    // Commands that ended since the last call, never waiting: for each that failed, the
    // command and why. One that runs past kMaxRunTime is stopped and counts as failed.
    struct Failure {
        std::string command, why;
    };
    std::vector<Failure> Reap(int language);
    std::size_t Running() const { return m_running.size(); }

private:
    struct Child {
        pid_t pid;
        std::string command;
        std::chrono::steady_clock::time_point started;
    };
    std::vector<Child> m_running;
};

}  // namespace qor::alarm
