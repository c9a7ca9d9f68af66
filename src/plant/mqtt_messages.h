#pragma once

#include "station/measurement.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace qor::data {
class CQORDoc;
}

namespace qor::plant {

struct MqttMessage {
    std::string topic;
    std::string payload;
};

// One virtual channel as the window shows it in a cycle.
struct VirtualValue {
    bool enabled = false;
    double v = station::ModuleReading::kNone;
    std::string name;
};
using VirtualValues = std::array<VirtualValue, 4>;

// {"t": T, "v": V, "unit": "U", "name": "N", "stored": S}; v is null when it is not a finite
// number, else the shortest text of the single-precision value the document keeps. S: the
// recording stored the value with the time stamp T.
std::string ValuePayload(std::int64_t t, double v, const std::string& unit, const std::string& name,
                         bool stored);

// The messages of one cycle under `base` (PREFIX/STATION), stamped `t`: per released module its
// three values as S<address>/<1..3>, value 1 in the unit the recording stores (x factor), then
// the enabled virtual channels as V<1..4>. A missed module's values are null.
std::vector<MqttMessage> CycleMessages(const station::Measurement& m, const std::string& base, std::int64_t t,
                                       bool stored, const VirtualValues& virtuals = {});

// The virtual channels of a cycle as the document's graph setup computes them.
VirtualValues DocumentVirtualValues(const station::Measurement& m, const data::CQORDoc& doc);

}  // namespace qor::plant
