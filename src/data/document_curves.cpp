#include "data/document_curves.h"

#include "catalogue/catalogue.h"
#include "common/text.h"
#include "data/daten_object.h"
#include "data/grafik_setup_virtuell.h"
#include "data/graph_prop_object.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace qor::data {

namespace {

std::uint32_t BgrToRgb(std::uint32_t bgr)
{
    return ((bgr & 0xFFu) << 16) | (bgr & 0xFF00u) | ((bgr >> 16) & 0xFFu);
}

float StoredValue(const CDatenObject& s, std::size_t address, int value)
{
    return value == 1 ? s.m_value[address] : value == 2 ? s.m_value2[address] : s.m_temperature[address];
}

float Factor(const CGrafikSetup& setup, std::size_t address, int value)
{
    return value == 1   ? setup.m_factor1[address]
           : value == 2 ? setup.m_factor2[address]
                        : setup.m_factor3[address];
}

}  // namespace

std::string FactorText(float factor)
{
    // One decimal as long as it tells the factor exactly; otherwise the shortest digits that
    // do, so that 0.01 never reads "0.0".
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, factor, std::chars_format::fixed, 1);
    float back = 0.0f;
    if (r.ec == std::errc() && std::from_chars(buf, r.ptr, back).ec == std::errc() && back == factor)
        return std::string(buf, r.ptr);
    r = std::to_chars(buf, buf + sizeof buf, factor);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : Format("%g", static_cast<double>(factor));
}

ModuleRecords DocumentModules(const CGrafikSetup& setup, int language, const ModuleRecords* live)
{
    ModuleRecords modules;
    for (std::size_t a = 0; a < 16; ++a) {
        catalogue::CSlave& s = modules[a];
        const std::uint8_t type = setup.m_moduleType[a];
        if (live && (*live)[a].m_enabled && (*live)[a].m_type == type)
            s = (*live)[a];
        s.m_type = type;
        s.m_address = static_cast<std::uint8_t>(a);
        s.m_language = static_cast<std::uint8_t>(language == 1 ? 1 : 0);
    }
    return modules;
}

DocumentCurves::DocumentCurves(const CGrafikSetup& setup, const CGrafikSetupVirtuell& virtuell,
                               const CGraphPropObject& props, int language, const ModuleRecords* live)
    : DocumentCurves(setup, virtuell, language, live)
{
    // The n-th curve takes the n-th stored colour, visibility and (when set) name.
    for (std::size_t n = 0; n < m_curves.size(); ++n) {
        DocumentCurve& c = m_curves[n];
        c.label = props.m_name[n].empty() ? Label(c) : props.m_name[n];
        c.colour = BgrToRgb(props.m_colour[n]);
        c.visible = props.m_visible[n] != 0;
    }
}

DocumentCurves::DocumentCurves(const CGrafikSetup& setup, const CGrafikSetupVirtuell& virtuell,
                               const CurveLooks& looks, int language, const ModuleRecords* live)
    : DocumentCurves(setup, virtuell, language, live)
{
    std::vector<bool> known(m_curves.size());
    std::vector<std::uint32_t> taken;
    for (std::size_t n = 0; n < m_curves.size(); ++n) {
        DocumentCurve& c = m_curves[n];
        const auto it = looks.find(c.Source());
        known[n] = it != looks.end();
        if (!known[n])
            continue;
        c.label = it->second.name.empty() ? Label(c) : it->second.name;
        c.colour = it->second.colour;
        c.visible = it->second.visible;
        taken.push_back(c.colour);
    }
    for (std::size_t n = 0; n < m_curves.size(); ++n) {
        if (known[n])
            continue;
        DocumentCurve& c = m_curves[n];
        c.label = Label(c);
        c.visible = true;
        c.colour = BgrToRgb(CGraphPropObject::kDefaultColours[n]);
        for (std::uint32_t bgr : CGraphPropObject::kDefaultColours)
            if (std::find(taken.begin(), taken.end(), BgrToRgb(bgr)) == taken.end()) {
                c.colour = BgrToRgb(bgr);
                break;
            }
        taken.push_back(c.colour);
    }
}

DocumentCurves::DocumentCurves(const CGrafikSetup& setup, const CGrafikSetupVirtuell& virtuell, int language,
                               const ModuleRecords* live)
    : m_slaves(DocumentModules(setup, language, live)), m_setup(setup), m_sourceY(virtuell.m_sourceY),
      m_sourceZ(virtuell.m_sourceZ)
{
    m_virtual.Assign(virtuell);

    std::vector<DocumentCurve> wanted;
    for (int a = 0; a < 16; ++a) {
        const auto ai = static_cast<std::size_t>(a);
        const std::uint8_t shown[3] = {setup.m_show1[ai], setup.m_show2[ai], setup.m_show3[ai]};
        for (int k = 1; k <= 3; ++k)
            if (shown[k - 1])
                wanted.push_back({a, k, -1, {}, 0, true});
    }
    for (int v = 0; v < 4; ++v)
        if (virtuell.m_enable[static_cast<std::size_t>(v)])
            wanted.push_back({-1, 0, v, {}, 0, true});
    if (wanted.size() > kMaxCurves)
        wanted.resize(kMaxCurves);
    m_curves = std::move(wanted);
}

