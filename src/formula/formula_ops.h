#pragma once

#include <string_view>

namespace qor::formula {

// The interpreter's functions in the order in which a flat text is searched for them.
enum FormulaFunction : unsigned char {
    kExp,
    kLog,
    kLn,
    kAtan,
    kAsin,
    kAcos,
    kTan,
    kCos,
    kSin,
    kFunctionCount
};

std::string_view FunctionName(int function);

// One operator or function result before rounding. A domain error, and any result that is
// not a finite number, sets *error and yields 0.0.
double ApplyOperator(char op, double a, double b, bool* error);
double ApplyFunction(int function, double x, bool* error);

inline bool IsOperatorChar(char c)
{
    return c == '^' || c == '*' || c == '/' || c == '+' || c == '-';
}
inline bool IsNumberChar(char c)
{
    return (c >= '0' && c <= '9') || c == '.';
}
inline bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

}  // namespace qor::formula
