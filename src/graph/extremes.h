#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qor::graph {

// Running minimum and maximum over windows of 1, 2, 4 or 8 consecutive values, or over
// chosen lanes of an aligned group of eight. Windows may overlap, which suits extremes, so
// any range is covered by two of them, and lanes outside a choice are replaced by a value
// known to lie in the range: no loop whose length the processor cannot foresee. NaN values
// are passed over.
#if defined(__SSE2__)
// below[k][i]: all ones for lane i < k.
// above[k][i]: all ones for lane i >= k. All ones is a NaN: OR-ed into a value, it makes a
// lane one that minimum and maximum pass over.
struct LaneTable {
    alignas(16) std::uint64_t below[9][8];
    alignas(16) std::uint64_t above[9][8];
    constexpr LaneTable() : below{}, above{}
    {
        for (int k = 0; k <= 8; ++k)
            for (int i = 0; i < 8; ++i) {
                below[k][i] = i < k ? ~std::uint64_t{0} : 0;
                above[k][i] = i < k ? 0 : ~std::uint64_t{0};
            }
    }
};
inline constexpr LaneTable kLanes;

// Two neighbouring values (or one, twice) as doubles, from either precision.
inline __m128d Load2(const double* p)
{
    return _mm_loadu_pd(p);
}
inline __m128d Load2(const float* p)
{
    return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
}
inline __m128d Load1(const double* p)
{
    return _mm_load1_pd(p);
}
inline __m128d Load1(const float* p)
{
    return _mm_set1_pd(static_cast<double>(*p));
}

class Extremes {
public:
    // The second operand of min/max is kept where the first is NaN.
    template <class T> void Take(const T* lo, const T* hi, std::size_t n)
    {
        if (n == 1) {
            Into(Load1(lo), Load1(hi), m_lo0, m_hi0);
            return;
        }
        for (std::size_t q = 0; q < n; q += 4) {
            Into(Load2(lo + q), Load2(hi + q), m_lo0, m_hi0);
            if (n > 2)
                Into(Load2(lo + q + 2), Load2(hi + q + 2), m_lo1, m_hi1);
        }
    }
    // Lanes [s, e) of the aligned group of eight at g, the others standing in as `fill`, a
    // value known to lie in the range: no branch on where the range ends.
    template <class T> void TakeLanes(const T* g, std::size_t s, std::size_t e, double fill)
    {
        const __m128d f = _mm_set1_pd(fill);
        for (std::size_t q = 0; q < 8; q += 2) {
            const __m128i below = _mm_load_si128(reinterpret_cast<const __m128i*>(&kLanes.below[s][q]));
            const __m128i within = _mm_load_si128(reinterpret_cast<const __m128i*>(&kLanes.below[e][q]));
            const __m128d m = _mm_castsi128_pd(_mm_andnot_si128(below, within));
            const __m128d v = _mm_or_pd(_mm_and_pd(m, Load2(g + q)), _mm_andnot_pd(m, f));
            if (q & 2)
                Into(v, v, m_lo1, m_hi1);
            else
                Into(v, v, m_lo0, m_hi0);
        }
    }
    // n (minimum, negated maximum) pairs from p on: one minimum takes both. The window
    // sizes come unrolled; which one is asked for rarely changes from call to call.
    template <class T> void TakePairs(const T* p, std::size_t n)
    {
        switch (n) {
        case 1:
            Pairs<1>(p);
            break;
        case 2:
            Pairs<2>(p);
            break;
        case 4:
            Pairs<4>(p);
            break;
        case 8:
            Pairs<8>(p);
            break;
        default:
            for (std::size_t i = 0; i < n; ++i)
                Pairs<1>(p + 2 * i);
        }
    }
    void Result(double& lo, double& hi) const
    {
        alignas(16) double l[2], h[2], p[2];
        _mm_store_pd(l, _mm_min_pd(m_lo0, m_lo1));
        _mm_store_pd(h, _mm_max_pd(m_hi0, m_hi1));
        _mm_store_pd(p, _mm_min_pd(m_pair0, m_pair1));
        lo = std::min(std::min(l[0], l[1]), p[0]);
        hi = std::max(std::max(h[0], h[1]), -p[1]);
    }

private:
    template <std::size_t N, class T> void Pairs(const T* p)
    {
        for (std::size_t i = 0; i < N; i += 2) {
            m_pair0 = _mm_min_pd(Load2(p + 2 * i), m_pair0);
            if (i + 1 < N)
                m_pair1 = _mm_min_pd(Load2(p + 2 * i + 2), m_pair1);
        }
    }
    // lo into the running minimum, hi into the running maximum.
    static void Into(__m128d lo, __m128d hi, __m128d& minimum, __m128d& maximum)
    {
        minimum = _mm_min_pd(lo, minimum);
        maximum = _mm_max_pd(hi, maximum);
    }
    static constexpr double kInf = std::numeric_limits<double>::infinity();
    __m128d m_lo0 = _mm_set1_pd(kInf), m_lo1 = _mm_set1_pd(kInf);
    __m128d m_hi0 = _mm_set1_pd(-kInf), m_hi1 = _mm_set1_pd(-kInf);
    __m128d m_pair0 = _mm_set1_pd(kInf), m_pair1 = _mm_set1_pd(kInf);
};
#else
class Extremes {
public:
    template <class T> void Take(const T* lo, const T* hi, std::size_t n)
    {
        for (std::size_t i = 0; i < n; ++i) {
            m_lo = lo[i] < m_lo ? lo[i] : m_lo;
            m_hi = hi[i] > m_hi ? hi[i] : m_hi;
        }
    }
    template <class T> void TakePairs(const T* p, std::size_t n)
    {
        for (std::size_t i = 0; i < n; ++i) {
            m_lo = p[2 * i] < m_lo ? p[2 * i] : m_lo;
            m_hi = -p[2 * i + 1] > m_hi ? -p[2 * i + 1] : m_hi;
        }
    }
    template <class T> void TakeLanes(const T* g, std::size_t s, std::size_t e, double)
    {
        for (std::size_t i = s; i < e; ++i) {
            m_lo = g[i] < m_lo ? g[i] : m_lo;
            m_hi = g[i] > m_hi ? g[i] : m_hi;
        }
    }
    void Result(double& lo, double& hi) const
    {
        lo = m_lo;
        hi = m_hi;
    }

private:
    double m_lo = std::numeric_limits<double>::infinity(), m_hi = -std::numeric_limits<double>::infinity();
};
#endif

// Covers [a, b) (b > a, b - a < 16) with two windows of the largest size that fits.
template <class Window> inline void TakeShort(std::size_t a, std::size_t b, Window window)
{
    const std::size_t n = b - a;
    const std::size_t w = n >= 8 ? 8 : n >= 4 ? 4 : n >= 2 ? 2 : 1;
    window(a, w);
    if (w > 1)
        window(b - w, w);
}
}  // namespace qor::graph
