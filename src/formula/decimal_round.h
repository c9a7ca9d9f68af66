#pragma once

#include <bit>
#include <cstdint>
#include <string>

namespace qor::formula {

namespace detail {
__extension__ typedef unsigned __int128 U128;
inline constexpr std::uint64_t kPow5[18] = {
    1ull,         5ull,          25ull,         125ull,         625ull,          3125ull,
    15625ull,     78125ull,      390625ull,     1953125ull,     9765625ull,      48828125ull,
    244140625ull, 1220703125ull, 6103515625ull, 30517578125ull, 152587890625ull, 762939453125ull};
inline constexpr double kPow10[18] = {1e0, 1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,
                                      1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17};
double RoundToDecimalsSlow(double x, int decimals);
}  // namespace detail

// Returns exactly what strtod(printf("%.*f", decimals, x)) returns (round half to even on
// the exact binary value, then the nearest double), without the text round trip.
// Non-finite values are returned unchanged. decimals must be 0..17.
inline double RoundToDecimals(double x, int decimals)
{
    if (decimals >= 0 && decimals <= 17) {
        // t = |x| * 10^d rounded. Below 2^53 its nearest integer n is the exact product's
        // nearest integer unless t lies exactly halfway (then the product's last bits decide,
        // which the exact route settles). n / 10^d is one correctly rounded division.
        const std::uint64_t bits = std::bit_cast<std::uint64_t>(x);
        const double ax = std::bit_cast<double>(bits & ~(1ull << 63));
        const double t = ax * detail::kPow10[decimals];
        constexpr double k2p52 = 4503599627370496.0;
        if (t < 2 * k2p52) {
            const double n = t < k2p52 ? (t + k2p52) - k2p52 : t;
            const double diff = t - n;
            if (diff != 0.5 && diff != -0.5) [[likely]] {
                const double r = n / detail::kPow10[decimals];
                return std::bit_cast<double>(std::bit_cast<std::uint64_t>(r) | (bits & (1ull << 63)));
            }
        }
    }
    return detail::RoundToDecimalsSlow(x, decimals);
}

// The reference route the fast one must equal: format with "%.*f", read back.
double RoundToDecimalsViaText(double x, int decimals);

// "%.*f" of x appended to out (locale independent, same digits as printf).
void AppendFixed(std::string& out, double x, int decimals);

}  // namespace qor::formula
