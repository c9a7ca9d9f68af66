#include "formula/formel_interpreter.h"

#include <gtest/gtest.h>
#include <string>

using qor::formula::CFormelInterpreter;

namespace {

struct Outcome {
    bool syntaxError;
    bool error;
    double value;
};

Outcome Interpret(const std::string& f)
{
    CFormelInterpreter ip(f);
    if (ip.HasError())
        return {true, true, 0.0};
    const double v = ip.Evaluate();
    return {false, ip.HasError() != 0, v};
}

struct Case {
    const char* formula;
    Outcome want;
};

// The interpreter's documented quirks; stored formulas rely on every one of them.
const Case kCases[] = {
    {"", true, true, 0},
    {"()", false, false, 0},
    {"2**3", true, true, 0},
    {"1..5", true, true, 0},
    {"2--3", false, false, 5},
    {"2*-3", false, false, -6},
    {"2^3^2", false, false, 64},
    {"-3^2", false, false, 9},
    {"2*-3^2", false, false, -18},
    {"1*2+31*2", false, false, 64},
    {")1(", false, true, 0},
    {"0.0000000000001*1", false, false, 0},
    {"SIN(1)", true, true, 0},
    {"ln(0)", false, true, 0},
    {"1/0+5", false, true, 5},  // a domain error counts 0 and the rest is still taken
    {"asin(2)", false, true, 0},
    {"2 +3", true, true, 0},
    {"--3", false, false, 0},
    // Every sub-result is written back with 12 decimals before it is used again.
    {"2*asin(1)", false, false, 2 * 1.570796326795},
    {"2*atan(1)", false, false, 2 * 0.785398163397},
    {"sin(0.5)-1", false, false, -0.520574461396},  // the argument stops at the next operator
    // A non-finite sub-result is an error, never "inf" text written back.
    {"exp(1000)", false, true, 0},
    {"10^400", false, true, 0},
    {"(0-8)^0.5", false, true, 0},
    {"exp(800)*0+1", false, true, 1},
    // Numbers are decimal: a hexadecimal form reads as its leading zero.
    {"0x10", false, false, 0},
    {"1+0x1p4", false, false, 1},
};

}  // namespace

TEST(FormelInterpreter, DocumentedCases)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.formula);
        const Outcome o = Interpret(c.formula);
        EXPECT_EQ(o.syntaxError, c.want.syntaxError);
        EXPECT_EQ(o.error, c.want.error);
        EXPECT_EQ(o.value, c.want.value);
    }
}
