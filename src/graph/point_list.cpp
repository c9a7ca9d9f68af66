#include "graph/point_list.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace qor::graph {

namespace {
constexpr double kInf = std::numeric_limits<double>::infinity();

inline void Widen(double& lo, double& hi, double v)
{
    if (v < lo)
        lo = v;
    if (v > hi)
        hi = v;
}
}  // namespace

void PointList::Extend(const GraphPoint& p)
{
    if (std::isnan(p.x) || std::isnan(p.y))
        return;
    if (!m_box.valid) {
        m_box = {true, p.x, p.x, p.y, p.y};
        return;
    }
    Widen(m_box.xMin, m_box.xMax, p.x);
    Widen(m_box.yMin, m_box.yMax, p.y);
}

void PointList::RecomputeBounds()
{
    m_box = {};
    for (std::size_t i = 0; i < m_size; ++i)
        Extend((*this)[i]);
}

void PointList::ChunkFree::operator()(Chunk* p) const
{
    std::free(p);
}

void PointList::Set(std::size_t i, const GraphPoint& p)
{
    Chunk& c = *m_chunks[i >> kChunkBits];
    const std::size_t k = i & (kChunk - 1);
    c.x[k] = p.x;
    c.y[k] = p.y;
    c.z[k] = p.z;
    c.time[k] = p.time;
}

void PointList::PushBack(const GraphPoint& p)
{
    if ((m_size >> kChunkBits) == m_chunks.size()) {
        static_assert(sizeof(Chunk) == kChunk * sizeof(GraphPoint));
        constexpr std::size_t bytes = sizeof(Chunk);
        // The first chunk stays in small pages, so that short curves cost little memory. Long
        // curves get page-aligned chunks backed by huge pages: a drawing jumps through all of
        // them, and with small pages most of its time went to address translation.
        const bool large = !m_chunks.empty();
        void* mem = large ? std::aligned_alloc(bytes, bytes) : std::aligned_alloc(64, bytes);
        if (mem == nullptr)
            throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE)
        if (large)
            madvise(mem, bytes, MADV_HUGEPAGE);
#endif
        m_chunks.emplace_back(static_cast<Chunk*>(mem));
    }
    Set(m_size, p);
    ++m_size;
}

int PointList::Insert(const GraphPoint& p, int pos)
{
    if (pos < -1)
        return -1;
    const std::size_t n = m_size;
    std::size_t at = n;
    if (pos == -1) {
        if (m_sorted && n > 0 && X(n - 1) > p.x) {
            // First point with a larger X.
            std::size_t lo = 0, hi = n;
            while (lo < hi) {
                const std::size_t mid = lo + (hi - lo) / 2;
                if (p.x < X(mid))
                    hi = mid;
                else
                    lo = mid + 1;
            }
            at = lo;
        }
    } else if (static_cast<std::size_t>(pos) < n) {
        at = static_cast<std::size_t>(pos);
    }

    if (at == n) {
        if (m_monoKnown && n > 0 && !(p.x >= X(n - 1)))
            m_mono = false;
        PushBack(p);
        if (m_summaryValid == n)
            SummaryAppend(p.y);
    } else {
        PushBack((*this)[n - 1]);
        for (std::size_t i = n - 1; i > at; --i)
            Set(i, (*this)[i - 1]);
        Set(at, p);
        m_monoKnown = false;
        SummaryInvalidate(at);
    }
    Extend(p);
    return static_cast<int>(at);
}

int PointList::Change(int index, const GraphPoint& p)
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_size)
        return -1;
    const GraphPoint old = (*this)[static_cast<std::size_t>(index)];
    Set(static_cast<std::size_t>(index), p);
    const bool onEdge = old.x == m_box.xMin || old.x == m_box.xMax || old.y == m_box.yMin || old.y == m_box.yMax;
    if (onEdge)
        RecomputeBounds();
    else
        Extend(p);
    m_monoKnown = false;
    SummaryInvalidate(static_cast<std::size_t>(index));
    return index;
}

