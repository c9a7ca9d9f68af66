#include "graph/point_list.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <new>
#include <type_traits>
#include <utility>

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

std::uint64_t PointList::NextEdition()
{
    static std::atomic<std::uint64_t> next{0};
    return ++next;
}

void SharedColumns::Append(double x, std::int64_t time)
{
    const std::size_t k = m_size & (kChunk - 1);
    if (k == 0) {
        m_x.emplace_back(new double[kChunk]);
        m_time.emplace_back(new std::int64_t[kChunk]);
    }
    if (m_size > 0 && !(x >= X(m_size - 1)))
        m_mono = false;
    if (m_size == 0) {
        m_x0 = x;
        m_even = std::isfinite(x);
    } else {
        if (m_size == 1) {
            m_dx = x - m_x0;
            m_even = m_even && m_dx > 0.0 && std::isfinite(m_dx);
        }
        m_even = m_even && m_x0 + static_cast<double>(m_size) * m_dx == x;
    }
    m_x.back()[k] = x;
    m_time.back()[k] = time;
    ++m_size;
}

void SharedColumns::Clear()
{
    m_x.clear();
    m_time.clear();
    m_size = 0;
    m_mono = m_even = true;
    m_x0 = m_dx = 0.0;
}

void PointList::Extend(double x, double y)
{
    if (std::isnan(x) || std::isnan(y))
        return;
    if (!m_box.valid) {
        m_box = {true, x, x, y, y};
        return;
    }
    Widen(m_box.xMin, m_box.xMax, x);
    Widen(m_box.yMin, m_box.yMax, y);
}

void PointList::RecomputeBounds()
{
    m_box = {};
    for (std::size_t i = 0; i < m_size; ++i)
        Extend(X(i), Y(i));
}

void PointList::ChunkFree::operator()(void* p) const
{
    std::free(p);
}

namespace {
void* AllocChunk(std::size_t bytes)
{
    void* mem = std::aligned_alloc(64, bytes);
    if (mem == nullptr)
        throw std::bad_alloc();
    return mem;
}

// A value a float holds exactly (NaN too: a gap is a gap in either precision).
inline bool FitsFloat(double y)
{
    return static_cast<double>(static_cast<float>(y)) == y || std::isnan(y);
}
}  // namespace

void PointList::WidenY()
{
    m_single = false;  // from here on NewYChunk gives chunks of doubles
    for (std::size_t c = 0; c < m_y.size(); ++c) {
        auto* wide = reinterpret_cast<double*>(NewYChunk());
        const auto* narrow = reinterpret_cast<const float*>(m_y[c].get());
        const std::size_t n = std::min(kChunk, m_size - std::min(m_size, c * kChunk));
        for (std::size_t k = 0; k < n; ++k)
            wide[k] = static_cast<double>(narrow[k]);
        m_spareNarrow.push_back(std::move(m_y[c]));
        m_y[c].reset(reinterpret_cast<std::byte*>(wide));
    }
    m_levelsF.clear();
    m_summaryValid = 0;
}

void PointList::SetY(std::size_t i, double y)
{
    if (m_single && !FitsFloat(y))
        WidenY();
    std::byte* c = m_y[i >> kChunkBits].get();
    const std::size_t k = i & (kChunk - 1);
    if (m_single)
        reinterpret_cast<float*>(c)[k] = static_cast<float>(y);
    else
        reinterpret_cast<double*>(c)[k] = y;
}

void PointList::Set(std::size_t i, const GraphPoint& p)
{
    Own& c = *m_own[i >> kChunkBits];
    const std::size_t k = i & (kChunk - 1);
    c.x[k] = p.x;
    c.z[k] = p.z;
    c.time[k] = p.time;
    SetY(i, p.y);
}

void PointList::PushY(double y)
{
    if (m_single && !FitsFloat(y))
        WidenY();
    if ((m_size >> kChunkBits) == m_y.size())
        m_y.emplace_back(NewYChunk());
    SetY(m_size, y);
    ++m_size;
}

