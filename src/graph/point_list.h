#pragma once

#include "graph/extremes.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace qor::graph {

// One point of a curve: X, Y, a third value and the sample's time (seconds since 1970).
struct GraphPoint {
    double x;
    double y;
    double z;
    std::int64_t time;
};
static_assert(sizeof(GraphPoint) == 32, "points are 32 bytes");

struct BoundingBox {
    bool valid = false;
    double xMin = 0.0, xMax = 0.0, yMin = 0.0, yMax = 0.0;
};

// X and time of the rows that several curves have in common (the samples of a recording):
// stored once, however many curves draw them. Rows are only appended or all cleared.
class SharedColumns {
public:
    static constexpr unsigned kChunkBits = 16;
    static constexpr std::size_t kChunk = std::size_t{1} << kChunkBits;

    std::size_t size() const { return m_size; }
    double X(std::size_t i) const { return m_x[i >> kChunkBits][i & (kChunk - 1)]; }
    std::int64_t Time(std::size_t i) const { return m_time[i >> kChunkBits][i & (kChunk - 1)]; }
    void Append(double x, std::int64_t time);
    void Clear();
    bool MonotonicX() const { return m_mono; }
    // As PointList::EvenX.
    bool EvenX(double& x0, double& dx) const
    {
        x0 = m_x0;
        dx = m_dx;
        return m_even && m_size >= 2;
    }
    std::size_t MemoryBytes() const { return m_x.size() * kChunk * (sizeof(double) + sizeof(std::int64_t)); }

private:
    std::vector<std::unique_ptr<double[]>> m_x;
    std::vector<std::unique_ptr<std::int64_t[]>> m_time;
    std::size_t m_size = 0;
    bool m_mono = true, m_even = true;
    double m_x0 = 0.0, m_dx = 0.0;
};

// The growable point array of a curve. Keeps its bounding box, optionally keeps the points
// sorted by X, and keeps a min/max summary of Y so that a drawing can ask for the extremes
// of any index range without visiting every point. Points live in fixed-size chunks: a week
// of samples grows without copying what is already stored or reserving twice its size.
// Each of X, Y, third value and time is a run of its own: a drawing reads X and Y only.
// Y is kept in single precision while every value is exactly a float (a measured value
// times its factor always is), so it costs half; the first value that is not widens it.
// A shared list takes X and time from SharedColumns and keeps only Y (its third value is
// Y); any edit but appending a row makes it copy them and go on alone.
class PointList {
public:
    explicit PointList(bool sorted = false) : m_sorted(sorted) {}

    static constexpr unsigned kChunkBits = SharedColumns::kChunkBits;
    static constexpr std::size_t kChunk = SharedColumns::kChunk;
    static constexpr std::size_t kFan = 8;  // points (or entries) per summary entry

    PointList(const PointList&) = delete;
    PointList& operator=(const PointList&) = delete;
    PointList(PointList&&) = default;
    PointList& operator=(PointList&&) = default;

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    GraphPoint operator[](std::size_t i) const
    {
        const double y = Y(i);
        if (m_shared)
            return {m_shared->X(i), y, y, m_shared->Time(i)};
        const Own& c = *m_own[i >> kChunkBits];
        const std::size_t k = i & (kChunk - 1);
        return {c.x[k], y, c.z[k], c.time[k]};
    }
    double X(std::size_t i) const
    {
        return m_shared ? m_shared->X(i) : m_own[i >> kChunkBits]->x[i & (kChunk - 1)];
    }
    double Y(std::size_t i) const
    {
        const std::size_t k = i & (kChunk - 1);
        const std::byte* c = m_y[i >> kChunkBits].get();
        return m_single ? static_cast<double>(reinterpret_cast<const float*>(c)[k])
                        : reinterpret_cast<const double*>(c)[k];
    }

    // pos -1: append, or on a sorted list insert before the first point with a larger X.
    // pos >= size appends. Returns the index of the new point, -1 for a bad position.
    int Insert(const GraphPoint& p, int pos = -1);
    // Returns the index, or -1 when it is out of range.
    int Change(int index, const GraphPoint& p);
    int Remove(int index);
    // Leaves the list empty and on its own. Like a vector it keeps its memory, for the
    // points that fill it again (a window rebuilt from its data); MemoryBytes counts it.
    void Clear();

    // On an empty list: X and time come from `columns` from now on, one point per row; the
    // rows it has already are gaps (NaN) of this list.
    void Share(const SharedColumns* columns);
    bool Shared() const { return m_shared != nullptr; }
    // The Y of the next n rows of the shared columns (which already hold them); null: gaps.
    // A value that is not finite is a gap (NaN).
    void AppendShared(const double* y, std::size_t n);
    void AppendShared(double y) { AppendShared(&y, 1); }
    // Clears the Y values; the list stays shared (its columns are being cleared too).
    void ClearShared();
    // X and time copied into columns of its own; the list goes on alone.
    void Detach();

    const BoundingBox& Bounds() const { return m_box; }
    // Changes whenever a point the list held changes or goes (anything but appending), and
    // no two lists start with the same value: a picture of the first Size() points of an
    // edition may keep them and draw only what was appended since.
    std::uint64_t Edition() const { return m_edition; }

