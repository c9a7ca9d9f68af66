#include "graph/legend_corner.h"

#include <algorithm>
#include <cmath>

namespace qor::graph {

namespace {

bool Overlap(double a0, double a1, double b0, double b1)
{
    return std::max(a0, b0) <= std::min(a1, b1);
}

}  // namespace

bool CoversData(const GraphModel& model, const GraphRange& section, Corner corner, double width,
                double height)
{
    const bool right = corner == Corner::TopRight || corner == Corner::BottomRight;
    const bool top = corner == Corner::TopRight || corner == Corner::TopLeft;
    // The box in graph coordinates; a section may run either way.
    const double xs = section.xTo - section.xFrom, ys = section.yTo - section.yFrom;
    const double bx0 = right ? section.xTo - width * xs : section.xFrom;
    const double bx1 = right ? section.xTo : section.xFrom + width * xs;
    const double by0 = top ? section.yTo - height * ys : section.yFrom;
    const double by1 = top ? section.yTo : section.yFrom + height * ys;
    const double x0 = std::min(bx0, bx1), x1 = std::max(bx0, bx1);
    const double y0 = std::min(by0, by1), y1 = std::max(by0, by1);
    int pos;
    for (const CGraphProps* g = model.GetFirstGraph(pos); g; g = model.GetNextGraph(pos)) {
        const PointList& pts = g->m_points;
        if (!g->m_visible || pts.empty())
            continue;
        if (!pts.MonotonicX()) {
            const BoundingBox& b = pts.Bounds();
            if (b.valid && Overlap(b.xMin, b.xMax, x0, x1) && Overlap(b.yMin, b.yMax, y0, y1))
                return true;
            continue;
        }
        // The points inside the box's X span and one on either side: the lines to them cross
        // the span too.
        const std::size_t n = pts.size();
        std::size_t from = pts.LowerBoundX(x0, 0, n, 0);
        std::size_t to = pts.LowerBoundX(std::nextafter(x1, HUGE_VAL), from, n, from);
        if (from > 0)
            --from;
        if (to < n)
            ++to;
        double lo = 0, hi = 0;
        if (from < to && pts.MinMaxY(from, to, lo, hi) && Overlap(lo, hi, y0, y1))
            return true;
    }
    return false;
}

bool FreeCorner(const GraphModel& model, const GraphRange& section, double width, double height,
                Corner preferred, Corner& corner)
{
    const Corner order[] = {preferred, Corner::TopRight, Corner::TopLeft, Corner::BottomRight,
                            Corner::BottomLeft};
    for (Corner c : order)
        if (!CoversData(model, section, c, width, height)) {
            corner = c;
            return true;
        }
    return false;
}

}  // namespace qor::graph
