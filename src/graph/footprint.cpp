#include "graph/footprint.h"

#include "graph/line_raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace qor::graph {

namespace {
// Cells further than this from a grid's origin do not fit it (indices stay far inside int32
// tile numbers); a curve reaching them is drawn exactly.
constexpr double kReach = 16777216.0;
// A grid covers at most this many plots in each direction.
constexpr double kPlots = 2.0;

// The exponent e with 2^e <= s < 2^(e+1): cells of 2^e are half a pixel to a pixel.
int CellExponent(double s)
{
    int e = 0;
    std::frexp(s, &e);
    return e - 1;
}
}  // namespace

Footprint::Tile& Footprint::Level::TileAt(std::int32_t tx, std::int32_t ty)
{
    if (lastTile != UINT32_MAX && tiles[lastTile].tx == tx && tiles[lastTile].ty == ty)
        return tiles[lastTile];
    const std::uint64_t key =
        (std::uint64_t{static_cast<std::uint32_t>(tx)} << 32) | static_cast<std::uint32_t>(ty);
    auto [it, fresh] = index.try_emplace(key, static_cast<std::uint32_t>(tiles.size()));
    if (fresh) {
        tiles.emplace_back();
        Tile& t = tiles.back();
        t.tx = tx;
        t.ty = ty;
        std::fill(std::begin(t.rows), std::end(t.rows), 0);
    }
    lastTile = it->second;
    return tiles[lastTile];
}

void Footprint::Level::Set(std::int64_t cx, std::int64_t cy)
{
    Tile& t = TileAt(static_cast<std::int32_t>(cx >> kTileBits), static_cast<std::int32_t>(cy >> kTileBits));
    t.rows[cy & (kTile - 1)] |= std::uint64_t{1} << (cx & (kTile - 1));
}

