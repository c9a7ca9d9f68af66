#pragma once

#include "graph/decimator.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace qor::graph {

// Draws one-pixel polylines straight into a 32-bit pixel buffer (0xAARRGGBB words, the
// layout of a premultiplied ARGB image), clipped to the buffer. Much cheaper per segment
// than a general painter for the many short segments of a dense curve.
class LineRaster {
public:
    LineRaster(std::uint32_t* bits, int width, int height, std::size_t bytesPerLine)
        : m_bits(bits), m_width(width), m_height(height), m_stride(bytesPerLine / 4), m_clipRight(width)
    {
    }

    // Only columns [left, right) are written; lines are laid out as on the whole buffer, so
    // that pictures drawn window by window (one per thread) join without a seam.
    void SetColumnWindow(int left, int right)
    {
        m_clipLeft = std::max(0, left);
        m_clipRight = std::min(m_width, right);
    }
    int ClipLeft() const { return m_clipLeft; }
    int ClipRight() const { return m_clipRight; }
    // Every row of the column window.
    void Clear(std::uint32_t argb)
    {
        for (int y = 0; y < m_height; ++y)
            std::fill(m_bits + static_cast<std::size_t>(y) * m_stride + static_cast<std::size_t>(m_clipLeft),
                      m_bits + static_cast<std::size_t>(y) * m_stride + static_cast<std::size_t>(m_clipRight),
                      argb);
    }

    // A polyline drawn vertex by vertex, without keeping its vertices. Consecutive vertices
    // in one pixel column light one span of rows, as their segments would.
    class Pen {
    public:
        Pen(LineRaster& raster, std::uint32_t argb, double offsetX = 0.0, double offsetY = 0.0)
            : m_r(raster), m_argb(argb), m_ox(offsetX), m_oy(offsetY), m_xmax(raster.m_width - 0.001),
              m_ymax(raster.m_height - 0.001)
        {
        }
        Pen(const Pen&) = delete;
        Pen& operator=(const Pen&) = delete;
        ~Pen() { Finish(); }

        void To(double x, double y)
        {
            x += m_ox;
            y += m_oy;
            ++m_vertices;
            if (!m_broken && m_inRun && x >= m_column && x < m_column + 1.0) {
                Widen(y);
                m_draw = true;
            } else
                Step(x, y);
            m_x = x;
            m_y = y;
            m_broken = false;
        }
        // Vertices (fx, fy), (any, lo), (any, hi), (lx, ly), all in column `column`, the
        // column floor(x + offsetX) gives: the same pixels as four calls of To.
        void Column(double column, double fx, double fy, double lo, double hi, double lx, double ly)
        {
            fx += m_ox;
            fy += m_oy;
            if (!m_broken && m_inRun && column == m_column)
                Widen(fy);
            else
                Step(fx, fy);
            Widen(lo + m_oy);
            Widen(hi + m_oy);
            Widen(ly + m_oy);
            m_draw = true;
            m_vertices += 4;
            m_x = lx + m_ox;
            m_y = ly + m_oy;
            m_broken = false;
        }
        // The next vertex starts a new polyline.
        void Break()
        {
            FlushRun();
            m_broken = true;
        }
        void Finish()
        {
            FlushRun();
            if (m_vertices == 1)  // a curve of one point is still seen
                m_r.Line(m_x, m_y, m_x, m_y, m_argb);
            m_vertices = 0;
            m_broken = true;
        }