void PointList::PushBack(const GraphPoint& p)
{
    if ((m_size >> kChunkBits) == m_own.size())
        m_own.emplace_back(NewOwnChunk());
    Own& c = *m_own[m_size >> kChunkBits];
    const std::size_t k = m_size & (kChunk - 1);
    c.x[k] = p.x;
    c.z[k] = p.z;
    c.time[k] = p.time;
    PushY(p.y);
}

int PointList::Insert(const GraphPoint& p, int pos)
{
    if (pos < -1)
        return -1;
    if (m_shared)
        Detach();
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

    const bool single = m_single;
    if (at == n) {
        if (m_monoKnown && n > 0 && !(p.x >= X(n - 1)))
            m_mono = false;
        if (m_evenKnown)
            m_even = m_even && StepFits(n, p.x);
        PushBack(p);
        if (m_summaryValid == n && single == m_single)
            SummaryAppend(p.y);
    } else {
        PushBack((*this)[n - 1]);
        for (std::size_t i = n - 1; i > at; --i)
            Set(i, (*this)[i - 1]);
        Set(at, p);
        m_edition = NextEdition();
        m_monoKnown = m_evenKnown = false;
        SummaryInvalidate(at);
    }
    Extend(p.x, p.y);
    return static_cast<int>(at);
}

int PointList::Change(int index, const GraphPoint& p)
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_size)
        return -1;
    if (m_shared)
        Detach();
    const GraphPoint old = (*this)[static_cast<std::size_t>(index)];
    Set(static_cast<std::size_t>(index), p);
    const bool onEdge =
        old.x == m_box.xMin || old.x == m_box.xMax || old.y == m_box.yMin || old.y == m_box.yMax;
    if (onEdge)
        RecomputeBounds();
    else
        Extend(p.x, p.y);
    m_edition = NextEdition();
    m_monoKnown = m_evenKnown = false;
    SummaryInvalidate(static_cast<std::size_t>(index));
    return index;
}

int PointList::Remove(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_size)
        return -1;
    if (m_shared)
        Detach();
    for (std::size_t i = static_cast<std::size_t>(index); i + 1 < m_size; ++i)
        Set(i, (*this)[i + 1]);
    --m_size;
    const std::size_t chunks = (m_size + kChunk - 1) / kChunk;
    if (m_own.size() > chunks)
        m_own.pop_back();
    if (m_y.size() > chunks)
        m_y.pop_back();
    RecomputeBounds();
    m_edition = NextEdition();
    m_monoKnown = m_evenKnown = false;
    SummaryInvalidate(static_cast<std::size_t>(index));
    return index;
}

PointList::Own* PointList::NewOwnChunk()
{
    if (m_spareOwn.empty())
        return static_cast<Own*>(AllocChunk(sizeof(Own)));
    Own* c = m_spareOwn.back().release();
    m_spareOwn.pop_back();
    return c;
}

std::byte* PointList::NewYChunk()
{
    auto& spares = m_single ? m_spareNarrow : m_spareWide;
    if (spares.empty())
        return static_cast<std::byte*>(AllocChunk(kChunk * (m_single ? sizeof(float) : sizeof(double))));
    std::byte* c = spares.back().release();
    spares.pop_back();
    return c;
}

void PointList::Clear()
{
    m_shared = nullptr;
    ClearShared();
    for (auto& c : m_own)
        m_spareOwn.push_back(std::move(c));
    m_own.clear();
}

void PointList::ClearShared()
{
    for (auto& c : m_y)
        (m_single ? m_spareNarrow : m_spareWide).push_back(std::move(c));
    m_y.clear();
    m_size = 0;
    m_edition = NextEdition();
    m_single = true;
    m_box = {};
    m_monoKnown = m_mono = true;
    m_evenKnown = m_even = true;
    m_levelsF.clear();
    m_levelsD.clear();
    m_summaryValid = 0;
}

void PointList::Share(const SharedColumns* columns)
{
    Clear();
    m_shared = columns;
    AppendShared(nullptr, columns->size());
}

