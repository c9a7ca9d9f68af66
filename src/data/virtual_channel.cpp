#include "data/virtual_channel.h"

#include "data/daten_object.h"
#include "data/grafik_setup.h"
#include "data/grafik_setup_virtuell.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qor::data {

double EvaluateVirtualChannel(const std::string& formula, double y, double z)
{
    formula::FormulaProgram program(formula);
    return program.Evaluate(y, z);
}

void VirtualChannels::Assign(const data::CGrafikSetupVirtuell& setup)
{
    for (int i = 0; i < 4; ++i)
        SetFormula(i, setup.m_formula[static_cast<std::size_t>(i)]);
}

void VirtualChannels::SetFormula(int index, const std::string& formula)
{
    if (index < 0 || index > 3)
        return;
    formula::FormulaProgram& p = m_programs[static_cast<std::size_t>(index)];
    if (p.Formula() != formula)
        p = formula::FormulaProgram(formula);
}

const std::string& VirtualChannels::Formula(int index) const
{
    return m_programs[static_cast<std::size_t>(index & 3)].Formula();
}

namespace {

// The formula text puts a value wherever it names y or z.
bool Uses(const std::string& formula, char variable)
{
    return formula.find(variable) != std::string::npos;
}

}  // namespace

double VirtualChannels::EvaluateVirtualChannel(double y, double z, std::uint8_t index)
{
    if (index > 3)
        return 0.0;
    formula::FormulaProgram& p = m_programs[index];
    if ((std::isnan(y) && Uses(p.Formula(), 'y')) || (std::isnan(z) && Uses(p.Formula(), 'z')))
        return std::numeric_limits<double>::quiet_NaN();
    return p.Evaluate(y, z);
}

void VirtualChannels::EvaluateMany(std::uint8_t index, const double* y, const double* z, double* out,
                                   std::size_t n)
{
    if (index > 3) {
        std::fill(out, out + n, 0.0);
        return;
    }
    formula::FormulaProgram& p = m_programs[index];
    p.EvaluateMany(y, z, out, n);
    const bool usesY = Uses(p.Formula(), 'y'), usesZ = Uses(p.Formula(), 'z');
    if (!usesY && !usesZ)
        return;
    for (std::size_t i = 0; i < n; ++i)
        if ((usesY && std::isnan(y[i])) || (usesZ && std::isnan(z[i])))
            out[i] = std::numeric_limits<double>::quiet_NaN();
}

double SourceValue(const data::CDatenObject& sample, const data::CGrafikSetup& setup, std::uint8_t code)
{
    if (code > 47)
        return 0.0;
    // Values and factors are single precision; so is their product, as the graph draws it.
    const std::size_t a = code / 3u;
    switch (code % 3) {
    case 0:
        return static_cast<double>(sample.m_value[a] * setup.m_factor1[a]);
    case 1:
        return static_cast<double>(sample.m_value2[a] * setup.m_factor2[a]);
    default:
        return static_cast<double>(sample.m_temperature[a] * setup.m_factor3[a]);
    }
}

void SourceValues(const data::CDatenObject* samples, std::size_t n, const data::CGrafikSetup& setup,
                  std::uint8_t code, double* out)
{
    if (code > 47) {
        std::fill(out, out + n, 0.0);
        return;
    }
    const std::size_t a = code / 3u;
    const int k = code % 3;
    const float factor = k == 0 ? setup.m_factor1[a] : k == 1 ? setup.m_factor2[a] : setup.m_factor3[a];
    for (std::size_t i = 0; i < n; ++i) {
        const data::CDatenObject& s = samples[i];
        const float v = k == 0 ? s.m_value[a] : k == 1 ? s.m_value2[a] : s.m_temperature[a];
        out[i] = static_cast<double>(v * factor);
    }
}

}  // namespace qor::data
