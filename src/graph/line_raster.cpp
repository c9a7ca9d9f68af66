#include "graph/line_raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace qor::graph {

namespace {
// Liang-Barsky clip of a segment against [xmin, xmax] x [ymin, ymax].
bool Clip(double& x0, double& y0, double& x1, double& y1, double xmin, double ymin, double xmax, double ymax)
{
    double t0 = 0.0, t1 = 1.0;
    const double dx = x1 - x0, dy = y1 - y0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - xmin, xmax - x0, y0 - ymin, ymax - y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0) {
            if (t > t1)
                return false;
            t0 = std::max(t0, t);
        } else {
            if (t < t0)
                return false;
            t1 = std::min(t1, t);
        }
    }
    const double nx0 = x0 + t0 * dx, ny0 = y0 + t0 * dy;
    x1 = x0 + t1 * dx;
    y1 = y0 + t1 * dy;
    x0 = nx0;
    y0 = ny0;
    return true;
}
}  // namespace

void LineRaster::Line(double x0, double y0, double x1, double y1, std::uint32_t argb)
{
    if (m_width <= 0 || m_height <= 0)
        return;
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1))
        return;
    const double xmax = m_width - 0.001, ymax = m_height - 0.001;
    const bool inside = x0 >= 0.0 && x1 >= 0.0 && y0 >= 0.0 && y1 >= 0.0 && x0 <= xmax && x1 <= xmax &&
                        y0 <= ymax && y1 <= ymax;
    if (!inside && !Clip(x0, y0, x1, y1, 0.0, 0.0, xmax, ymax))
        return;
    int ix0 = static_cast<int>(x0), iy0 = static_cast<int>(y0);
    const int ix1 = static_cast<int>(x1), iy1 = static_cast<int>(y1);
    ix0 = std::clamp(ix0, 0, m_width - 1);
    iy0 = std::clamp(iy0, 0, m_height - 1);
    if (ix0 == ix1) {
        if (ix0 < m_clipLeft || ix0 >= m_clipRight)
            return;
        const int a = std::min(iy0, iy1), b = std::max(iy0, iy1);
        std::uint32_t* p = m_bits + static_cast<std::size_t>(a) * m_stride + static_cast<std::size_t>(ix0);
        for (int y = a; y <= b; ++y, p += m_stride)
            *p = argb;
        return;
    }
    if (iy0 == iy1) {
        const int a = std::max(std::min(ix0, ix1), m_clipLeft),
                  b = std::min(std::max(ix0, ix1), m_clipRight - 1);
        if (a > b)
            return;
        std::fill(m_bits + static_cast<std::size_t>(iy0) * m_stride + static_cast<std::size_t>(a),
                  m_bits + static_cast<std::size_t>(iy0) * m_stride + static_cast<std::size_t>(b) + 1, argb);
        return;
    }
    const int dx = std::abs(ix1 - ix0), sx = ix0 < ix1 ? 1 : -1;
    const int dy = -std::abs(iy1 - iy0), sy = iy0 < iy1 ? 1 : -1;
    int err = dx + dy;
    int x = ix0, y = iy0;
    for (;;) {
        if (x >= m_clipLeft && x < m_clipRight)
            Plot(x, y, argb);
        if (x == ix1 && y == iy1)
            break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void LineRaster::Span(int x, double y0, double y1, std::uint32_t argb)
{
    // The pixels a chain of segments inside one column lights: the rows from the lowest to
    // the highest vertex, cut to the buffer as Line cuts them.
    if (x < m_clipLeft || x >= m_clipRight || y1 < 0.0 || y0 > m_height - 0.001)
        return;
    const int a = y0 < 0.0 ? 0 : static_cast<int>(y0);
    const int b = y1 > m_height - 0.001 ? m_height - 1 : static_cast<int>(y1);
    std::uint32_t* p = m_bits + static_cast<std::size_t>(a) * m_stride + static_cast<std::size_t>(x);
    for (int y = a; y <= b; ++y, p += m_stride)
        *p = argb;
}

void LineRaster::Polyline(const PixelPoint* pts, std::size_t n, std::uint32_t argb, double offsetX,
                          double offsetY)
{
    Pen pen(*this, argb, offsetX, offsetY);
    for (std::size_t i = 0; i < n; ++i) {
        if (std::isnan(pts[i].x))
            pen.Break();
        else
            pen.To(pts[i].x, pts[i].y);
    }
}

void LineRaster::Square(double x, double y, int half, std::uint32_t argb)
{
    if (!std::isfinite(x) || !std::isfinite(y))
        return;
    const int cx = static_cast<int>(std::floor(x)), cy = static_cast<int>(std::floor(y));
    for (int yy = std::max(0, cy - half); yy <= std::min(m_height - 1, cy + half); ++yy)
        for (int xx = std::max(m_clipLeft, cx - half); xx <= std::min(m_clipRight - 1, cx + half); ++xx)
            Plot(xx, yy, argb);
}

}  // namespace qor::graph
