#pragma once

#include "station/measurement.h"

#include <optional>

namespace qor::station {
class Station;
}

namespace qor::ui {

class MeterWindows;

// The window's subscriber of the poll cycle: each digital measurement view shows its module's
// part of the measurement it is handed, never the module records themselves.
class LiveViews final : public station::MeasurementListener {
public:
    LiveViews(station::Station& station, MeterWindows& meters);
    ~LiveViews() override;
    LiveViews(const LiveViews&) = delete;
    LiveViews& operator=(const LiveViews&) = delete;

    void OnMeasurement(const station::Measurement& m) override;
    // The last measurement again, its names and units in the station's language now (before
    // the first one: the views' titles).
    void Relabel();
    // A view just opened shows the last measurement until the next one comes.
    void ShowLast(int address);

private:
    station::Station& m_station;
    MeterWindows& m_meters;
    std::optional<station::Measurement> m_last;
};

}  // namespace qor::ui
