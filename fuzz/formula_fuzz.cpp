// Input: 2 bytes choosing y and z, then the formula (at most 64 characters).
#include "formula/formel_interpreter.h"
#include "formula/formula_program.h"
#include "formula/text_oracle.h"  // tests/formula

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
double Pick(std::uint8_t b)
{
    static const double kValues[16] = {0.0,  -0.0, 1.0,   -1.0,      2.5,  -2.5,      100.0, 0.0000004,
                                       -3.0, 0.5,  1e300, -0.000001, 1e-7, 12345.678, 0.75,  -99.999999};
    return kValues[b & 15] * ((b & 16) ? 3.0 : 1.0);
}
bool Same(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2 || size > 66)
        return 0;
    const double y = Pick(data[0]);
    const double z = Pick(data[1]);
    const std::string formula(reinterpret_cast<const char*>(data) + 2, size - 2);

    qor::formula::FormulaProgram program(formula);
    bool error = false;
    const double got = program.Evaluate(y, z, &error);
    const oracle::Result want = oracle::Channel(formula, y, z);
    if (error != want.error || !Same(got, want.value))
        std::abort();
    // A second value through the same programme exercises the recorded way.
    const double got2 = program.Evaluate(z, y, &error);
    const oracle::Result want2 = oracle::Channel(formula, z, y);
    if (error != want2.error || !Same(got2, want2.value))
        std::abort();

    qor::formula::CFormelInterpreter ip(formula);
    const oracle::Result plain = oracle::Run(formula);
    if ((ip.HasError() != 0) != plain.syntaxError)
        std::abort();
    if (!ip.HasError()) {
        const double v = ip.Evaluate();
        if ((ip.HasError() != 0) != plain.error || !Same(v, plain.value))
            std::abort();
    }
    return 0;
}
