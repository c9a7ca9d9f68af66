#pragma once

#include "graph/graph_model.h"

#include <cstdint>
#include <string>

namespace qor::graph {

// Ruler mode flags of a graph frame.
enum FrameFlag : unsigned {
    kFrameAbsoluteTime = 1,  // time X labels as date and time of day (else elapsed)
    kFrameNumericX = 2,      // numeric X axis (else sample indices labelled with their time)
    kFrameLogY = 4,          // Y values are decades (log10)
    kFrameLogX = 8,          // X values are decades (log10), with a numeric X axis
};

// The status text of the mouse read-out and the point list texts.
class ReadOut {
public:
    // Index of the first visible curve whose colour is within 4 per component of the pixel's,
    // -1 if none. On a logarithmic Y axis the colour is not compared: the first visible curve.
    static int CurveAtColour(const GraphModel& model, Rgb pixel, unsigned frameFlags);

    // The read-out for graph position (x, y); `curve` from CurveAtColour (-1: none).
    static std::string Text(const GraphModel& model, int curve, double x, double y, unsigned frameFlags);

    // Time column of the point list: elapsed "(%ld:%02ld:%02ld)" or absolute
    // "%02u.%02u. %02u:%02u:%02u".
    static std::string PointTime(std::int64_t first, std::int64_t t, bool absolute);
};

}  // namespace qor::graph
