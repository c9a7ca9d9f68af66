#include "graph/graph_model.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace qor::graph {

GraphModel::GraphModel(int capacity) : m_slots(static_cast<std::size_t>(std::max(capacity, 0))) {}

int GraphModel::AddGraph(Rgb colour, const std::string& name, unsigned options)
{
    for (std::size_t i = 0; i < m_slots.size(); ++i) {
        if (m_slots[i])
            continue;
        m_slots[i] = std::make_unique<CGraphProps>(colour, name, options);
        if (options & kGraphShared)
            m_slots[i]->m_points.Share(&m_rows);
        ++m_count;
        Notify({kNotifyCurveAdded, static_cast<int>(i), -1, true});
        return static_cast<int>(i);
    }
    return -1;
}

CGraphProps* GraphModel::GetGraph(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_slots.size())
        return nullptr;
    return m_slots[static_cast<std::size_t>(index)].get();
}

int GraphModel::RemoveGraph(int index, bool redraw)
{
    if (!GetGraph(index))
        return -1;
    m_slots[static_cast<std::size_t>(index)].reset();
    --m_count;
    // Rows nobody shares any more would only be gaps of the next shared curve.
    if (std::none_of(m_slots.begin(), m_slots.end(), [](const auto& s) { return s && s->m_points.Shared(); }))
        m_rows.Clear();
    Notify({kNotifyCurveRemoved, index, -1, redraw});
    return index;
}

CGraphProps* GraphModel::GetFirstGraph(int& pos) const
{
    pos = -1;
    return GetNextGraph(pos);
}

CGraphProps* GraphModel::GetNextGraph(int& pos) const
{
    for (int i = pos < 0 ? 0 : pos + 1; i < Capacity(); ++i) {
        if (m_slots[static_cast<std::size_t>(i)]) {
            pos = i;
            return m_slots[static_cast<std::size_t>(i)].get();
        }
    }
    pos = -1;
    return nullptr;
}

int GraphModel::AddPoint(int curve, std::int64_t time, double x, double y, double z, bool redraw,
                         int insertPos)
{
    CGraphProps* g = GetGraph(curve);
    if (!g)
        return -1;
    const int index = g->m_points.Insert(GraphPoint{x, y, z, time}, insertPos);
    if (index >= 0)
        Notify({kNotifyPointAdded, curve, index, redraw});
    return index;
}

int GraphModel::ChangePoint(int curve, int index, double x, double y, bool redraw)
{
    CGraphProps* g = GetGraph(curve);
    if (!g || index < 0 || static_cast<std::size_t>(index) >= g->m_points.size())
        return -1;
    GraphPoint p = g->m_points[static_cast<std::size_t>(index)];
    p.x = x;
    p.y = y;
    g->m_points.Change(index, p);
    Notify({kNotifyPointChanged, curve, index, redraw});
    return index;
}

int GraphModel::RemovePoint(int curve, int index, bool redraw)
{
    CGraphProps* g = GetGraph(curve);
    if (!g || g->m_points.Remove(index) < 0)
        return -1;
    Notify({kNotifyPointRemoved, curve, index, redraw});
    return index;
}

void GraphModel::ClearPoints(int curve, bool redraw)
{
    // All of them: the shared curves stay shared, over rows cleared as well. One alone
    // leaves the rows it shared.
    if (curve == -1)
        m_rows.Clear();
    for (int i = 0; i < Capacity(); ++i) {
        if ((curve == -1 || curve == i) && m_slots[static_cast<std::size_t>(i)]) {
            PointList& points = m_slots[static_cast<std::size_t>(i)]->m_points;
            if (curve == -1 && points.Shared())
                points.ClearShared();
            else
                points.Clear();
            Notify({kNotifyPointRemoved, i, -1, redraw});
        }
    }
}

void GraphModel::AddRows(std::size_t n, const double* x, const std::int64_t* time,
                         const std::vector<int>& curves, const std::vector<const double*>& ys, bool redraw)
{
    if (n == 0)
        return;
    const std::size_t first = m_rows.size();
    // Rows nobody shares would only be gaps in front of the next shared curve, whose own X
    // starts anew (a graph rebuilt after samples arrived while it showed no curve).
    if (std::any_of(m_slots.begin(), m_slots.end(), [](const auto& s) { return s && s->m_points.Shared(); }))
        for (std::size_t r = 0; r < n; ++r)
            m_rows.Append(x[r], time[r]);
    std::vector<const double*> values(m_slots.size(), nullptr);
    for (std::size_t k = 0; k < curves.size() && k < ys.size(); ++k)
        if (curves[k] >= 0 && static_cast<std::size_t>(curves[k]) < m_slots.size())
            values[static_cast<std::size_t>(curves[k])] = ys[k];
    constexpr double kGap = std::numeric_limits<double>::quiet_NaN();
    auto value = [](const double* y, std::size_t r) { return y && std::isfinite(y[r]) ? y[r] : kGap; };
    for (std::size_t i = 0; i < m_slots.size(); ++i) {
        if (!m_slots[i])
            continue;
        PointList& points = m_slots[i]->m_points;
        const double* y = values[i];
        if (points.Shared()) {
            points.AppendShared(y, n);
        } else if (y) {
            for (std::size_t r = 0; r < n; ++r)
                points.Insert(GraphPoint{x[r], value(y, r), value(y, r), time[r]});
        }
    }
    Notify({kNotifyPointAdded, -1, static_cast<int>(first), redraw});
}

