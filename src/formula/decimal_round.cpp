#include "formula/decimal_round.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace qor::formula {

namespace {

using detail::U128;
constexpr std::uint64_t kPow10[18] = {1ull,
                                      10ull,
                                      100ull,
                                      1000ull,
                                      10000ull,
                                      100000ull,
                                      1000000ull,
                                      10000000ull,
                                      100000000ull,
                                      1000000000ull,
                                      10000000000ull,
                                      100000000000ull,
                                      1000000000000ull,
                                      10000000000000ull,
                                      100000000000000ull,
                                      1000000000000000ull,
                                      10000000000000000ull,
                                      100000000000000000ull};
using detail::kPow5;

// Sign of N/10^d - X*2^f, all exact. The callers keep both sides below 2^120.
int Compare(U128 n, int d, std::uint64_t x, int f)
{
    U128 lhs = n;
    U128 rhs = static_cast<U128>(x) * kPow10[d];
    if (f < 0)
        lhs <<= -f;
    else
        rhs <<= f;
    return lhs < rhs ? -1 : (lhs > rhs ? 1 : 0);
}

// The double nearest to n / 10^d (ties to even), n >= 2^53.
double NearestQuotient(U128 n, int d)
{
    double r = static_cast<double>(n) / static_cast<double>(kPow10[d]);
    // The estimate is off by at most two units in the last place; step to the right one.
    for (int guard = 0; guard < 8; ++guard) {
        const std::uint64_t bits = std::bit_cast<std::uint64_t>(r);
        const std::uint64_t mr = (bits & ((1ull << 52) - 1)) | (1ull << 52);
        const int er = static_cast<int>((bits >> 52) & 0x7ff) - 1075;
        const int up = Compare(n, d, 2 * mr + 1, er - 1);
        if (up > 0 || (up == 0 && (mr & 1))) {
            r = std::nextafter(r, HUGE_VAL);
            continue;
        }
        const int down =
            mr == (1ull << 52) ? Compare(n, d, 4 * mr - 1, er - 2) : Compare(n, d, 2 * mr - 1, er - 1);
        if (down < 0 || (down == 0 && (mr & 1))) {
            r = std::nextafter(r, 0.0);
            continue;
        }
        return r;
    }
    return RoundToDecimalsViaText(static_cast<double>(n) / static_cast<double>(kPow10[d]), d);
}

}  // namespace

double detail::RoundToDecimalsSlow(double x, int decimals)
{
    if (!std::isfinite(x) || x == 0.0 || decimals < 0 || decimals > 17)
        return x;
    const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
    const bool negative = (bits >> 63) != 0;
    const int biased = static_cast<int>((bits >> 52) & 0x7ff);
    std::uint64_t m = bits & ((1ull << 52) - 1);
    int e;
    if (biased == 0) {
        e = -1074;
    } else {
        m |= 1ull << 52;
        e = biased - 1075;
    }
    // x = m * 2^e. With at most `decimals` binary places the decimal text is exact.
    if (e >= -decimals)
        return x;
    const int shift = -e - decimals;  // x * 10^d = m * 5^d / 2^shift
    U128 n = 0;
    if (shift < 100) {
        const U128 p = static_cast<U128>(m) * kPow5[decimals];
        n = p >> shift;
        const U128 rest = p - (n << shift);
        const U128 half = static_cast<U128>(1) << (shift - 1);
        if (rest > half || (rest == half && (n & 1)))
            ++n;
    }
    double r;
    if (n == 0)
        r = 0.0;
    else if (n < (static_cast<U128>(1) << 53))
        r = static_cast<double>(static_cast<std::uint64_t>(n)) / static_cast<double>(kPow10[decimals]);
    else
        r = NearestQuotient(n, decimals);
    return negative ? -r : r;
}

double RoundToDecimalsViaText(double x, int decimals)
{
    std::string s;
    AppendFixed(s, x, decimals);
    double v = 0.0;
    const char* first = s.data();
    const char* last = s.data() + s.size();
    if (first != last && *first == '-') {
        std::from_chars(first + 1, last, v);
        return -v;
    }
    std::from_chars(first, last, v);
    return v;
}

void AppendFixed(std::string& out, double x, int decimals)
{
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, decimals);
    if (res.ec == std::errc()) {
        out.append(buf, res.ptr);
        return;
    }
    // Only a precision beyond the buffer gets here; printf copes with any.
    const int n = std::snprintf(nullptr, 0, "%.*f", decimals, x);
    std::string tmp(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(tmp.data(), tmp.size(), "%.*f", decimals, x);
    tmp.resize(static_cast<std::size_t>(n));
    out += tmp;
}

}  // namespace qor::formula
