#include "formula/formula_ops.h"

#include <cmath>

namespace qor::formula {

namespace {
double Checked(double r, bool* error)
{
    if (std::isfinite(r))
        return r;
    *error = true;
    return 0.0;
}
}  // namespace

std::string_view FunctionName(int function)
{
    static constexpr std::string_view kNames[kFunctionCount] = {"exp",  "log", "ln",  "atan", "asin",
                                                                "acos", "tan", "cos", "sin"};
    return function >= 0 && function < kFunctionCount ? kNames[function] : std::string_view();
}

double ApplyOperator(char op, double a, double b, bool* error)
{
    switch (op) {
    case '^':
        return Checked(std::pow(a, b), error);
    case '/':
        if (b == 0.0) {
            *error = true;
            return 0.0;
        }
        return Checked(a / b, error);
    case '*':
        return Checked(a * b, error);
    case '+':
        return Checked(a + b, error);
    case '-':
        return Checked(a - b, error);
    default:
        *error = true;
        return 0.0;
    }
}

double ApplyFunction(int function, double x, bool* error)
{
    switch (function) {
    case kExp:
        return Checked(std::exp(x), error);
    case kLog:
    case kLn:
        if (!(x > 0.0)) {
            *error = true;
            return 0.0;
        }
        return Checked(function == kLn ? std::log(x) : std::log10(x), error);
    case kAtan:
        return Checked(std::atan(x), error);
    case kAsin:
    case kAcos:
        if (!(x >= -1.0 && x <= 1.0)) {
            *error = true;
            return 0.0;
        }
        return Checked(function == kAsin ? std::asin(x) : std::acos(x), error);
    case kTan:
        return Checked(std::tan(x), error);
    case kCos:
        return Checked(std::cos(x), error);
    case kSin:
        return Checked(std::sin(x), error);
    default:
        *error = true;
        return 0.0;
    }
}

}  // namespace qor::formula
