#pragma once

#include "bus/bus_link.h"
#include "catalogue/catalogue.h"
#include "common/clock.h"
#include "common/text.h"
#include "data/qor_doc.h"
#include "station/config.h"
#include "station/measurement.h"
#include "station/station_ui.h"
#include "station/timers.h"

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace qor::station {

inline constexpr int kMaxPotentiostats = 4;

// The state flags of the station, shared by its jobs.
struct StationFlags {
    std::vector<std::uint8_t> potList;
    bool modulesReleased = false;
    bool measuring = false;
    bool recording = false;
    bool cycleFree = true;
    bool firstSample = false;
    bool metersShown = false;
    bool potPresent = false;
    bool potRunning = false;
    bool potWithRecording = false;
    bool documentClosed = false;
    // Set when the recording was stopped from inside the running poll cycle.
    bool stoppedInCycle = false;
    bool inCycle = false;
};

// What the station's jobs work with. The station owns all of it.
struct StationContext {
    StationConfig& config;
    Clock& clock;
    StationUi& ui;
    Timers& timers;
    data::CQORDoc& doc;
    std::array<catalogue::CSlave, 16>& modules;
    bus::BusLink& link;
    StationFlags& flags;
    const int& language;
    MeasurementHub& hub;

    std::string T(const TextPair& t) const { return t[language]; }
    catalogue::CSlave& Slave(int address) { return modules[static_cast<std::size_t>(address & 15)]; }
    // Through the document, which marks itself modified and refreshes its views.
    void Log(const std::string& text) { doc.AddLogbookEntry(text); }
    void SetPotRunning(bool running)
    {
        flags.potRunning = running;
        doc.SetPotRunning(running);
    }
    void ResumeKeepAlive()
    {
        if (link.Ethernet() && link.Connected())
            timers.Start(kTimerKeepAlive, kKeepAlivePeriodMs);
    }
};

// Decodes a valid measurement answer into the module's record; true when it comes from a
// potentiostat, whose records are then to be fetched.
inline bool ApplyMeasurement(catalogue::CSlave& slave, const bus::MeasurementAnswer& m)
{
    // The answer's display mode decides how its own second value is read.
    if (m.displayMode)
        slave.m_displayMode = *m.displayMode;
    catalogue::DecodeValues(slave, m.status, m.raw);
    return catalogue::IsPotentiostat(m.status);
}

// A module that did not answer has no current values: a sample taken now must not pass
// off its older ones as measured.
inline void ForgetValues(catalogue::CSlave& slave)
{
    slave.m_value1 = slave.m_value2 = slave.m_value3 = std::numeric_limits<double>::quiet_NaN();
}

}  // namespace qor::station