void GraphModel::NotifyRange(bool redraw)
{
    Notify({kNotifyRangeChanged, -1, -1, redraw});
}

void GraphModel::SetStyle(unsigned style, bool redraw)
{
    m_style = style;
    NotifyRange(redraw);
}

void GraphModel::SetRange(double xFrom, double xTo, double yFrom, double yTo, bool redraw)
{
    // A non-finite limit would poison every mapping afterwards; keep the last good one.
    if (std::isfinite(xFrom) && std::isfinite(xTo))
        m_range.xFrom = xFrom, m_range.xTo = xTo;
    if (std::isfinite(yFrom) && std::isfinite(yTo))
        m_range.yFrom = yFrom, m_range.yTo = yTo;
    NotifyRange(redraw);
}

void GraphModel::GetRange(double& xFrom, double& xTo, double& yFrom, double& yTo) const
{
    xFrom = m_range.xFrom;
    xTo = m_range.xTo;
    yFrom = m_range.yFrom;
    yTo = m_range.yTo;
}

bool GraphModel::GetDataRange(double& xFrom, double& xTo, double& yFrom, double& yTo) const
{
    BoundingBox all;
    for (const auto& s : m_slots) {
        if (!s)
            continue;
        const BoundingBox& b = s->m_points.Bounds();
        if (!b.valid)
            continue;
        if (!all.valid) {
            all = b;
            continue;
        }
        all.xMin = std::min(all.xMin, b.xMin);
        all.xMax = std::max(all.xMax, b.xMax);
        all.yMin = std::min(all.yMin, b.yMin);
        all.yMax = std::max(all.yMax, b.yMax);
    }
    if (!all.valid)
        return false;
    xFrom = all.xMin;
    xTo = all.xMax;
    yFrom = all.yMin;
    yTo = all.yMax;
    return true;
}

void GraphModel::SetAxisTitle(const std::string& name, const std::string& unit, int decimals, int axis,
                              bool redraw)
{
    (axis == kAxisY ? m_yAxis : m_xAxis).Set(name, unit, decimals);
    Notify({kNotifyAxisChanged, axis == kAxisY ? kAxisY : kAxisX, -1, redraw});
}

void GraphModel::Fit(bool redraw)
{
    double x0, x1, y0, y1;
    if (!GetDataRange(x0, x1, y0, y1))
        return;
    if (x0 == x1)
        x0 -= 1.0, x1 += 1.0;
    if (y0 == y1)
        y0 -= 1.0, y1 += 1.0;
    SetRange(x0, x1, y0, y1, redraw);
}

void GraphModel::ZoomIn(bool redraw)
{
    const GraphRange r = m_range;
    const double w = (r.xTo - r.xFrom) / 4.0, h = (r.yTo - r.yFrom) / 4.0;
    SetRange(r.xFrom + w, r.xTo - w, r.yFrom + h, r.yTo - h, redraw);
}

void GraphModel::ZoomOut(bool redraw)
{
    const GraphRange r = m_range;
    const double w = (r.xTo - r.xFrom) / 4.0, h = (r.yTo - r.yFrom) / 4.0;
    SetRange(r.xFrom - w, r.xTo + w, r.yFrom - h, r.yTo + h, redraw);
}

void GraphModel::Scroll(ScrollDirection direction, bool redraw)
{
    GraphRange r = m_range;
    const double dx = (r.xTo - r.xFrom) * 0.125, dy = (r.yTo - r.yFrom) * 0.125;
    switch (direction) {
    case ScrollDirection::Left:
        r.xFrom -= dx, r.xTo -= dx;
        break;
    case ScrollDirection::Right:
        r.xFrom += dx, r.xTo += dx;
        break;
    case ScrollDirection::Up:
        r.yFrom += dy, r.yTo += dy;
        break;
    case ScrollDirection::Down:
        r.yFrom -= dy, r.yTo -= dy;
        break;
    }
    SetRange(r.xFrom, r.xTo, r.yFrom, r.yTo, redraw);
}

void GraphModel::AddText(const GraphText& t)
{
    m_texts.push_back(t);
    NotifyRange(true);
}

bool GraphModel::ChangeText(int index, const GraphText& t)
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_texts.size())
        return false;
    m_texts[static_cast<std::size_t>(index)] = t;
    NotifyRange(true);
    return true;
}

void GraphModel::RemoveAllTexts()
{
    m_texts.clear();
    NotifyRange(true);
}

int GraphModel::FindText(double x, double y, double dx, double dy) const
{
    int best = -1;
    double bestD = HUGE_VAL;
    for (std::size_t i = 0; i < m_texts.size(); ++i) {
        const double ex = std::fabs(m_texts[i].x - x), ey = std::fabs(m_texts[i].y - y);
        if (ex > std::fabs(dx) || ey > std::fabs(dy))
            continue;
        const double d = (dx != 0 ? ex / std::fabs(dx) : 0) + (dy != 0 ? ey / std::fabs(dy) : 0);
        if (d < bestD) {
            bestD = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

}  // namespace qor::graph