void PointList::AppendShared(const double* y, std::size_t n)
{
    constexpr double kGap = std::numeric_limits<double>::quiet_NaN();
    auto value = [y](std::size_t r) { return y && std::isfinite(y[r]) ? y[r] : kGap; };
    const std::size_t first = m_size;
    // A few rows (a recording's tick) keep the summary up to date point by point; a block
    // extends it once its rows are in.
    constexpr std::size_t kIncremental = 64;
    if (n <= kIncremental) {
        const bool summary = m_summaryValid == m_size;
        for (std::size_t r = 0; r < n; ++r) {
            const double v = value(r);
            const bool single = m_single;
            PushY(v);
            if (summary && single == m_single)
                SummaryAppend(v);
            Extend(m_shared->X(first + r), v);
        }
        return;
    }
    // One pass copies the rows at the list's precision and takes their bounds (X from the
    // first and last row with a value where X never decreases); a value no float holds
    // widens the list, and the rows are copied again as doubles.
    bool fits = true;
    double yLo = std::numeric_limits<double>::infinity(), yHi = -yLo;
    std::size_t firstValue = n, lastValue = 0;
    auto copy = [&](auto tag, bool scan) {
        using T = decltype(tag);
        for (std::size_t r = 0; r < n;) {
            const std::size_t at = first + r;
            if ((at >> kChunkBits) == m_y.size())
                m_y.emplace_back(NewYChunk());
            const std::size_t count = std::min(n - r, kChunk - (at & (kChunk - 1)));
            T* dst = const_cast<T*>(Group<T>(at));
            for (std::size_t j = 0; j < count; ++j, ++r) {
                const double v = value(r);
                dst[j] = static_cast<T>(v);
                if (!scan || std::isnan(v))
                    continue;
                fits = fits && static_cast<double>(static_cast<float>(v)) == v;
                yLo = std::min(yLo, v);
                yHi = std::max(yHi, v);
                lastValue = r;
                firstValue = std::min(firstValue, r);
            }
        }
    };
    if (m_single)
        copy(float{}, true);
    else
        copy(double{}, true);
    m_size = first + n;
    if (m_single && !fits) {
        WidenY();
        copy(double{}, false);
    }
    const bool summary = m_summaryValid == first;  // a list just widened rebuilds its summary
    if (summary) {
        if (m_single)
            SummaryExtend<float>(first);
        else
            SummaryExtend<double>(first);
    }
    if (firstValue == n)
        return;
    const double xFirst = m_shared->X(first + firstValue), xLast = m_shared->X(first + lastValue);
    if (m_shared->MonotonicX() && !std::isnan(xFirst) && !std::isnan(xLast)) {
        Extend(xFirst, yLo);
        Extend(xLast, yHi);
        return;
    }
    for (std::size_t r = firstValue; r <= lastValue; ++r)
        if (const double v = value(r); !std::isnan(v))
            Extend(m_shared->X(first + r), v);
}

void PointList::Detach()
{
    const SharedColumns* columns = m_shared;
    if (!columns)
        return;
    m_shared = nullptr;
    m_own.clear();
    for (std::size_t i = 0; i < m_size; i += kChunk)
        m_own.emplace_back(NewOwnChunk());
    for (std::size_t i = 0; i < m_size; ++i) {
        Own& c = *m_own[i >> kChunkBits];
        const std::size_t k = i & (kChunk - 1);
        c.x[k] = columns->X(i);
        c.z[k] = Y(i);
        c.time[k] = columns->Time(i);
    }
    m_monoKnown = m_evenKnown = false;
}