std::string DocumentCurves::Label(const DocumentCurve& c) const
{
    // The text of a source value: its unit (value 2 in the unit its module shows). Value 1 is
    // stored times the catalogue's factor, so its numbers are in the base unit, whichever
    // range the module is in now.
    auto valueText = [this](std::size_t a, int value) {
        const catalogue::CSlave& s = m_slaves[a];
        if (value == 2)
            return catalogue::SecondUnit(s);
        const catalogue::ChannelInfo info = catalogue::DescribeModule(s);
        if (value == 1)
            return info.factor != 1.0f && !info.baseUnit.empty() ? info.baseUnit : info.unit1;
        return info.unit3;
    };
    if (c.IsVirtual()) {
        const auto v = static_cast<std::size_t>(c.channel);
        const std::size_t ya = std::min<std::size_t>(m_sourceY[v] / 3u, 15);
        const std::size_t za = std::min<std::size_t>(m_sourceZ[v] / 3u, 15);
        return Format("%s %s %s ", catalogue::ModuleName(m_slaves[ya]).c_str(),
                      valueText(ya, m_sourceY[v] % 3 + 1).c_str(),
                      TextPair{"virtuell", "virtual"}[m_slaves[ya].m_language == 1 ? 1 : 0]) +
               Format("%s %s", catalogue::ModuleName(m_slaves[za]).c_str(),
                      valueText(za, m_sourceZ[v] % 3 + 1).c_str());
    }
    const auto a = static_cast<std::size_t>(c.address);
    const catalogue::CSlave& s = m_slaves[a];
    const catalogue::ChannelInfo info = catalogue::DescribeModule(s);
    const std::string& name = c.value == 1 ? info.name1 : c.value == 2 ? info.name2 : info.name3;
    const float factor = Factor(m_setup, a, c.value);
    return Format("S%d %s %s [%s] * %s", c.address, catalogue::ModuleName(s).c_str(), name.c_str(),
                  valueText(a, c.value).c_str(), FactorText(factor).c_str());
}

double DocumentCurves::Value(std::size_t index, const CDatenObject& sample)
{
    const DocumentCurve& c = m_curves[index];
    if (c.IsVirtual()) {
        const auto v = static_cast<std::size_t>(c.channel);
        return m_virtual.EvaluateVirtualChannel(SourceValue(sample, m_setup, m_sourceY[v]),
                                                SourceValue(sample, m_setup, m_sourceZ[v]),
                                                static_cast<std::uint8_t>(v));
    }
    const float stored = StoredValue(sample, static_cast<std::size_t>(c.address), c.value);
    if (std::isnan(stored))  // no value was measured: a gap
        return std::numeric_limits<double>::quiet_NaN();
    if (!(std::fabs(stored) < kOutOfRange))
        return 0.0;
    return SourceValue(sample, m_setup, static_cast<std::uint8_t>(c.address * 3 + c.value - 1));
}

void DocumentCurves::Values(std::size_t index, const CDatenObject* samples, std::size_t n, double* out)
{
    const DocumentCurve& c = m_curves[index];
    if (c.IsVirtual()) {
        const auto v = static_cast<std::size_t>(c.channel);
        m_y.resize(n);
        m_z.resize(n);
        SourceValues(samples, n, m_setup, m_sourceY[v], m_y.data());
        SourceValues(samples, n, m_setup, m_sourceZ[v], m_z.data());
        m_virtual.EvaluateMany(static_cast<std::uint8_t>(v), m_y.data(), m_z.data(), out, n);
        return;
    }
    // As Value, in one pass: a stored NaN stays NaN (a gap), a magnitude out of range is 0.0.
    const auto a = static_cast<std::size_t>(c.address);
    const float factor = Factor(m_setup, a, c.value);
    for (std::size_t i = 0; i < n; ++i) {
        const float stored = StoredValue(samples[i], a, c.value);
        out[i] = std::fabs(stored) < kOutOfRange || std::isnan(stored) ? static_cast<double>(stored * factor)
                                                                       : 0.0;
    }
}

void DocumentCurves::Values(const CDatenObject& sample, std::vector<double>& out)
{
    out.resize(m_curves.size());
    for (std::size_t i = 0; i < m_curves.size(); ++i)
        out[i] = Value(i, sample);
}

}  // namespace qor::data
