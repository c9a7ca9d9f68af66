#pragma once

#include "catalogue/channel_info.h"
#include "data/daten_object.h"

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace qor::catalogue {
class CSlave;
}
namespace qor::data {
class CGrafikSetup;
class CGrafikSetupVirtuell;
class VirtualChannels;
}  // namespace qor::data

namespace qor::station {

// What became of one module in a poll cycle.
enum class Reading : std::uint8_t {
    Absent,    // not released (or no module at the address): nothing is asked
    Missed,    // released, but no valid answer came in this cycle
    Measured,  // a valid answer came in this cycle
};

// One address's part of a poll cycle.
struct ModuleReading {
    static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

    std::uint8_t type = 0;  // module type code as last known; 0 = no module
    std::uint8_t displayMode = 0;
    Reading state = Reading::Absent;
    bool faulty = false;  // released, but its record is marked faulty
    // Values 1..3 as decoded (value 1 in the module's own unit: x info.factor gives the base
    // unit); NaN unless measured.
    std::array<double, 3> values{kNone, kNone, kNone};
    // Names, units and factor of the module as the catalogue describes it now.
    catalogue::ChannelInfo info;
    std::string name;  // the module's name, "S0 pH - amplifier" style

    bool Measured() const { return state == Reading::Measured; }
};

// Type, display mode, names, units and factor of `r` as the module record `slave` describes
// the module now, in the record's language; state and values stay.
void DescribeReading(ModuleReading& r, const catalogue::CSlave& slave);

// What one poll cycle measured, handed to every subscriber as a value.
struct Measurement {
    std::int64_t time = 0;    // the clock's seconds when the cycle ended
    std::int64_t tickMs = 0;  // the clock's tick then
    std::uint64_t cycle = 0;  // cycles since the station started measuring, from 1
    std::array<ModuleReading, 16> modules{};
};

// The sample a recording stores of a measurement: value 1 x factor, value 2 and value 3 per
// address; every value not measured is NaN ("no value").
data::CDatenObject ToSample(const Measurement& m, std::int64_t time);

// The values as the window shows them: the graph setup's factor of each value applied, and
// the four virtual channels evaluated from them. NaN wherever nothing was measured (or an
// input of a virtual channel was not); a virtual channel that is not enabled is NaN too.
struct ShownValues {
    std::array<std::array<double, 3>, 16> values{};
    std::array<double, 4> virtualChannels{};
};
ShownValues ShowValues(const Measurement& m, const data::CGrafikSetup& setup,
                       const data::CGrafikSetupVirtuell& virtuell);
// The same for a subscriber that keeps `channels` from cycle to cycle: formulas that did not
// change are not compiled again.
ShownValues ShowValues(const Measurement& m, const data::CGrafikSetup& setup,
                       const data::CGrafikSetupVirtuell& virtuell, data::VirtualChannels& channels);

// A subscriber of the poll cycle. It is called on the cycle's thread and must not block it
// (no message box, no network wait): whatever takes time is queued and done elsewhere.
class MeasurementListener {
public:
    virtual ~MeasurementListener() = default;
    virtual void OnMeasurement(const Measurement& m) = 0;
};

// Hands each cycle's measurement to its subscribers, in the order they subscribed.
class MeasurementHub {
public:
    void Subscribe(MeasurementListener* listener);
    void Unsubscribe(MeasurementListener* listener);
    void Publish(const Measurement& m) const;

private:
    std::vector<MeasurementListener*> m_listeners;
};

}  // namespace qor::station