void Footprint::Level::Segment(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1)
{
    const std::int64_t dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    if (dx <= 1 && dy >= -1) {
        Set(x0, y0);
        Set(x1, y1);
        return;
    }
    const std::int64_t sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    std::int64_t err = dx + dy;
    for (;;) {
        Set(x0, y0);
        if (x0 == x1 && y0 == y1)
            break;
        const std::int64_t e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

bool Footprint::CatchUp(Level& lv, const PointList& points)
{
    const double sx = std::ldexp(1.0, -lv.ex), sy = std::ldexp(1.0, -lv.ey);
    const double ox = static_cast<double>(lv.ox), oy = static_cast<double>(lv.oy);
    const std::size_t n = points.size();
    for (std::size_t i = lv.covered; i < n; ++i) {
        const double cx = std::floor(points.X(i) * sx) - ox, cy = std::floor(points.Y(i) * sy) - oy;
        if (!std::isfinite(cx) || !std::isfinite(cy)) {  // a gap, as in every drawing
            lv.lastValid = false;
            continue;
        }
        if (std::fabs(cx) > kReach || std::fabs(cy) > kReach) {
            lv.broken = true;
            return false;
        }
        const auto x = static_cast<std::int64_t>(cx), y = static_cast<std::int64_t>(cy);
        if (lv.lastValid)
            lv.Segment(lv.lastX, lv.lastY, x, y);
        else
            lv.Set(x, y);
        lv.lastX = x;
        lv.lastY = y;
        lv.lastValid = true;
    }
    lv.covered = n;
    return true;
}

Footprint::Level Footprint::Coarsen(const Level& fine, int ex, int ey)
{
    const int a = ex - fine.ex, b = ey - fine.ey;
    Level lv;
    lv.ex = ex;
    lv.ey = ey;
    lv.ox = fine.ox >> a;  // floor division, also below zero
    lv.oy = fine.oy >> b;
    lv.edition = fine.edition;
    lv.covered = fine.covered;
    lv.lastValid = fine.lastValid;
    lv.lastX = ((fine.ox + fine.lastX) >> a) - lv.ox;
    lv.lastY = ((fine.oy + fine.lastY) >> b) - lv.oy;
    for (const Tile& t : fine.tiles) {
        const std::int64_t gx = fine.ox + std::int64_t{t.tx} * kTile,
                           gy = fine.oy + std::int64_t{t.ty} * kTile;
        for (int r = 0; r < kTile; ++r) {
            std::uint64_t w = t.rows[r];
            if (!w)
                continue;
            const std::int64_t cy = ((gy + r) >> b) - lv.oy;
            while (w) {
                const int c = __builtin_ctzll(w);
                w &= w - 1;
                lv.Set(((gx + c) >> a) - lv.ox, cy);
            }
        }
    }
    return lv;
}

Footprint::Level* Footprint::Find(const PointList& points, int ex, int ey, double maxCellsX, double maxCellsY)
{
    std::erase_if(m_levels, [&](const Level& lv) {
        return lv.broken || lv.edition != points.Edition() || lv.covered > points.size();
    });
    // A grid the curve, with the points it has not taken yet, spreads too far over (the
    // scale grew a hundredfold) would cost more to catch up than a new one.
    const BoundingBox& box = points.Bounds();
    auto fits = [&](const Level& lv) {
        return lv.ex <= ex && lv.ey <= ey && ex - lv.ex < 32 && ey - lv.ey < 32 &&
               std::ldexp(box.xMax - box.xMin, -lv.ex) <= maxCellsX &&
               std::ldexp(box.yMax - box.yMin, -lv.ey) <= maxCellsY;
    };
    // The grid needed, or the coarsest finer one it can be made from.
    Level* source = nullptr;
    for (Level& lv : m_levels)
        if (fits(lv) && (!source || lv.ex + lv.ey > source->ex + source->ey))
            source = &lv;
    Level* found = nullptr;
    if (source && !CatchUp(*source, points)) {
        source = nullptr;
    } else if (source && source->ex == ex && source->ey == ey) {
        found = source;
    } else if (source) {
        Level made = Coarsen(*source, ex, ey);
        m_levels.push_back(std::move(made));
        found = &m_levels.back();
    }
    if (!found) {
        Level lv;
        lv.ex = ex;
        lv.ey = ey;
        lv.ox = static_cast<std::int64_t>(std::floor(std::ldexp(box.xMin, -ex)));
        lv.oy = static_cast<std::int64_t>(std::floor(std::ldexp(box.yMin, -ey)));
        lv.edition = points.Edition();
        m_levels.push_back(std::move(lv));
        found = &m_levels.back();
        if (!CatchUp(*found, points)) {
            m_levels.pop_back();
            return nullptr;
        }
    }
    found->used = ++m_clock;
    // Keep the grid drawn now and the most recently used other one (a finer one to take
    // the next from, or the one a zoom goes back to).
    while (m_levels.size() > 2) {
        auto oldest = std::min_element(m_levels.begin(), m_levels.end(),
                                       [](const Level& l, const Level& r) { return l.used < r.used; });
        const std::uint64_t keep = found->used;
        m_levels.erase(oldest);
        found = &*std::find_if(m_levels.begin(), m_levels.end(),
                               [keep](const Level& l) { return l.used == keep; });
    }
    return found;
}

bool Footprint::Draw(const PointList& points, const ScaleMapping& xMap, const ScaleMapping& yMap,
                     LineRaster& raster, std::uint32_t argb, double offsetX, double offsetY)
{
    if (points.size() < kMinPoints)
        return false;
    const double sx = std::fabs(xMap.Slope()), sy = std::fabs(yMap.Slope());
    const BoundingBox& box = points.Bounds();
    if (!box.valid || !(sx > 0.0) || !(sy > 0.0) || !std::isfinite(sx) || !std::isfinite(sy) ||
        xMap.r1 == xMap.r0 || yMap.r1 == yMap.r0)
        return false;
    // Cells above a pixel would show gaps; a curve reaching far beyond the plot would need a
    // large grid of cells nobody sees (or overflow its indices).
    if (!((box.xMax - box.xMin) / sx <= kPlots * raster.Width() + kTile) ||
        !((box.yMax - box.yMin) / sy <= kPlots * raster.Height() + kTile))
        return false;
    const int ex = CellExponent(sx), ey = CellExponent(sy);
    constexpr double kExact = 9007199254740992.0;  // 2^53: every cell index is an exact double
    if (!(std::fabs(std::ldexp(box.xMin, -ex)) < kExact) ||
        !(std::fabs(std::ldexp(box.xMax, -ex)) < kExact) ||
        !(std::fabs(std::ldexp(box.yMin, -ey)) < kExact) || !(std::fabs(std::ldexp(box.yMax, -ey)) < kExact))
        return false;
    const double cellsX = 2.0 * (kPlots * raster.Width() + kTile),
                 cellsY = 2.0 * (kPlots * raster.Height() + kTile);
    const Level* lv = Find(points, ex, ey, cellsX, cellsY);
    if (!lv)
        return false;
    Draw(*lv, xMap, yMap, raster, argb, offsetX, offsetY);
    return true;
}

namespace {
#if defined(__x86_64__)
// lanes[b]: all ones in the 32-bit lanes whose bit is set in b.
struct ByteLanes {
    alignas(16) std::uint32_t lanes[256][8];
    constexpr ByteLanes() : lanes{}
    {
        for (int b = 0; b < 256; ++b)
            for (int i = 0; i < 8; ++i)
                lanes[b][i] = (b >> i) & 1 ? 0xffffffffu : 0u;
    }
};
constexpr ByteLanes kByteLanes;

// Pixel k of `line` from k = 0 on takes the colour where bit k of `bits` is set.
inline void FillBits(std::uint32_t* line, std::uint64_t bits, int count, std::uint32_t argb)
{
    const __m128i colour = _mm_set1_epi32(static_cast<int>(argb));
    int k = 0;
    for (; k + 8 <= count; k += 8, bits >>= 8) {
        const unsigned b = bits & 0xff;
        if (!b)
            continue;
        auto* p = reinterpret_cast<__m128i*>(line + k);
        if (b == 0xff) {
            _mm_storeu_si128(p, colour);
            _mm_storeu_si128(p + 1, colour);
            continue;
        }
        const auto* m = reinterpret_cast<const __m128i*>(kByteLanes.lanes[b]);
        for (int h = 0; h < 2; ++h) {
            const __m128i mask = _mm_load_si128(m + h), old = _mm_loadu_si128(p + h);
            _mm_storeu_si128(p + h, _mm_or_si128(_mm_andnot_si128(mask, old), _mm_and_si128(mask, colour)));
        }
    }
    for (; k < count; ++k, bits >>= 1)
        if (bits & 1)
            line[k] = argb;
}

// Cells [0, 64) of a row to pixels first, first + 1, ...: `starts` marks the cells that begin
// a pixel (the others share the one before), so gathering the row's cells joined with their
// partners at those places gives one bit per pixel.
__attribute__((target("bmi2"))) std::uint64_t PixelBits(std::uint64_t cells, std::uint64_t starts)
{
    return _pext_u64(cells | ((cells >> 1) & ~(starts >> 1)), starts);
}
const bool kGather = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("bmi2") != 0;
}();
#endif
}  // namespace

void Footprint::Draw(const Level& lv, const ScaleMapping& xMap, const ScaleMapping& yMap, LineRaster& raster,
                     std::uint32_t argb, double offsetX, double offsetY) const
{
    const double cw = std::ldexp(1.0, lv.ex), ch = std::ldexp(1.0, lv.ey);
    const double xTo = (xMap.p1 - xMap.p0) / (xMap.r1 - xMap.r0),
                 yTo = (yMap.p1 - yMap.p0) / (yMap.r1 - yMap.r0);
    const int left = raster.ClipLeft(), right = raster.ClipRight(), height = raster.Height();
    // Each cell drawn as the pixel its centre falls in; -1 for one off the buffer. False for a
    // tile wholly off it.
    auto pixels = [](double first, double step, int limit, int* out) {
        const double last = first + step * (kTile - 1);
        if (!(std::max(first, last) >= 0.0 && std::min(first, last) < limit))
            return false;
        // Truncating a positive number is flooring it, and much cheaper; the shift cannot
        // make a visible tile's pixels negative.
        constexpr int kShift = 1 << 20;
        for (int k = 0; k < kTile; ++k) {
            const int p = static_cast<int>(first + step * k + kShift) - kShift;
            out[k] = p >= 0 && p < limit ? p : -1;
        }
        return true;
    };
    int cols[kTile], rows[kTile];
    for (const Tile& t : lv.tiles) {
        const double gx = static_cast<double>(lv.ox + std::int64_t{t.tx} * kTile) + 0.5;
        const double gy = static_cast<double>(lv.oy + std::int64_t{t.ty} * kTile) + 0.5;
        if (!pixels((gx * cw - xMap.r0) * xTo + xMap.p0 + offsetX, cw * xTo, right, cols) ||
            !pixels((gy * ch - yMap.r0) * yTo + yMap.p0 + offsetY, ch * yTo, height, rows))
            continue;
        // Cells are more than half a pixel wide: at most two share a pixel column, always
        // neighbours. `shared` marks each cell that shares it with the one before.
        std::uint64_t shared = 0;
        for (int c = 1; c < kTile; ++c)
            if (cols[c] == cols[c - 1])
                shared |= std::uint64_t{1} << c;
#if defined(__x86_64__)
        // A tile whose cells all lie in the window and go left to right lights runs of pixels
        // from its first one on.
        const int pixelsInRow = kTile - __builtin_popcountll(shared);
        const bool gather = kGather && cols[0] >= left && cols[kTile - 1] == cols[0] + pixelsInRow - 1;
#endif
        // Rows that fall into one pixel row are joined before their cells are drawn.
        for (int r = 0; r < kTile;) {
            std::uint64_t w = t.rows[r];
            const int row = rows[r];
            for (++r; r < kTile && rows[r] == row; ++r)
                w |= t.rows[r];
            if (!w || row < 0)
                continue;
#if defined(__x86_64__)
            if (gather) {
                FillBits(raster.Row(row) + cols[0], PixelBits(w, ~shared), pixelsInRow, argb);
                continue;
            }
#endif
            w &= ~(shared & (w << 1));
            while (w) {
                const int c = __builtin_ctzll(w);
                w &= w - 1;
                if (cols[c] >= left)
                    raster.Plot(cols[c], row, argb);
            }
        }
    }
}

std::size_t Footprint::MemoryBytes() const
{
    std::size_t bytes = 0;
    for (const Level& lv : m_levels)
        bytes += lv.tiles.capacity() * sizeof(Tile) + lv.index.size() * 2 * sizeof(std::uint64_t);
    return bytes;
}

}  // namespace qor::graph
