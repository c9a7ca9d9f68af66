#pragma once

// A literal, deliberately slow text-rewriting interpreter written straight from the rules:
// printf("%.12f") and strtod (decimal numbers only) after every step. The production code must agree with it
// bit for bit; it is not used anywhere else.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace oracle {

struct Result {
    bool syntaxError = false;
    bool error = false;
    double value = 0.0;
};

inline std::string Fmt(const char* f, double v)
{
    char buf[512];
    std::snprintf(buf, sizeof buf, f, v);
    return buf;
}

inline bool IsDig(char c)
{
    return c >= '0' && c <= '9';
}

inline bool IsOp(char c)
{
    return c != '\0' && std::strchr("^*/+-", c) != nullptr;
}

// Left to right, never into what was put in.
inline void ReplaceEvery(std::string& s, const std::string& a, const std::string& b)
{
    for (std::size_t p = 0; (p = s.find(a, p)) != std::string::npos; p += b.size())
        s.replace(p, a.size(), b);
}

inline bool Syntax(std::string s)
{
    if (s.empty())
        return true;
    const char* names[] = {"asin", "acos", "atan", "sin", "cos", "tan", "ln", "log", "exp"};
    for (const char* n : names)
        ReplaceEvery(s, n, "1*");
    bool err = false;
    int open = 0, close = 0;
    char p = 0;
    auto in = [](char c) { return c == '.' || c == '(' || c == ')' || c == '-'; };
    for (char c : s) {
        open += c == '(';
        close += c == ')';
        if (!IsDig(c) && c == p && c != '(' && c != ')' && c != '-')
            err = true;
        if (!IsDig(c) && !IsDig(p) && !in(c) && !in(p))
            err = true;
        p = c;
    }
    return err || open != close;
}

// strtod for decimal numbers only: "0x10" is 0 ("inf" and "nan" never pass the syntax check).
inline double Dec(const std::string& s)
{
    return std::strtod(s.substr(0, s.find_first_of("xX")).c_str(), nullptr);
}

// Number from the first digit/point of t up to the next operator character.
inline double Num(const std::string& t)
{
    std::size_t p = t.find_first_of(".0123456789");
    if (p == std::string::npos)
        return 0.0;
    std::string n = t.substr(p);
    std::size_t q = n.find_first_of("^*/+-");
    if (q != std::string::npos)
        n = n.substr(0, q);
    return Dec(n);
}

inline int Minus(const std::string& t)
{
    return static_cast<int>(std::min(t.find_first_not_of('-'), t.size()));
}

inline std::string Written(double r, bool& err)
{
    if (!std::isfinite(r)) {
        err = true;
        r = 0.0;
    }
    return Fmt("%.12f", r);
}

inline double Flat(std::string e, bool& err)
{
    const char* names[] = {"exp", "log", "ln", "atan", "asin", "acos", "tan", "cos", "sin"};
    for (const char* name : names) {
        const std::size_t len = std::strlen(name);
        while (true) {
            std::size_t pos = e.find(name);
            if (pos == std::string::npos)
                break;
            const int minus = Minus(e.substr(pos + len));
            const std::size_t a = pos + len + static_cast<std::size_t>(minus);
            std::size_t b = a;
            while (b < e.size() && (IsDig(e[b]) || e[b] == '.'))
                ++b;
            if (a == b)
                break;
            double x = Dec(e.substr(a, b - a));
            if (minus % 2)
                x = -x;
            const std::string n = name;
            const bool outside =
                n == "asin" || n == "acos" ? x < -1 || x > 1 : (n == "ln" || n == "log") && x <= 0;
            err = err || outside;
            const double r = outside       ? 0.0
                             : n == "sin"  ? std::sin(x)
                             : n == "cos"  ? std::cos(x)
                             : n == "tan"  ? std::tan(x)
                             : n == "atan" ? std::atan(x)
                             : n == "exp"  ? std::exp(x)
                             : n == "asin" ? std::asin(x)
                             : n == "acos" ? std::acos(x)
                             : n == "ln"   ? std::log(x)
                                           : std::log10(x);
            e = e.substr(0, pos) + Written(r, err) + e.substr(b);
        }
    }
    for (char op : std::string("^/*+-")) {
        while (true) {
            std::size_t i = e.find(op);
            if (i == 0)
                i = e.find(op, 1);
            if (i == std::string::npos)
                break;
            std::string L = e.substr(0, i), R = e.substr(i + 1);
            std::size_t k = 0;
            if (k < R.size() && IsOp(R[k]))
                ++k;
            if (k < R.size() && IsOp(R[k]))
                ++k;
            std::size_t f = R.find_first_of("^*/+-", k);
            std::string right = f == std::string::npos ? R : R.substr(0, f);
            std::size_t lo = L.find_last_of("^*/+-");
            std::string left = (lo == std::string::npos || lo == 0) ? L : L.substr(lo + 1);
            std::string span = left + op + right;
            double a = Num(span), b = Num(right);
            if (Minus(span) % 2)
                a = -a;
            if (Minus(right) % 2)
                b = -b;
            err = err || (op == '/' && b == 0);
            const double r = op == '^'   ? std::pow(a, b)
                             : op == '/' ? (b == 0 ? 0.0 : a / b)
                             : op == '*' ? a * b
                             : op == '+' ? a + b
                                         : a - b;
            std::size_t start = L.size() - left.size();
            e = e.substr(0, start) + Written(r, err) + e.substr(start + span.size());
        }
    }
    return Dec(e);
}

// Construct + check + evaluate, as every caller does.
inline Result Run(std::string s)
{
    Result res;
    if (Syntax(s)) {
        res.syntaxError = res.error = true;
        return res;
    }
    bool err = false;
    while (true) {
        std::size_t c = s.find(')');
        if (c == std::string::npos)
            break;
        std::size_t o = c == 0 ? std::string::npos : s.rfind('(', c - 1);
        if (o == std::string::npos) {
            err = true;
            break;
        }
        std::string inner = s.substr(o + 1, c - o - 1);
        if (inner.empty())
            break;
        std::string group = s.substr(o, c - o + 1);
        ReplaceEvery(s, group, Written(Flat(inner, err), err));
    }
    double v = Flat(s, err);
    if (!std::isfinite(v)) {
        err = true;
        v = 0.0;
    }
    res.error = err;
    res.value = v;
    return res;
}

// The virtual channel: "%f" substitution of y, then z; 0.0 on any error.
inline Result Channel(const std::string& formula, double y, double z)
{
    std::string t = formula;
    ReplaceEvery(t, "y", Fmt("%f", y));
    std::string u = t;
    ReplaceEvery(u, "z", Fmt("%f", z));
    Result r = Run(u);
    if (r.error)
        r.value = 0.0;
    return r;
}

}  // namespace oracle
