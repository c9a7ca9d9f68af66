#pragma once

#include <string>
#include <string_view>

namespace qor::formula {

// Evaluates one formula text (numbers, the operators ^ / * + -, brackets and the functions
// exp log ln atan asin acos tan cos sin) the way the station always has: sub-results are
// rounded to 12 decimals, "+" binds more strongly than "-", operators group from the left.
// One interpreter serves one check or one evaluation.
class CFormelInterpreter {
public:
    explicit CFormelInterpreter(std::string formula);
    virtual ~CFormelInterpreter() = default;

    int HasError() const { return m_error; }
    // The value of the formula; may set the error flag. Call once.
    double Evaluate();

    // 1 when the formula breaks the grammar (the check the constructor runs), else 0.
    static int CheckSyntax(std::string formula);
    // "%.12f" of a sub-result, read back; a value that is not a finite number is an error.
    static double RoundSubResult(double v, bool* error);
    // The leading decimal number of the text (as strtod in the C locale reads it, but never
    // hexadecimal, "inf" or "nan"); 0.0 if there is none.
    static double LeadingNumber(std::string_view text);

private:
    double EvaluateText();
    double EvaluateFlat(std::string& e);

    std::string m_formula;
    int m_error = 0;
    int m_closePos = -1;
    int m_openPos = -1;
};

}  // namespace qor::formula
