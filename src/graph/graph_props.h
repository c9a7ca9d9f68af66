#pragma once

#include "graph/point_list.h"

#include <cstdint>
#include <string>

namespace qor::graph {

// 0x00RRGGBB
using Rgb = std::uint32_t;
inline constexpr Rgb MakeRgb(int r, int g, int b)
{
    return (static_cast<Rgb>(r & 0xff) << 16) | (static_cast<Rgb>(g & 0xff) << 8) |
           static_cast<Rgb>(b & 0xff);
}
inline constexpr int Red(Rgb c)
{
    return static_cast<int>((c >> 16) & 0xff);
}
inline constexpr int Green(Rgb c)
{
    return static_cast<int>((c >> 8) & 0xff);
}
inline constexpr int Blue(Rgb c)
{
    return static_cast<int>(c & 0xff);
}

// Options of AddGraph (the curve's display settings).
enum GraphOption : unsigned {
    kGraphSorted = 1,   // keep the points sorted by X
    kGraphMarkers = 2,  // mark every point
    kGraphShared = 4,   // X and time shared with the graph's other such curves (see AddRows)
};

// One curve: colour, name, display settings and its points.
class CGraphProps {
public:
    CGraphProps(Rgb colour, std::string name, unsigned options)
        : m_colour(colour), m_name(std::move(name)), m_options(options),
          m_points((options & kGraphSorted) != 0)
    {
    }

    Rgb m_colour;
    std::string m_name;
    bool m_visible = true;
    unsigned m_options;
    PointList m_points;
};

}  // namespace qor::graph
