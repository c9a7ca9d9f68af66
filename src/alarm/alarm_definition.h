#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qor::alarm {

// What an alarm watches: value 1..3 of a module address, or a virtual channel 1..4.
struct AlarmSource {
    bool isVirtual = false;
    int address = 0;  // 0..15
    int value = 1;    // 1..3
    int channel = 1;  // 1..4, for a virtual channel

    bool operator==(const AlarmSource&) const = default;
};

// "S0.1", "V2".
std::string SourceText(const AlarmSource& s);
std::optional<AlarmSource> ParseSource(std::string_view text);

struct AlarmDefinition {
    AlarmSource source;
    std::optional<double> high, low;
    double deadband = 0;
    double onDelay = 0;   // seconds the condition must hold before the alarm is raised
    double offDelay = 0;  // seconds the value must be back before it is cleared
    bool enabled = true;

    bool operator==(const AlarmDefinition&) const = default;
};

// The station's alarm settings as alarms.ini keeps them.
struct AlarmSettings {
    static constexpr int kDefaultCommLoss = 3;

    int commLoss = kDefaultCommLoss;  // consecutive missed polls that raise the communication alarm; 0 off
    std::string command;              // run once per transition; empty: none
    bool rideThrough = false;         // a recording goes on through link outages
    std::vector<AlarmDefinition> alarms;

    bool operator==(const AlarmSettings&) const = default;
};

// Empty when the definition can be evaluated, else why not, in the language given; numbers as
// the file writes them, or with the language's decimal mark when `languageMark`.
std::string CheckDefinition(const AlarmDefinition& d, int language, bool languageMark = false);

// Reads the text of alarms.ini. False with a message naming the line otherwise; nothing is
// guessed.
bool ParseAlarmsIni(std::string_view text, int language, AlarmSettings& out, std::string& error);
std::string SaveAlarmsIni(const AlarmSettings& settings);

// "<configuration folder>/alarms.ini".
std::string AlarmsIniPath(const std::string& configDirectory);
// A missing file is no error: `out` is then the default settings and `found` false.
bool LoadAlarmsFile(const std::string& path, int language, AlarmSettings& out, std::string& error,
                    bool* found = nullptr);
bool WriteAlarmsFile(const std::string& path, const AlarmSettings& settings, int language,
                     std::string& error);

// A number as alarms.ini and the JSON lines write it: as short as reads back the same.
std::string NumberText(double v);

}  // namespace qor::alarm