int PointList::Remove(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_size)
        return -1;
    for (std::size_t i = static_cast<std::size_t>(index); i + 1 < m_size; ++i)
        Set(i, (*this)[i + 1]);
    --m_size;
    if (m_chunks.size() > (m_size + kChunk - 1) / kChunk)
        m_chunks.pop_back();
    RecomputeBounds();
    m_monoKnown = false;
    SummaryInvalidate(static_cast<std::size_t>(index));
    return index;
}

void PointList::Clear()
{
    m_chunks.clear();
    m_size = 0;
    m_box = {};
    m_monoKnown = m_mono = true;
    m_levels.clear();
    m_summaryValid = 0;
}

bool PointList::MonotonicX() const
{
    if (!m_monoKnown) {
        m_mono = true;
        for (std::size_t i = 1; i < m_size && m_mono; ++i)
            m_mono = X(i) >= X(i - 1);
        m_monoKnown = true;
    }
    return m_mono;
}

std::size_t PointList::LowerBoundX(double x, std::size_t from, std::size_t to, std::size_t hint) const
{
    if (from >= to)
        return from;
    // Gallop outward from the hint, then bisect the bracket; evenly spaced samples hit at once.
    std::size_t h = std::clamp(hint, from, to - 1);
    std::size_t lo, hi;  // the answer lies in [lo, hi]
    if (X(h) < x) {
        std::size_t step = 1;
        lo = h + 1;
        hi = lo;
        while (hi < to && X(hi) < x) {
            lo = hi + 1;
            hi = std::min(to, hi + step);
            step *= 2;
        }
    } else {
        std::size_t step = 1;
        hi = h;
        lo = h;
        while (lo > from && X(lo - 1) >= x) {
            hi = lo - 1;
            lo = lo - 1 >= from + step ? lo - 1 - step : from;
            step *= 2;
        }
    }
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (X(mid) < x)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

void PointList::SummaryAppend(double y)
{
    const std::size_t n = m_size;  // the new point is already stored at n - 1
    std::size_t idx = n - 1;
    double lo = std::isnan(y) ? kInf : y, hi = std::isnan(y) ? -kInf : y;
    for (std::size_t level = 0;; ++level) {
        const std::size_t entry = idx / kFan;
        if (level == m_levels.size()) {
            if (entry == 0)
                break;  // a level is only kept once its lower one has two or more entries
            m_levels.emplace_back();
            // Summarise the lower level (or the points) from scratch for this new level.
            auto& lv = m_levels.back();
            const std::size_t lowerCount = level == 0 ? n : m_levels[level - 1].size();
            lv.assign((lowerCount + kFan - 1) / kFan, Extent{kInf, -kInf});
            for (std::size_t i = 0; i < lowerCount; ++i) {
                double a, b;
                if (level == 0) {
                    const double v = Y(i);
                    a = b = v;
                    if (std::isnan(v)) {
                        a = kInf;
                        b = -kInf;
                    }
                } else {
                    a = m_levels[level - 1][i].lo;
                    b = m_levels[level - 1][i].hi;
                }
                Widen(lv[i / kFan].lo, lv[i / kFan].hi, a);
                Widen(lv[i / kFan].lo, lv[i / kFan].hi, b);
            }
            break;
        }
        auto& lv = m_levels[level];
        if (entry == lv.size())
            lv.push_back(Extent{lo, hi});
        else {
            Widen(lv[entry].lo, lv[entry].hi, lo);
            Widen(lv[entry].lo, lv[entry].hi, hi);
        }
        lo = lv[entry].lo;
        hi = lv[entry].hi;
        idx = entry;
    }
    m_summaryValid = n;
}

void PointList::SummaryInvalidate(std::size_t fromIndex)
{
    m_summaryValid = std::min(m_summaryValid, fromIndex);
}

void PointList::SummaryRebuild() const
{
    // Rebuilding everything is simple and, at one pass over Y, cheaper than one naive drawing.
    m_levels.clear();
    const std::size_t n = m_size;
    std::size_t count = n;
    for (std::size_t level = 0; count > kFan; ++level) {
        std::vector<Extent> lv((count + kFan - 1) / kFan, Extent{kInf, -kInf});
        for (std::size_t i = 0; i < count; ++i) {
            double a, b;
            if (level == 0) {
                a = b = Y(i);
                if (std::isnan(a)) {
                    a = kInf;
                    b = -kInf;
                }
            } else {
                a = m_levels[level - 1][i].lo;
                b = m_levels[level - 1][i].hi;
            }
            Widen(lv[i / kFan].lo, lv[i / kFan].hi, a);
            Widen(lv[i / kFan].lo, lv[i / kFan].hi, b);
        }
        count = lv.size();
        m_levels.push_back(std::move(lv));
    }
    m_summaryValid = n;
}

void PointList::ScanY(std::size_t from, std::size_t to, double& lo, double& hi) const
{
    while (from < to) {
        const double* y = m_chunks[from >> kChunkBits]->y;
        const std::size_t k0 = from & (kChunk - 1);
        const std::size_t k1 = std::min(kChunk, k0 + (to - from));
        // Comparisons that a NaN never wins, so NaN points are passed over.
        double l = lo, h = hi;
        for (std::size_t k = k0; k < k1; ++k) {
            l = y[k] < l ? y[k] : l;
            h = y[k] > h ? y[k] : h;
        }
        lo = l;
        hi = h;
        from += k1 - k0;
    }
}

bool PointList::MinMaxY(std::size_t from, std::size_t to, double& yMin, double& yMax) const
{
    to = std::min(to, m_size);
    double lo = kInf, hi = -kInf;
    if (from < to) {
        if (m_summaryValid != m_size)
            SummaryRebuild();
        std::size_t a = from, b = to;
        // The points themselves at both ends, up to the first whole entry; a block of kFan
        // points is one aligned cache line of Y.
        if (m_levels.empty() || b - a < 2 * kFan) {
            ScanY(a, b, lo, hi);
            a = b;
        } else {
            const std::size_t a1 = (a + kFan - 1) / kFan * kFan, b1 = b / kFan * kFan;
            ScanY(a, a1, lo, hi);
            ScanY(b1, b, lo, hi);
            a = a1 / kFan;
            b = b1 / kFan;
        }
        // Then the summary levels, climbing while whole entries remain in the middle.
        for (std::size_t level = 0; a < b; ++level) {
            const Extent* e = m_levels[level].data();
            auto take = [&](std::size_t i) {
                lo = e[i].lo < lo ? e[i].lo : lo;
                hi = e[i].hi > hi ? e[i].hi : hi;
            };
            if (level + 1 >= m_levels.size() || b - a < 2 * kFan) {
                for (std::size_t i = a; i < b; ++i)
                    take(i);
                break;
            }
            for (; a % kFan != 0; ++a)
                take(a);
            for (; b % kFan != 0; --b)
                take(b - 1);
            a /= kFan;
            b /= kFan;
        }
    }
    yMin = lo;
    yMax = hi;
    return lo <= hi;
}

void PointList::PrefetchEdge(std::size_t i) const
{
    if (i >= m_size)
        return;
    if (m_summaryValid != m_size)
        SummaryRebuild();
    // The line of X a bisection starts on, the line of Y MinMaxY scans at a range end, then
    // the entry each level may take there.
    const Chunk& c = *m_chunks[i >> kChunkBits];
    const std::size_t k = i & (kChunk - 1);
    __builtin_prefetch(&c.x[k]);
    __builtin_prefetch(&c.y[k]);
    std::size_t e = i;
    for (const auto& lv : m_levels) {
        e /= kFan;
        if (e >= lv.size())
            break;
        __builtin_prefetch(&lv[e]);
    }
}

std::size_t PointList::MemoryBytes() const
{
    std::size_t bytes = m_chunks.size() * sizeof(Chunk);
    for (const auto& lv : m_levels)
        bytes += lv.capacity() * sizeof(Extent);
    return bytes;
}

}  // namespace qor::graph
