#pragma once

#include "catalogue/slave.h"
#include "data/grafik_setup.h"
#include "data/virtual_channel.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qor::data {

class CDatenObject;
class CGrafikSetupVirtuell;
class CGraphPropObject;

// Module records by bus address.
using ModuleRecords = std::array<catalogue::CSlave, 16>;

// The modules a document's stored values are named after: the types its graph setup recorded,
// in `language`. A released module of `live` that is of the recorded type (the module being
// measured now) lends what the file does not keep: a linear amplifier's unit text, a display
// mode. Nothing else of the bus counts, so a stored file reads the same whatever is connected.
ModuleRecords DocumentModules(const CGrafikSetup& setup, int language, const ModuleRecords* live = nullptr);

// A scale factor as a curve label writes it: "1.0", "10.0", but "0.01", "0.001", "1e-05".
std::string FactorText(float factor);

// One curve of the document graph: a measured value of one module or a virtual channel.
struct DocumentCurve {
    int address = -1;          // 0..15 for a measured value, -1 for a virtual channel
    int value = 0;             // 1, 2 or 3 for a measured value
    int channel = -1;          // 0..3 for a virtual channel
    std::string label;         // the stored name when there is one, else the described label
    std::uint32_t colour = 0;  // 0x00RRGGBB
    bool visible = true;

    bool IsVirtual() const { return channel >= 0; }
    // What the curve draws: the channel code (address x 3 + value - 1) or 48 + the channel.
    int Source() const { return IsVirtual() ? 48 + channel : address * 3 + value - 1; }
};

// Colour, visibility and the name the user gave (empty: the described label) of the curves a
// graph showed, by source, so that each curve keeps them while others come and go.
struct CurveLook {
    std::uint32_t colour = 0;  // 0x00RRGGBB
    bool visible = true;
    std::string name;
};
using CurveLooks = std::map<int, CurveLook>;

// The curves every graph of a document draws and their point values: one place decides which
// curves exist, how they are named and coloured, and what each stored sample puts on them.
class DocumentCurves {
public:
    static constexpr std::size_t kMaxCurves = 54;
    // Stored values this far out mark a failed reading; they are drawn as 0. A stored value
    // that is not a number (the module missed its poll) is a gap, on virtual channels too.
    static constexpr float kOutOfRange = 1e8f;

    // Curves named after the modules the setup recorded (DocumentModules, with `live`).
    DocumentCurves(const CGrafikSetup& setup, const CGrafikSetupVirtuell& virtuell,
                   const CGraphPropObject& props, int language, const ModuleRecords* live = nullptr);
    // After a change of the setup: a curve whose source is in `looks` keeps its look there; a
    // new one is shown, with its described label and the first stored default colour that no
    // other curve has.
    DocumentCurves(const CGrafikSetup& setup, const CGrafikSetupVirtuell& virtuell, const CurveLooks& looks,
                   int language, const ModuleRecords* live = nullptr);

    // In creation order: value 1, 2, 3 of addresses 0..15 as shown, then the enabled virtual
    // channels 0..3; at most 54.
    const std::vector<DocumentCurve>& Curves() const { return m_curves; }
    std::size_t Size() const { return m_curves.size(); }

    // The described label of a curve, before any stored name.
    std::string Label(const DocumentCurve& curve) const;

    // The point value of curve `index` for one stored sample. Value 1 was stored with the unit
    // factor of its module already applied.
    double Value(std::size_t index, const CDatenObject& sample);
    // The values of all curves for one sample, in curve order.
    void Values(const CDatenObject& sample, std::vector<double>& out);
    // The values of curve `index` for n consecutive samples, into out[0..n); virtual
    // channels are evaluated for the whole block at once.
    void Values(std::size_t index, const CDatenObject* samples, std::size_t n, double* out);

private:
    DocumentCurves(const CGrafikSetup& setup, const CGrafikSetupVirtuell& virtuell, int language,
                   const ModuleRecords* live);

    ModuleRecords m_slaves;
    CGrafikSetup m_setup;
    std::array<std::uint8_t, 4> m_sourceY{};
    std::array<std::uint8_t, 4> m_sourceZ{};
    VirtualChannels m_virtual;
    std::vector<DocumentCurve> m_curves;
    std::vector<double> m_y, m_z;  // inputs of a block of virtual channel values
};

}  // namespace qor::data