    private:
        void Widen(double y)
        {
            m_lo = y < m_lo ? y : m_lo;
            m_hi = y > m_hi ? y : m_hi;
        }
        bool Inside(double x, double y) const { return x >= 0.0 && x <= m_xmax && y >= 0.0 && y <= m_ymax; }
        // A vertex in another column than the run: the segment to it, then a new run.
        void Step(double x, double y)
        {
            const double column = std::floor(x);
            if (!m_broken && m_inRun && (column == m_column + 1.0 || column == m_column - 1.0) &&
                Inside(m_x, m_y) && Inside(x, y)) {
                // Between neighbouring columns the segment is two vertical runs, split where
                // the line drawing would step sideways.
                const int r0 = static_cast<int>(m_y), r1 = static_cast<int>(y);
                const int d = r1 > r0 ? r1 - r0 : r0 - r1, dir = r1 > r0 ? 1 : -1;
                const int near = d == 0 ? 1 : (d + 1) / 2;  // rows in the first column
                Widen(r0 + dir * (near - 1) + 0.5);
                m_draw = true;
                FlushRun();
                m_lo = m_hi = y;
                if (d > 0)
                    Widen(r0 + dir * near + 0.5);
                m_draw = true;
            } else {
                FlushRun();
                if (!m_broken)
                    m_r.Line(m_x, m_y, x, y, m_argb);
                m_lo = m_hi = y;
                m_draw = false;
            }
            m_inRun = x >= 0.0 && x <= m_xmax;
            m_column = column;
        }
        void FlushRun()
        {
            if (m_inRun && m_draw)
                m_r.Span(static_cast<int>(m_column), m_lo, m_hi, m_argb);
            m_inRun = false;
        }

        LineRaster& m_r;
        std::uint32_t m_argb;
        double m_ox, m_oy, m_xmax, m_ymax;
        double m_x = 0.0, m_y = 0.0;
        double m_column = 0.0, m_lo = 0.0, m_hi = 0.0;
        std::size_t m_vertices = 0;
        bool m_broken = true, m_inRun = false;
        bool m_draw = false;  // the run has pixels of its own or of a segment into it
    };

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // Dotted lines across the whole buffer, one pixel on and two off from its edge.
    void DottedColumn(int x, std::uint32_t argb)
    {
        if (x < m_clipLeft || x >= m_clipRight)
            return;
        for (int y = 0; y < m_height; y += 3)
            Plot(x, y, argb);
    }
    void DottedRow(int y, std::uint32_t argb)
    {
        if (y < 0 || y >= m_height)
            return;
        for (int x = (m_clipLeft + 2) / 3 * 3; x < m_clipRight; x += 3)
            Plot(x, y, argb);
    }
    // Rows top..bottom (inside the buffer) of column x.
    void Rows(int x, int top, int bottom, std::uint32_t argb)
    {
        if (x < m_clipLeft || x >= m_clipRight)
            return;
        std::uint32_t* p = m_bits + static_cast<std::size_t>(top) * m_stride + static_cast<std::size_t>(x);
        for (int y = top; y <= bottom; ++y, p += m_stride)
            *p = argb;
    }

    // `offsetX/Y` shift the vertices (e.g. from device to buffer coordinates); a NaN x
    // separates two polylines.
    void Polyline(const PixelPoint* pts, std::size_t n, std::uint32_t argb, double offsetX = 0.0,
                  double offsetY = 0.0);
    void Line(double x0, double y0, double x1, double y1, std::uint32_t argb);
    // Small filled square centred on a point (markers).
    void Square(double x, double y, int half, std::uint32_t argb);
    // The pixels of row y (inside the buffer), for a drawing that fills runs of them itself.
    std::uint32_t* Row(int y) { return m_bits + static_cast<std::size_t>(y) * m_stride; }
    // One pixel, which must lie inside the buffer and the column window.
    void Plot(int x, int y, std::uint32_t argb)
    {
        m_bits[static_cast<std::size_t>(y) * m_stride + static_cast<std::size_t>(x)] = argb;
    }

private:
    // Rows y0..y1 (y0 <= y1) of column x.
    void Span(int x, double y0, double y1, std::uint32_t argb);

    std::uint32_t* m_bits;
    int m_width, m_height;
    std::size_t m_stride;
    int m_clipLeft = 0, m_clipRight;
};

}  // namespace qor::graph
