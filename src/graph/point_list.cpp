#include "graph/point_list.h"

#include <algorithm>
#include <cmath>
#include <limits>

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
    for (const auto& p : m_points)
        Extend(p);
}

int PointList::Insert(const GraphPoint& p, int pos)
{
    if (pos < -1)
        return -1;
    const std::size_t n = m_points.size();
    std::size_t at = n;
    if (pos == -1) {
        if (m_sorted && n > 0 && m_points.back().x > p.x)
            at = static_cast<std::size_t>(
                std::upper_bound(m_points.begin(), m_points.end(), p.x,
                                 [](double x, const GraphPoint& q) { return x < q.x; }) -
                m_points.begin());
    } else if (static_cast<std::size_t>(pos) < n) {
        at = static_cast<std::size_t>(pos);
    }

    if (at == n) {
        if (m_monoKnown && n > 0 && !(p.x >= m_points.back().x))
            m_mono = false;
        m_points.push_back(p);
        if (m_summaryValid == n)
            SummaryAppend(p.y);
    } else {
        m_points.insert(m_points.begin() + static_cast<std::ptrdiff_t>(at), p);
        m_monoKnown = false;
        SummaryInvalidate(at);
    }
    Extend(p);
    return static_cast<int>(at);
}

int PointList::Change(int index, const GraphPoint& p)
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_points.size())
        return -1;
    const GraphPoint old = m_points[static_cast<std::size_t>(index)];
    m_points[static_cast<std::size_t>(index)] = p;
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
    if (index < 0 || static_cast<std::size_t>(index) >= m_points.size())
        return -1;
    m_points.erase(m_points.begin() + index);
    RecomputeBounds();
    m_monoKnown = false;
    SummaryInvalidate(static_cast<std::size_t>(index));
    return index;
}

void PointList::Clear()
{
    m_points.clear();
    m_points.shrink_to_fit();
    m_box = {};
    m_monoKnown = m_mono = true;
    m_levels.clear();
    m_summaryValid = 0;
}

bool PointList::MonotonicX() const
{
    if (!m_monoKnown) {
        m_mono = true;
        for (std::size_t i = 1; i < m_points.size() && m_mono; ++i)
            m_mono = m_points[i].x >= m_points[i - 1].x;
        m_monoKnown = true;
    }
    return m_mono;
}

std::size_t PointList::LowerBoundX(double x, std::size_t from, std::size_t to, std::size_t hint) const
{
    if (from >= to)
        return from;
    const GraphPoint* p = m_points.data();
    // Gallop outward from the hint, then bisect the bracket; evenly spaced samples hit at once.
    std::size_t h = std::clamp(hint, from, to - 1);
    std::size_t lo, hi;  // invariant: p[lo-1].x < x (or lo == from), p[hi].x >= x (or hi == to)
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
    const GraphPoint* it = std::lower_bound(p + lo, p + hi, x, [](const GraphPoint& q, double v) { return q.x < v; });
    return static_cast<std::size_t>(it - p);
}

void PointList::SummaryAppend(double y)
{
    const std::size_t n = m_points.size();  // the new point is already stored at n - 1
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
                    const double v = m_points[i].y;
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
    const std::size_t n = m_points.size();
    std::size_t count = n;
    for (std::size_t level = 0; count > kFan; ++level) {
        std::vector<Extent> lv((count + kFan - 1) / kFan, Extent{kInf, -kInf});
        for (std::size_t i = 0; i < count; ++i) {
            double a, b;
            if (level == 0) {
                a = b = m_points[i].y;
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
    to = std::min(to, m_points.size());
    double lo = kInf, hi = -kInf;
    if (from < to) {
        if (m_summaryValid != m_points.size())
            SummaryRebuild();
        // Level -1 is the points themselves; climb while whole entries remain in the middle.
        std::size_t a = from, b = to;
        for (int level = -1; a < b; ++level) {
            const bool last = level + 1 >= static_cast<int>(m_levels.size());
            auto take = [&](std::size_t i) {
                if (level < 0) {
                    Widen(lo, hi, m_points[i].y);
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

std::size_t PointList::MemoryBytes() const
{
    std::size_t bytes = m_points.capacity() * sizeof(GraphPoint);
    for (const auto& lv : m_levels)
        bytes += lv.capacity() * sizeof(Extent);
    return bytes;
}

}  // namespace qor::graph