    // True when X never decreases from one point to the next (drawings may then bisect).
    bool MonotonicX() const;
    // True when X(i) is exactly x0 + i * dx (dx > 0) for every point: the sample numbers or
    // times of a recording. A drawing then finds columns without reading X.
    bool EvenX(double& x0, double& dx) const;
    // First index in [from, to) whose X is not below x (needs MonotonicX()); `hint` is a guess.
    std::size_t LowerBoundX(double x, std::size_t from, std::size_t to, std::size_t hint) const;
    // Minimum and maximum of Y over [from, to), ignoring NaN; false when the range has none.
    bool MinMaxY(std::size_t from, std::size_t to, double& yMin, double& yMax) const
    {
        return m_single ? MinMaxYOf<float>(from, to, yMin, yMax) : MinMaxYOf<double>(from, to, yMin, yMax);
    }
    // Whether Y is held as float (else as double); the typed accessors below take that type.
    bool SinglePrecision() const { return m_single; }
    // For a drawing that takes ranges apart itself (after Prepare): the kFan Y values from
    // index i (a multiple of kFan) on, which never cross a chunk, and the extremes of the
    // summary entries [a, b) of the first level (points [a * kFan, b * kFan)) into `ex`.
    template <class T> const T* Group(std::size_t i) const
    {
        return reinterpret_cast<const T*>(m_y[i >> kChunkBits].get()) + (i & (kChunk - 1));
    }
    template <class T> void TakeEntries(std::size_t a, std::size_t b, Extremes& ex) const;
    // The first summary level as (minimum, negated maximum) pairs, entry e at 2 * e (after
    // Prepare; null while there is none).
    template <class T> const T* Entries() const
    {
        const auto& levels = LevelsOf<T>();
        return levels.empty() ? nullptr : levels[0].pairs.data();
    }
    // Asks the cache for what MinMaxY reads next to index i (a range end), ahead of the call:
    // a drawing walks the ends in order, and waiting for memory is most of its time.
    // Without `x`, X is left out (a drawing that does not read it).
    void PrefetchEdge(std::size_t i, bool x = true) const;
    // Just the lines of Y(i - 1) and Y(i), the points on both sides of the range end i
    // (one line unless i starts a group), and the first summary level before it.
    // Always inlined: GCC takes a function made of prefetches alone for one without effect
    // and drops the calls.
    [[gnu::always_inline]] void PrefetchY(std::size_t i) const
    {
        if (i < 1 || i >= m_size)
            return;
        __builtin_prefetch(YAddress(i - 1));
        if (i % kFan == 0)
            __builtin_prefetch(YAddress(i));
        // The entries up to i: the line at i and the one before it, as a column of up to
        // eight entries spans three lines, the first of them asked for at the column before.
        const std::size_t e = i / kFan;
        const char* entries = m_single ? EntryAddress<float>(e) : EntryAddress<double>(e);
        if (entries) {
            __builtin_prefetch(entries);
            if (e >= 4)
                __builtin_prefetch(entries - 4 * 2 * (m_single ? sizeof(float) : sizeof(double)));
        }
    }

    // Works out everything the const queries would otherwise work out on first use, so that
    // several threads may then draw the list at once.
    void Prepare() const;

    std::size_t MemoryBytes() const;

private:
    // X, third value and time of a list on its own.
    struct Own {
        double x[kChunk];
        double z[kChunk];
        std::int64_t time[kChunk];
    };
    struct ChunkFree {
        void operator()(void* p) const;
    };

    const char* YAddress(std::size_t i) const
    {
        return reinterpret_cast<const char*>(m_y[i >> kChunkBits].get()) +
               (i & (kChunk - 1)) * (m_single ? sizeof(float) : sizeof(double));
    }
    template <class T> const char* EntryAddress(std::size_t e) const
    {
        const auto& levels = LevelsOf<T>();
        return !levels.empty() && e < levels[0].count ? reinterpret_cast<const char*>(&levels[0].pairs[2 * e])
                                                      : nullptr;
    }
    template <class T> bool MinMaxYOf(std::size_t from, std::size_t to, double& yMin, double& yMax) const;

    void Extend(double x, double y);
    void RecomputeBounds();
    void SummaryAppend(double y);
    void SummaryInvalidate(std::size_t fromIndex);
    void SummaryRebuild() const;
    // Level `level` made anew from its entry `fromEntry` on (a new level: from the start).
    template <class T> void BuildLevel(std::size_t level, std::size_t fromEntry = 0) const;
    template <class T> void SummaryExtend(std::size_t from) const;
    template <class T> void SummaryAppendOf(double y);

    void SetY(std::size_t i, double y);
    void Set(std::size_t i, const GraphPoint& p);
    void PushBack(const GraphPoint& p);
    void PushY(double y);
    void WidenY();

