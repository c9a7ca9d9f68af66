#include "cli/alarm_options.h"

#include "cli/command.h"
#include "common/text.h"
#include "station/station.h"

#include <cstdio>
#include <filesystem>

namespace qor::cli {

const char* const kAlarmOptionsHelp =
    "--alarms FILE evaluates the alarms of FILE (default: alarms.ini of the configuration folder\n"
    "        when there is one) on every poll cycle and stores their transitions in FILE.qo3;\n"
    "        --print-alarms prints each transition as a JSON line the moment it happens;\n"
    "        --alarm-command CMD runs CMD (through /bin/sh, not waited for) once per transition with\n"
    "        QOR_ALARM_SOURCE, _KIND, _EVENT, _VALUE, _LIMIT, _TIME set; --ride-through keeps recording\n"
    "        through link outages (empty samples, the link tried again every 1..30 s)";

void DeclareAlarmOptions(std::vector<Option>& options)
{
    options.push_back(Option::Text("--alarms", "FILE"));
    options.push_back(Option::Flag("--print-alarms"));
    options.push_back(Option::Text("--alarm-command", "CMD"));
    options.push_back(Option::Flag("--ride-through"));
}

AlarmOptions AlarmOptionsOf(const Parsed& p)
{
    return AlarmOptions{p.Value("--alarms"), p.Has("--print-alarms"), p.Value("--alarm-command"),
                        p.Has("--ride-through")};
}

RecordAlarms::RecordAlarms(station::Station& station, Clock& clock, const alarm::AlarmSettings& settings,
                           bool print)
    : m_station(station), m_monitor(station.Document(), clock, [&station] { return station.Language(); }),
      m_print(print)
{
    m_monitor.Configure(settings);
    m_monitor.AddListener(this);
    m_station.Measurements().Subscribe(&m_monitor);
}

RecordAlarms::~RecordAlarms()
{
    m_station.Measurements().Unsubscribe(&m_monitor);
}

void RecordAlarms::OnAlarmTransition(const alarm::AlarmTransition& t)
{
    if (!m_print)
        return;
    std::printf("%s\n", alarm::AlarmJsonLine(t).c_str());
    std::fflush(stdout);
}

std::unique_ptr<RecordAlarms> StartAlarms(const AlarmOptions& options, station::Station& station,
                                          Clock& clock, int language, std::string& error)
{
    alarm::AlarmSettings settings;
    bool found = false;
    const std::string path =
        options.file.empty() ? alarm::AlarmsIniPath(station::ConfigDirectory()) : options.file;
    std::error_code ec;
    if (!options.file.empty() && !std::filesystem::exists(path, ec)) {
        error = Format(TextPair{"--alarms %s: keine solche Datei", "--alarms %s: no such file"}[language],
                       path.c_str());
        return nullptr;
    }
    if (!alarm::LoadAlarmsFile(path, language, settings, error, &found))
        return nullptr;
    if (!options.command.empty())
        settings.command = options.command;
    settings.rideThrough = settings.rideThrough || options.rideThrough;
    station.SetRideThrough(settings.rideThrough);
    if (!found && !options.print && options.command.empty() && !options.rideThrough)
        return nullptr;
    return std::make_unique<RecordAlarms>(station, clock, settings, options.print);
}

}  // namespace qor::cli
