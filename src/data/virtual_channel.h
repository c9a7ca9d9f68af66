#pragma once

#include "formula/formula_program.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace qor::data {
class CDatenObject;
class CGrafikSetup;
class CGrafikSetupVirtuell;
}  // namespace qor::data

namespace qor::data {

// One value of a virtual channel: y and z are written into the formula with "%f" and the
// text is interpreted; any error gives 0.0. Parses the formula on every call; for many
// values use VirtualChannels.
double EvaluateVirtualChannel(const std::string& formula, double y, double z);

// The four virtual channels of a document, each formula parsed once.
class VirtualChannels {
public:
    // Takes the formulas of the setup; unchanged formulas keep their compiled form.
    void Assign(const data::CGrafikSetupVirtuell& setup);
    void SetFormula(int index, const std::string& formula);
    const std::string& Formula(int index) const;

    // Same value as EvaluateVirtualChannel(formula[index], y, z), except that an input the
    // formula uses that is not a number (nothing was measured) gives NaN, not 0.0; 0.0 for an
    // index beyond 3.
    double EvaluateVirtualChannel(double y, double z, std::uint8_t index);
    // The same for n pairs at once (faster for a whole recording).
    void EvaluateMany(std::uint8_t index, const double* y, const double* z, double* out, std::size_t n);

private:
    std::array<formula::FormulaProgram, 4> m_programs;
};

// The input of a virtual channel for channel code c (address c / 3, value c % 3 + 1) from one
// sample, multiplied by the graph setup's scale factor of that value. Codes beyond 47 give 0.0.
double SourceValue(const data::CDatenObject& sample, const data::CGrafikSetup& setup, std::uint8_t code);
// SourceValue of n samples at once, into out[0..n).
void SourceValues(const data::CDatenObject* samples, std::size_t n, const data::CGrafikSetup& setup,
                  std::uint8_t code, double* out);

}  // namespace qor::data