    std::vector<std::unique_ptr<Own, ChunkFree>> m_own;
    std::vector<std::unique_ptr<std::byte, ChunkFree>> m_y;
    // Chunks of the list before it was cleared: Y of floats (narrow) and of doubles (wide).
    std::vector<std::unique_ptr<Own, ChunkFree>> m_spareOwn;
    std::vector<std::unique_ptr<std::byte, ChunkFree>> m_spareNarrow, m_spareWide;
    Own* NewOwnChunk();
    std::byte* NewYChunk();
    const SharedColumns* m_shared = nullptr;
    std::size_t m_size = 0;
    std::uint64_t m_edition = NextEdition();
    static std::uint64_t NextEdition();
    bool m_single = true;
    bool m_sorted;
    BoundingBox m_box;

    mutable bool m_monoKnown = true;
    mutable bool m_mono = true;
    // Whether the points so far sit on one even step (see EvenX); checked as they come.
    bool StepFits(std::size_t i, double x) const;
    mutable bool m_evenKnown = true;
    mutable bool m_even = true;
    mutable double m_x0 = 0.0, m_dx = 0.0;

    // levels[0] summarises kFan points per entry, levels[k] kFan entries of level k-1.
    // Entries as (minimum, negated maximum) pairs side by side, in the precision of Y: a
    // window of them is one run of memory, and one vector minimum takes both halves.
    template <class T> struct Level {
        std::vector<T> pairs;
        std::size_t count = 0;
        void Push(double l, double h)
        {
            pairs.push_back(static_cast<T>(l));
            pairs.push_back(static_cast<T>(-h));
            ++count;
        }
        void Set(std::size_t i, double l, double h)
        {
            pairs[2 * i] = static_cast<T>(l);
            pairs[2 * i + 1] = static_cast<T>(-h);
        }
        double Lo(std::size_t i) const { return pairs[2 * i]; }
        double Hi(std::size_t i) const { return -static_cast<double>(pairs[2 * i + 1]); }
    };
    template <class T> std::vector<Level<T>>& LevelsOf() const
    {
        if constexpr (sizeof(T) == sizeof(float))
            return m_levelsF;
        else
            return m_levelsD;
    }
    mutable std::vector<Level<float>> m_levelsF;
    mutable std::vector<Level<double>> m_levelsD;
    mutable std::size_t m_summaryValid = 0;  // points covered by a correct summary
};

template <class T>
[[gnu::always_inline]] inline bool PointList::MinMaxYOf(std::size_t from, std::size_t to, double& yMin,
                                                        double& yMax) const
{
    to = std::min(to, m_size);
    if (from >= to) {
        yMin = std::numeric_limits<double>::infinity();
        yMax = -std::numeric_limits<double>::infinity();
        return false;
    }
    if (m_summaryValid != m_size)
        SummaryRebuild();
    Extremes ex;
    auto points = [&](std::size_t i, std::size_t n) {
        const std::size_t k = i & (kChunk - 1);
        if (k + n <= kChunk) {
            const T* y = Group<T>(i);
            ex.Take(y, y, n);
        } else {
            for (std::size_t j = i; j < i + n; ++j) {  // a window over a chunk edge
                const double v = Y(j);
                ex.Take(&v, &v, 1);
            }
        }
    };
    std::size_t a = from, b = to;
    if (b - a < 2 * kFan) {
        TakeShort(a, b, points);
    } else {
        // The points at both ends up to the first whole entry (each end within the one
        // cache line of Y it lies on), then whole entries of the levels, climbing while a
        // range long enough for two windows remains. The top level has at most kFan entries.
        static_assert(kFan == 8, "groups of eight lanes");
        const double fill = Y(a);  // lies in the range, so it may stand in for other lanes
        const std::size_t a0 = a / kFan * kFan, b0 = b / kFan * kFan;
        // The head group whole when the range starts on it: it is also summarised, so
        // taking it twice is harmless and spares a branch.
        ex.TakeLanes(Group<T>(a0), a - a0, kFan, fill);
        if (b0 < b)
            ex.TakeLanes(Group<T>(b0), 0, b - b0, fill);
        TakeEntries<T>(a0 / kFan + (a0 < a ? 1 : 0), b0 / kFan, ex);
    }
    double lo, hi;
    ex.Result(lo, hi);
    yMin = lo;
    yMax = hi;
    return lo <= hi;
}

template <class T>
[[gnu::always_inline]] inline void PointList::TakeEntries(std::size_t a, std::size_t b, Extremes& ex) const
{
    const auto& levels = LevelsOf<T>();
    // Climbing while a range long enough for two windows remains; the top level has at most
    // kFan entries.
    for (std::size_t level = 0; a < b; ++level) {
        const Level<T>& lv = levels[level];
        auto entries = [&](std::size_t i, std::size_t n) { ex.TakePairs(&lv.pairs[2 * i], n); };
        if (b - a < 2 * kFan) {
            TakeShort(a, b, entries);
            break;
        }
        if (level + 1 == levels.size()) {  // not reached: the top level is short
            for (; a + kFan <= b; a += kFan)
                entries(a, kFan);
            for (; a < b; ++a)
                entries(a, 1);
            break;
        }
        entries(a, kFan);
        entries(b - kFan, kFan);
        a = (a + kFan - 1) / kFan;
        b /= kFan;
    }
}

}  // namespace qor::graph
