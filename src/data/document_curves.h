#pragma once

#include "catalogue/slave.h"
#include "data/grafik_setup.h"
#include "data/virtual_channel.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qor::data {

class CDatenObject;
class CGrafikSetupVirtuell;
class CGraphPropObject;

// One curve of the document graph: a measured value of one module or a virtual channel.
struct DocumentCurve {
    int address = -1;          // 0..15 for a measured value, -1 for a virtual channel
    int value = 0;             // 1, 2 or 3 for a measured value
    int channel = -1;          // 0..3 for a virtual channel
    std::string label;         // the stored name when there is one, else the described label
    std::uint32_t colour = 0;  // 0x00RRGGBB
    bool visible = true;

    bool IsVirtual() const { return channel >= 0; }
};

// The curves every graph of a document draws and their point values: one place decides which
// curves exist, how they are named and coloured, and what each stored sample puts on them.
class DocumentCurves {
public:
    static constexpr std::size_t kMaxCurves = 54;
    // Stored values this far out mark a failed reading; they are drawn as 0.
    static constexpr float kOutOfRange = 1e8f;

    // Module names come from the module records; an address without a type takes the type the
    // setup remembers, so recorded but absent modules keep their names.
    DocumentCurves(const std::array<catalogue::CSlave, 16>& slaves, const CGrafikSetup& setup,
                   const CGrafikSetupVirtuell& virtuell, const CGraphPropObject& props, int language);

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
    std::array<catalogue::CSlave, 16> m_slaves;
    CGrafikSetup m_setup;
    std::array<std::uint8_t, 4> m_sourceY{};
    std::array<std::uint8_t, 4> m_sourceZ{};
    VirtualChannels m_virtual;
    std::vector<DocumentCurve> m_curves;
    std::vector<double> m_y, m_z;  // inputs of a block of virtual channel values
};

}  // namespace qor::data