bool PointList::MonotonicX() const
{
    if (m_shared)
        return m_shared->MonotonicX();
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
    if (m_shared)
        return m_shared->EvenX(x0, dx) && m_size >= 2;
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

template <class T> void PointList::BuildLevel(std::size_t level, std::size_t fromEntry) const
{
    // Summarise the level below (or the points) from the entry on.
    auto& levels = LevelsOf<T>();
    const std::size_t lowerCount = level == 0 ? m_size : levels[level - 1].count;
    if (level == levels.size()) {
        Level<T> lv;
        // Room for the points of a growing curve: the first sample after a rebuild would
        // otherwise move the whole level (megabytes on a long run).
        const std::size_t entries = (lowerCount + kFan - 1) / kFan;
        lv.pairs.reserve(2 * (entries + entries / 8 + kFan));
        levels.push_back(std::move(lv));
        fromEntry = 0;
    }
    Level<T>& lv = levels[level];
    lv.pairs.resize(2 * fromEntry);
    lv.count = fromEntry;
    for (std::size_t i = fromEntry * kFan; i < lowerCount; i += kFan) {
        double lo = kInf, hi = -kInf;
        const std::size_t end = std::min(lowerCount, i + kFan);
        if (level == 0) {
            // In the points' own precision; (v < lo ? v : lo) keeps lo for a NaN: a gap
            // widens nothing.
            const T* g = Group<T>(i);  // a group never crosses a chunk
            T l = std::numeric_limits<T>::infinity(), h = -l;
            for (std::size_t k = 0; k < end - i; ++k) {
                l = std::min(l, g[k]);
                h = std::max(h, g[k]);
            }
            lo = static_cast<double>(l);
            hi = static_cast<double>(h);
        } else {
            for (std::size_t k = i; k < end; ++k)
                Join(lo, hi, levels[level - 1].Lo(k), levels[level - 1].Hi(k));
        }
        lv.Push(lo, hi);
    }
}

template <class T> void PointList::SummaryExtend(std::size_t from) const
{
    // Only the entries over points from `from` on change; they are made while the points
    // are still in the cache.
    auto& levels = LevelsOf<T>();
    for (std::size_t level = 0, lower = m_size; lower > kFan; lower = levels[level++].count, from /= kFan)
        BuildLevel<T>(level, from / kFan);
    m_summaryValid = m_size;
}

void PointList::SummaryAppend(double y)
{
    if (m_single)
        SummaryAppendOf<float>(y);
    else
        SummaryAppendOf<double>(y);
}

template <class T> void PointList::SummaryAppendOf(double y)
{
    auto& levels = LevelsOf<T>();
    const std::size_t n = m_size;  // the new point is already stored at n - 1
    std::size_t idx = n - 1;
    double lo = std::isnan(y) ? kInf : y, hi = std::isnan(y) ? -kInf : y;
    for (std::size_t level = 0;; ++level) {
        const std::size_t entry = idx / kFan;
        if (level == levels.size()) {
            // A level is only kept once its lower one has two or more entries.
            if (entry != 0)
                BuildLevel<T>(level);
            break;
        }
        Level<T>& lv = levels[level];
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
    m_levelsF.clear();
    m_levelsD.clear();
    auto build = [this](auto& levels, auto tag) {
        using T = decltype(tag);
        for (std::size_t count = m_size; count > kFan; count = levels.back().count)
            BuildLevel<T>(levels.size());
    };
    if (m_single)
        build(m_levelsF, float{});
    else
        build(m_levelsD, double{});
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
    if (x && !m_shared)
        __builtin_prefetch(&m_own[i >> kChunkBits]->x[i & (kChunk - 1)]);
    __builtin_prefetch(YAddress(i));
    auto entries = [i](const auto& levels) {
        std::size_t e = i;
        for (const auto& lv : levels) {
            e /= kFan;
            if (e >= lv.count)
                break;
            __builtin_prefetch(&lv.pairs[2 * e]);
        }
    };
    if (m_single)
        entries(m_levelsF);
    else
        entries(m_levelsD);
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
    std::size_t bytes = (m_own.size() + m_spareOwn.size()) * sizeof(Own) +
                        m_y.size() * kChunk * (m_single ? sizeof(float) : sizeof(double)) +
                        m_spareNarrow.size() * kChunk * sizeof(float) +
                        m_spareWide.size() * kChunk * sizeof(double);
    for (const auto& lv : m_levelsF)
        bytes += lv.pairs.capacity() * sizeof(float);
    for (const auto& lv : m_levelsD)
        bytes += lv.pairs.capacity() * sizeof(double);
    return bytes;
}

}  // namespace qor::graph
