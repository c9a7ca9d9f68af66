#include "formula/formel_interpreter.h"

#include "formula/decimal_round.h"
#include "formula/formula_ops.h"
#include "formula/formula_program.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale.h>

namespace qor::formula {

namespace {

constexpr const char* kOperators = "^*/+-";

bool InSet(char c, const char* set)
{
    for (; *set; ++set)
        if (*set == c)
            return true;
    return false;
}

void ReplaceAll(std::string& s, std::string_view what, std::string_view with)
{
    if (what.empty())
        return;
    std::size_t pos = 0;
    while ((pos = s.find(what, pos)) != std::string::npos) {
        s.replace(pos, what.size(), with);
        pos += with.size();
    }
}

// The number that starts at the first digit or point of `text`, read up to the next
// operator character; 0.0 if the text holds no digit or point.
double OperandNumber(std::string_view text)
{
    std::size_t p = 0;
    while (p < text.size() && !IsNumberChar(text[p]))
        ++p;
    if (p == text.size())
        return 0.0;
    std::string_view num = text.substr(p);
    const std::size_t end = num.find_first_of(kOperators);
    if (end != std::string_view::npos)
        num = num.substr(0, end);
    return CFormelInterpreter::LeadingNumber(num);
}

double Negated(double v, std::size_t times)
{
    return (times & 1) ? -v : v;
}

std::size_t LeadingMinus(std::string_view text)
{
    std::size_t n = 0;
    while (n < text.size() && text[n] == '-')
        ++n;
    return n;
}

}  // namespace

CFormelInterpreter::CFormelInterpreter(std::string formula) : m_formula(std::move(formula))
{
    m_error = CheckSyntax(m_formula);
}

int CFormelInterpreter::CheckSyntax(std::string f)
{
    if (f.empty())
        return 1;
    for (const char* name : {"asin", "acos", "atan", "sin", "cos", "tan", "ln", "log", "exp"})
        ReplaceAll(f, name, "1*");
    int error = 0;
    int open = 0;
    int close = 0;
    char p = '\0';
    for (const char c : f) {
        if (c == '(')
            ++open;
        if (c == ')')
            ++close;
        if (!IsDigit(c) && c == p && c != '(' && c != ')' && c != '-')
            error = 1;
        if (!IsDigit(c) && !IsDigit(p) && !InSet(c, ".()-") && !InSet(p, ".()-"))
            error = 1;
        p = c;
    }
    if (open != close)
        error = 1;
    return error;
}

double CFormelInterpreter::RoundSubResult(double v, bool* error)
{
    if (!std::isfinite(v)) {
        *error = true;
        return 0.0;
    }
    return RoundToDecimals(v, 12);
}

double CFormelInterpreter::LeadingNumber(std::string_view text)
{
    // The station reads numbers with a point whatever the user's locale says.
    // Decimal numbers only: strtod would also take "0x10" as 16 and "nan" or "inf" as numbers.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    const std::size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    const std::size_t digitsFrom = i;
    while (i < text.size() && IsDigit(text[i]))
        ++i;
    std::size_t digits = i - digitsFrom;
    if (i < text.size() && text[i] == '.') {
        const std::size_t from = ++i;
        while (i < text.size() && IsDigit(text[i]))
            ++i;
        digits += i - from;
    }
    if (digits == 0)
        return 0.0;
    // A decimal exponent counts only with its digits ("2e" is 2, "2e3" is 2000).
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j]))
                ++j;
            i = j;
        }
    }
    const std::string s(text.substr(start, i - start));
    return strtod_l(s.c_str(), nullptr, cLocale);
}

double CFormelInterpreter::Evaluate()
{
    double value = 0.0;
    bool error = false;
    if (EvaluateCompiled(m_formula, &value, &error)) {
        if (error)
            m_error = 1;
        return value;
    }
    return EvaluateText();
}

double CFormelInterpreter::EvaluateText()
{
    std::string& s = m_formula;
    for (;;) {
        const std::size_t close = s.find(')');
        if (close == std::string::npos) {
            m_closePos = -1;
            break;
        }
        m_closePos = static_cast<int>(close);
        const std::size_t open = close == 0 ? std::string::npos : s.rfind('(', close - 1);
        if (open == std::string::npos) {
            m_openPos = -1;
            m_error = 1;
            break;
        }
        m_openPos = static_cast<int>(open);
        std::string inner = s.substr(open + 1, close - open - 1);
        if (inner.empty())
            break;
        const std::string group = s.substr(open, close - open + 1);
        bool error = false;
        const double v = RoundSubResult(EvaluateFlat(inner), &error);
        if (error)
            m_error = 1;
        std::string text;
        AppendFixed(text, v, 12);
        ReplaceAll(s, group, text);
    }
    const double v = EvaluateFlat(s);
    if (!std::isfinite(v)) {
        m_error = 1;
        return 0.0;
    }
    return v;
}

double CFormelInterpreter::EvaluateFlat(std::string& e)
{
    std::string text;
    for (int f = 0; f < kFunctionCount; ++f) {
        const std::string_view name = FunctionName(f);
        for (;;) {
            const std::size_t pos = e.find(name);
            if (pos == std::string::npos)
                break;
            std::size_t a = pos + name.size();
            while (a < e.size() && e[a] == '-')
                ++a;
            std::size_t b = a;
            while (b < e.size() && IsNumberChar(e[b]))
                ++b;
            if (b == a)
                break;
            const std::size_t minus = a - (pos + name.size());
            const double x = Negated(LeadingNumber(std::string_view(e).substr(a, b - a)), minus);
            bool error = false;
            double r = ApplyFunction(f, x, &error);
            r = RoundSubResult(r, &error);
            if (error)
                m_error = 1;
            text.clear();
            AppendFixed(text, r, 12);
            e.replace(pos, b - pos, text);
        }
    }
    for (const char op : {'^', '/', '*', '+', '-'}) {
        for (;;) {
            std::size_t i = e.find(op);
            if (i == 0)
                i = e.find(op, 1);
            if (i == std::string::npos)
                break;
            const std::string_view left = std::string_view(e).substr(0, i);
            const std::string_view right = std::string_view(e).substr(i + 1);
            std::size_t skip = 0;
            if (skip < right.size() && IsOperatorChar(right[skip]))
                ++skip;
            if (skip < right.size() && IsOperatorChar(right[skip]))
                ++skip;
            const std::size_t rightEnd = right.find_first_of(kOperators, skip);
            const std::size_t rightLen = rightEnd == std::string_view::npos ? right.size() : rightEnd;
            const std::size_t lastOp = left.find_last_of(kOperators);
            const std::size_t start = (lastOp == std::string_view::npos || lastOp == 0) ? 0 : lastOp + 1;
            const std::string_view span = std::string_view(e).substr(start, i + 1 + rightLen - start);
            const std::string_view behind = right.substr(0, rightLen);
            const double a = Negated(OperandNumber(span), LeadingMinus(span));
            const double b = Negated(OperandNumber(behind), LeadingMinus(behind));
            bool error = false;
            double r = ApplyOperator(op, a, b, &error);
            r = RoundSubResult(r, &error);
            if (error)
                m_error = 1;
            text.clear();
            AppendFixed(text, r, 12);
            e.replace(start, span.size(), text);
        }
    }
    return LeadingNumber(e);
}

}  // namespace qor::formula
