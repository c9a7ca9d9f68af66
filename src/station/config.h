#pragma once

#include "bus/bus_link.h"

#include <cstdint>
#include <string>

namespace qor::station {

// The station's settings, kept in one small text file per user.
struct StationConfig {
    bus::LinkSettings link;
    double interval = 23.0 / 24 + 59.0 / 1440 + 59.0 / 86400;  // save interval, fraction of a day
    std::uint8_t language = 0;                                 // written, never read
    int point = 0;
    int mouse = 0;
    int axis = 1;
    int potRate = 0;
    std::uint8_t prec = 2;
    int idCount = 15;
    unsigned sEnable = 0;
    int autoEnable = 0;
    // The plant link's section ("[PLANT]" to the end), kept as read and written back after the
    // station's own keys; its owner reads and fills it.
    std::string plant;
};

// Hours, minutes and seconds of a day fraction, rounded to the nearest second.
struct TimeOfDay {
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
    bool valid = true;
};
TimeOfDay SplitDayFraction(double v);
double DayFraction(int hours, int minutes, int seconds);

// The built-in defaults in effect before a file is read.
StationConfig BuiltInDefaults();
// The settings of a first start, as written to a new file.
StationConfig FirstStartDefaults();

// The exact text of the file.
std::string SaveConfig(const StationConfig& config);
// Reads the file's text: each key is searched anywhere in the joined lines and read with
// its fixed width; missing keys keep their missing-key default.
StationConfig LoadConfig(const std::string& fileText);

// "<APPDATA>/QORremote/config.ini"; without APPDATA, $XDG_CONFIG_HOME or ~/.config.
std::string ConfigDirectory();
std::string ConfigPath();

// Start-up: reads the file, or writes a new one with the first-start settings when it
// cannot be read. `created` tells which happened.
StationConfig LoadOrCreateConfig(const std::string& path, bool* created = nullptr,
                                 std::string* error = nullptr);
// Program end: writes the file anew (folder created when missing). False with a message on failure.
bool WriteConfigFile(const std::string& path, const StationConfig& config, std::string* error = nullptr);

}  // namespace qor::station
