#pragma once

#include "graph/point_list.h"
#include "graph/tick_scale.h"

#include <cstdint>
#include <vector>

namespace qor::graph {

class LineRaster;

// A vertex of a curve in device pixels; a NaN x separates two polylines.
struct PixelPoint {
    double x;
    double y;
};

// Turns a curve into the vertices worth drawing at one pixel per column: where more points
// fall into a column than can be seen, the column keeps its first, lowest, highest and last
// point, so every spike stays visible and nothing else is drawn.
class Decimator {
public:
    // Pixel coordinates are limited to this distance outside the plot; further out the
    // rasterisers' fixed-point arithmetic would overflow.
    static constexpr double kPixelLimit = 1.0e6;

    // xMap/yMap: value to pixel coordinates. Column k covers [pixelLeft + k, pixelLeft + k + 1)
    // and is drawn where a rasteriser puts floor(x) (or round(x) with pixelLeft = -0.5).
    static void Build(const PointList& points, const ScaleMapping& xMap, const ScaleMapping& yMap,
                      double pixelLeft, double pixelRight, std::vector<PixelPoint>& out);
    // The same vertices drawn straight into a raster, shifted by offsetX/Y, without
    // collecting them first.
    static void Draw(const PointList& points, const ScaleMapping& xMap, const ScaleMapping& yMap,
                     double pixelLeft, double pixelRight, LineRaster& raster, std::uint32_t argb,
                     double offsetX, double offsetY);
    // Every point, for comparison and for sparse curves.
    static void BuildAll(const PointList& points, const ScaleMapping& xMap, const ScaleMapping& yMap,
                         std::vector<PixelPoint>& out);
};

}  // namespace qor::graph
