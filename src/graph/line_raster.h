#pragma once

#include <cstddef>
#include <cstdint>

#include "graph/decimator.h"

namespace qor::graph {

// Draws one-pixel polylines straight into a 32-bit pixel buffer (0xAARRGGBB words, the
// layout of a premultiplied ARGB image), clipped to the buffer. Much cheaper per segment
// than a general painter for the many short segments of a dense curve.
class LineRaster {
public:
    LineRaster(std::uint32_t* bits, int width, int height, std::size_t bytesPerLine)
        : m_bits(bits), m_width(width), m_height(height), m_stride(bytesPerLine / 4)
    {
    }

    // `offsetX/Y` shift the vertices (e.g. from device to buffer coordinates).
    void Polyline(const PixelPoint* pts, std::size_t n, std::uint32_t argb, double offsetX = 0.0,
                  double offsetY = 0.0);
    void Line(double x0, double y0, double x1, double y1, std::uint32_t argb);
    // Small filled square centred on a point (markers).
    void Square(double x, double y, int half, std::uint32_t argb);

private:
    void Plot(int x, int y, std::uint32_t argb)
    {
        m_bits[static_cast<std::size_t>(y) * m_stride + static_cast<std::size_t>(x)] = argb;
    }

    std::uint32_t* m_bits;
    int m_width, m_height;
    std::size_t m_stride;
};

}  // namespace qor::graph
