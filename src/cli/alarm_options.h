#pragma once

#include "alarm/alarm_monitor.h"
#include "alarm/alarm_transition.h"
#include "cli/command.h"

#include <memory>
#include <string>

namespace qor {
class Clock;
}
namespace qor::station {
class Station;
}

namespace qor::cli {

// The alarm options of qortool record.
struct AlarmOptions {
    std::string file;  // --alarms FILE; empty: the configuration folder's alarms.ini when present
    bool print = false;
    std::string command;
    bool rideThrough = false;
};

// --alarms FILE, --print-alarms, --alarm-command CMD and --ride-through.
void DeclareAlarmOptions(std::vector<Option>& options);
AlarmOptions AlarmOptionsOf(const Parsed& p);
extern const char* const kAlarmOptionsHelp;

// The alarms of a recording: evaluated on every poll cycle of `station`, and with --print-alarms
// each transition printed on stdout as its JSON line the moment it happens.
class RecordAlarms final : public alarm::AlarmListener {
public:
    RecordAlarms(station::Station& station, Clock& clock, const alarm::AlarmSettings& settings, bool print);
    ~RecordAlarms() override;
    RecordAlarms(const RecordAlarms&) = delete;
    RecordAlarms& operator=(const RecordAlarms&) = delete;
    void OnAlarmTransition(const alarm::AlarmTransition& t) override;
    alarm::AlarmMonitor& Monitor() { return m_monitor; }

private:
    station::Station& m_station;
    alarm::AlarmMonitor m_monitor;
    bool m_print;
};

// Reads the definitions and starts evaluating them; nothing when there is nothing to evaluate
// (no file and no alarm option). `error` tells why a file was refused.
std::unique_ptr<RecordAlarms> StartAlarms(const AlarmOptions& options, station::Station& station,
                                          Clock& clock, int language, std::string& error);

}  // namespace qor::cli
