#include "graph/point_list.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <new>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace qor::graph {

namespace {
constexpr double kInf = std::numeric_limits<double>::infinity();

// Joins the extent [l, h] into [lo, hi]; an empty extent (l > h, a group of NaN) adds
// nothing, where widening by its two ends one at a time would span everything.
inline void Join(double& lo, double& hi, double l, double h)
{
    if (l < lo)
        lo = l;
    if (h > hi)
        hi = h;
}

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
        if (m_evenKnown)
            m_even = m_even && StepFits(n, p.x);
        PushBack(p);
        if (m_summaryValid == n)
            SummaryAppend(p.y);
    } else {
        PushBack((*this)[n - 1]);
        for (std::size_t i = n - 1; i > at; --i)
            Set(i, (*this)[i - 1]);
        Set(at, p);
        m_monoKnown = m_evenKnown = false;
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
    const bool onEdge =
        old.x == m_box.xMin || old.x == m_box.xMax || old.y == m_box.yMin || old.y == m_box.yMax;
    if (onEdge)
        RecomputeBounds();
    else
        Extend(p);
    m_monoKnown = m_evenKnown = false;
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
    m_monoKnown = m_evenKnown = false;
    SummaryInvalidate(static_cast<std::size_t>(index));
    return index;
}

void PointList::Clear()
{
    m_chunks.clear();
    m_size = 0;
    m_box = {};
    m_monoKnown = m_mono = true;
    m_evenKnown = m_even = true;
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

bool PointList::StepFits(std::size_t i, double x) const
{
    if (i == 0) {
        m_x0 = x;
        return std::isfinite(x);
    }
    if (i == 1) {
        m_dx = x - m_x0;
        if (!(m_dx > 0.0) || !std::isfinite(m_dx))
            return false;
    }
    return m_x0 + static_cast<double>(i) * m_dx == x;
}

bool PointList::EvenX(double& x0, double& dx) const
{
    if (!m_evenKnown) {
        m_even = true;
        for (std::size_t i = 0; i < m_size && m_even; ++i)
            m_even = StepFits(i, X(i));
        m_evenKnown = true;
    }
    x0 = m_x0;
    dx = m_dx;
    return m_even && m_size >= 2;
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

void PointList::Level::Push(double l, double h)
{
    pairs.push_back(l);
    pairs.push_back(-h);
    ++count;
}

void PointList::BuildLevel(std::size_t level) const
{
    // Summarise the level below (or the points) from scratch.
    const std::size_t lowerCount = level == 0 ? m_size : m_levels[level - 1].count;
    Level lv;
    for (std::size_t i = 0; i < lowerCount; i += kFan) {
        double lo = kInf, hi = -kInf;
        for (std::size_t k = i; k < std::min(lowerCount, i + kFan); ++k) {
            if (level == 0) {
                Widen(lo, hi, Y(k));  // a NaN widens nothing
            } else {
                Join(lo, hi, m_levels[level - 1].Lo(k), m_levels[level - 1].Hi(k));
            }
        }
        lv.Push(lo, hi);
    }
    m_levels.push_back(std::move(lv));
}

void PointList::SummaryAppend(double y)
{
    const std::size_t n = m_size;  // the new point is already stored at n - 1
    std::size_t idx = n - 1;
    double lo = std::isnan(y) ? kInf : y, hi = std::isnan(y) ? -kInf : y;
    for (std::size_t level = 0;; ++level) {
        const std::size_t entry = idx / kFan;
        if (level == m_levels.size()) {
            // A level is only kept once its lower one has two or more entries.
            if (entry != 0)
                BuildLevel(level);
            break;
        }
        Level& lv = m_levels[level];
        if (entry == lv.count) {
            lv.Push(lo, hi);
        } else {
            double l = lv.Lo(entry), h = lv.Hi(entry);
            Join(l, h, lo, hi);
            lv.Set(entry, l, h);
        }
        lo = lv.Lo(entry);
        hi = lv.Hi(entry);
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
    for (std::size_t count = m_size; count > kFan; count = m_levels.back().count)
        BuildLevel(m_levels.size());
    m_summaryValid = m_size;
}

void PointList::PrefetchEdge(std::size_t i, bool x) const
{
    if (i >= m_size)
        return;
    if (m_summaryValid != m_size)
        SummaryRebuild();
    // The line of X a bisection starts on, the line of Y MinMaxY scans at a range end, then
    // the entries each level may take there.
    const Chunk& c = *m_chunks[i >> kChunkBits];
    const std::size_t k = i & (kChunk - 1);
    if (x)
        __builtin_prefetch(&c.x[k]);
    __builtin_prefetch(&c.y[k]);
    std::size_t e = i;
    for (const Level& lv : m_levels) {
        e /= kFan;
        if (e >= lv.count)
            break;
        __builtin_prefetch(&lv.pairs[2 * e]);
    }
}

void PointList::Prepare() const
{
    MonotonicX();
    double x0, dx;
    EvenX(x0, dx);
    if (m_summaryValid != m_size)
        SummaryRebuild();
}

std::size_t PointList::MemoryBytes() const
{
    std::size_t bytes = m_chunks.size() * sizeof(Chunk);
    for (const Level& lv : m_levels)
        bytes += lv.pairs.capacity() * sizeof(double);
    return bytes;
}

}  // namespace qor::graph
