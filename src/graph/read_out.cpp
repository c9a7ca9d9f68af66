#include "graph/read_out.h"

#include "common/text.h"
#include "graph/ruler_labels.h"

#include <cmath>
#include <cstdlib>

namespace qor::graph {

int ReadOut::CurveAtColour(const GraphModel& model, Rgb pixel, unsigned frameFlags)
{
    int pos;
    for (CGraphProps* g = model.GetFirstGraph(pos); g; g = model.GetNextGraph(pos)) {
        if (!g->m_visible)
            continue;
        if (frameFlags & kFrameLogY)
            return pos;
        if (std::abs(Red(g->m_colour) - Red(pixel)) <= 4 &&
            std::abs(Green(g->m_colour) - Green(pixel)) <= 4 &&
            std::abs(Blue(g->m_colour) - Blue(pixel)) <= 4)
            return pos;
    }
    return -1;
}

std::string ReadOut::Text(const GraphModel& model, int curve, double x, double y, unsigned frameFlags)
{
    const GraphAxis& ax = model.GetAxis(kAxisX);
    const GraphAxis& ay = model.GetAxis(kAxisY);
    const bool numericX = (frameFlags & kFrameNumericX) != 0;
    const double shownY = (numericX && (frameFlags & kFrameLogY)) ? std::pow(10.0, y) : y;
    const std::string ys = ay.FormatWithUnit(shownY);
    if (numericX)
        return Format("x=%s, y=%s",
                      ax.FormatWithUnit((frameFlags & kFrameLogX) ? std::pow(10.0, x) : x).c_str(),
                      ys.c_str());

    const CGraphProps* g = model.GetGraph(curve);
    const double index = std::round(x);
    if (g && index >= 0.0 && index < static_cast<double>(g->m_points.size())) {
        const GraphPoint p = g->m_points[static_cast<std::size_t>(index)];
        const std::int64_t t = p.time;
        // Where the curve has no value, the pointer's height is no reading either.
        const std::string py = std::isnan(p.y) ? std::string(GraphAxis::kNoValue) : ys;
        if (frameFlags & kFrameAbsoluteTime) {
            const LocalTime lt = ToLocalTime(t);
            return Format("x=%02u.%02u. %02u:%02u:%02u, y=%s", static_cast<unsigned>(lt.day),
                          static_cast<unsigned>(lt.month), static_cast<unsigned>(lt.hour),
                          static_cast<unsigned>(lt.minute), static_cast<unsigned>(lt.second), py.c_str());
        }
        std::int64_t d = ElapsedSeconds(g->m_points[0].time, t);
        if (d < 0)
            d = 0;
        return Format("x=%u:%u:%u, y=%s", static_cast<unsigned>(d / 3600),
                      static_cast<unsigned>((d / 60) % 60), static_cast<unsigned>(d % 60), py.c_str());
    }
    // No curve under the mouse (or outside it): the plain position.
    return Format("x=%s, y=%s", ax.FormatNumber(x).c_str(), ys.c_str());
}

std::string ReadOut::PointTime(std::int64_t first, std::int64_t t, bool absolute)
{
    if (absolute) {
        const LocalTime lt = ToLocalTime(t);
        return Format("%02u.%02u. %02u:%02u:%02u", static_cast<unsigned>(lt.day),
                      static_cast<unsigned>(lt.month), static_cast<unsigned>(lt.hour),
                      static_cast<unsigned>(lt.minute), static_cast<unsigned>(lt.second));
    }
    const long long d = ElapsedSeconds(first, t);
    return Format("(%lld:%02lld:%02lld)", d / 3600, (d / 60) % 60, d % 60);
}

}  // namespace qor::graph
