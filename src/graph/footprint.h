#pragma once

#include "graph/point_list.h"
#include "graph/tick_scale.h"

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace qor::graph {

class LineRaster;

// The cells a long curve whose X goes back and forth passes through, on a grid fixed in
// value space whose cells are powers of two wide and high. A column-by-column decimation
// does not apply to such a curve, so drawing it walks every point; this keeps its pixels
// instead. A drawing picks the grid whose cells are half a pixel to a pixel, takes it from
// a finer one it already holds when the scale has grown (one pass over the lit cells, not
// over the points) and rasterises only the points appended since. The picture differs from
// the exact one by less than a pixel.
class Footprint {
public:
    // Curves shorter than this are drawn exactly: their walk is cheap.
    static constexpr std::size_t kMinPoints = 20000;

    // Draws the curve through xMap/yMap into the raster (vertices shifted by offsetX/Y, as
    // LineRaster::Pen takes them). False, with nothing drawn, when it does not apply: too
    // few points, or the curve reaching much further than the plot (a zoomed view).
    bool Draw(const PointList& points, const ScaleMapping& xMap, const ScaleMapping& yMap, LineRaster& raster,
              std::uint32_t argb, double offsetX, double offsetY);

    std::size_t MemoryBytes() const;
    // The grids held, for tests and benchmarks.
    std::size_t Levels() const { return m_levels.size(); }

private:
    static constexpr int kTileBits = 6;  // 64 x 64 cells per tile, one word per row
    static constexpr int kTile = 1 << kTileBits;
    struct Tile {
        std::int32_t tx, ty;
        std::uint64_t rows[kTile];
    };
    // One grid: cells 2^ex by 2^ey, indices relative to an origin cell so they stay small.
    struct Level {
        int ex = 0, ey = 0;
        std::int64_t ox = 0, oy = 0;
        std::uint64_t edition = 0;
        std::size_t covered = 0;  // points rasterised so far
        bool lastValid = false;   // whether the last covered point was drawable
        std::int64_t lastX = 0, lastY = 0;
        bool broken = false;  // a point fell off the grid: unusable
        std::uint64_t used = 0;
        std::vector<Tile> tiles;
        std::unordered_map<std::uint64_t, std::uint32_t> index;
        std::uint32_t lastTile = UINT32_MAX;

        void Set(std::int64_t cx, std::int64_t cy);
        void Segment(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1);
        Tile& TileAt(std::int32_t tx, std::int32_t ty);
    };

    // The grid for cells 2^ex by 2^ey, caught up with the points; null when the points do
    // not fit one. A grid finer than that is used only while the curve spans at most
    // maxCellsX by maxCellsY of its cells.
    Level* Find(const PointList& points, int ex, int ey, double maxCellsX, double maxCellsY);
    static bool CatchUp(Level& lv, const PointList& points);
    static Level Coarsen(const Level& fine, int ex, int ey);
    void Draw(const Level& lv, const ScaleMapping& xMap, const ScaleMapping& yMap, LineRaster& raster,
              std::uint32_t argb, double offsetX, double offsetY) const;

    std::vector<Level> m_levels;  // at most two: the one drawn last and the one before
    std::uint64_t m_clock = 0;
};

}  // namespace qor::graph
