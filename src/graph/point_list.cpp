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

void PointList::ChunkFree::operator()(GraphPoint* p) const
{
    std::free(p);
}

void PointList::PushBack(const GraphPoint& p)
{
    if ((m_size >> kChunkBits) == m_chunks.size()) {
        constexpr std::size_t bytes = kChunk * sizeof(GraphPoint);
        // The first chunk stays in small pages, so that short curves cost little memory. Long
        // curves get page-aligned chunks backed by huge pages: a drawing jumps through all of
        // them, and with small pages most of its time went to address translation.
        const bool large = !m_chunks.empty();
        void* mem = large ? std::aligned_alloc(bytes, bytes) : std::malloc(bytes);
        if (mem == nullptr)
            throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE)
        if (large)
            madvise(mem, bytes, MADV_HUGEPAGE);
#endif
        m_chunks.emplace_back(static_cast<GraphPoint*>(mem));
    }
    At(m_size) = p;
    ++m_size;
}

int PointList::Insert(const GraphPoint& p, int pos)
{
    if (pos < -1)
        return -1;
    const std::size_t n = m_size;
    std::size_t at = n;
    if (pos == -1) {
        if (m_sorted && n > 0 && (*this)[n - 1].x > p.x) {
            // First point with a larger X.
            std::size_t lo = 0, hi = n;
            while (lo < hi) {
                const std::size_t mid = lo + (hi - lo) / 2;
                if (p.x < (*this)[mid].x)
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
        if (m_monoKnown && n > 0 && !(p.x >= (*this)[n - 1].x))
            m_mono = false;
        PushBack(p);
        if (m_summaryValid == n)
            SummaryAppend(p.y);
    } else {
        PushBack((*this)[n - 1]);
        for (std::size_t i = n - 1; i > at; --i)
            At(i) = (*this)[i - 1];
        At(at) = p;
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
    At(static_cast<std::size_t>(index)) = p;
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
        At(i) = (*this)[i + 1];
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
            m_mono = (*this)[i].x >= (*this)[i - 1].x;
        m_monoKnown = true;
    }
    return m_mono;
}

std::size_t PointList::LowerBoundX(double x, std::size_t from, std::size_t to, std::size_t hint) const
{
    if (from >= to)
        return from;
    const PointList& p = *this;
    // Gallop outward from the hint, then bisect the bracket; evenly spaced samples hit at once.
    std::size_t h = std::clamp(hint, from, to - 1);
    std::size_t lo, hi;  // the answer lies in [lo, hi]
    if (p[h].x < x) {
        std::size_t step = 1;
        lo = h + 1;
        hi = lo;
        while (hi < to && p[hi].x < x) {
            lo = hi + 1;
            hi = std::min(to, hi + step);
            step *= 2;
        }
    } else {
        std::size_t step = 1;
        hi = h;
        lo = h;
        while (lo > from && p[lo - 1].x >= x) {
            hi = lo - 1;
            lo = lo - 1 >= from + step ? lo - 1 - step : from;
            step *= 2;
        }
    }
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (p[mid].x < x)
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
                    const double v = (*this)[i].y;
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
                a = b = (*this)[i].y;
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

bool PointList::MinMaxY(std::size_t from, std::size_t to, double& yMin, double& yMax) const
{
    to = std::min(to, m_size);
    double lo = kInf, hi = -kInf;
    if (from < to) {
        if (m_summaryValid != m_size)
            SummaryRebuild();
        // Level -1 is the points themselves; climb while whole entries remain in the middle.
        std::size_t a = from, b = to;
        for (int level = -1; a < b; ++level) {
            const bool last = level + 1 >= static_cast<int>(m_levels.size());
            auto take = [&](std::size_t i) {
                if (level < 0) {
                    Widen(lo, hi, (*this)[i].y);
                } else {
                    const Extent& e = m_levels[static_cast<std::size_t>(level)][i];
                    Widen(lo, hi, e.lo);
                    Widen(lo, hi, e.hi);
                }
            };
            if (last || b - a < 2 * kFan) {
                for (std::size_t i = a; i < b; ++i)
                    take(i);
                break;
            }
            while (a % kFan != 0)
                take(a++);
            while (b % kFan != 0)
                take(--b);
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
    // The raw points MinMaxY may take on either side of a range end, then the entries each
    // level may take there.
    const std::size_t a = i >= kFan ? i - kFan : 0, b = std::min(m_size - 1, i + kFan);
    __builtin_prefetch(&(*this)[a].y);
    __builtin_prefetch(&(*this)[i].y);
    __builtin_prefetch(&(*this)[b].y);
    std::size_t e = i;
    for (const auto& lv : m_levels) {
        e /= kFan;
        if (e >= lv.size())
            break;
        __builtin_prefetch(&lv[e]);
        __builtin_prefetch(&lv[e >= kFan ? e - kFan : 0]);
        __builtin_prefetch(&lv[std::min(lv.size() - 1, e + kFan)]);
    }
}

std::size_t PointList::MemoryBytes() const
{
    std::size_t bytes = m_chunks.size() * kChunk * sizeof(GraphPoint);
    for (const auto& lv : m_levels)
        bytes += lv.capacity() * sizeof(Extent);
    return bytes;
}

}  // namespace qor::graph
