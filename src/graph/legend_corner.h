#pragma once

#include "graph/graph_model.h"

namespace qor::graph {

// The corners of a graph's section, in the order a legend box tries them.
enum class Corner { TopRight, TopLeft, BottomRight, BottomLeft };

// Whether a box of `width` x `height` (fractions of the section's width and height) in the
// given corner of `section` covers a point of a visible curve or a line between two of them.
// A curve whose X goes back and forth counts by its bounding box.
bool CoversData(const GraphModel& model, const GraphRange& section, Corner corner, double width,
                double height);

// The first corner, `preferred` first, whose box covers no data; false when every corner does.
bool FreeCorner(const GraphModel& model, const GraphRange& section, double width, double height,
                Corner preferred, Corner& corner);

}  // namespace qor::graph
