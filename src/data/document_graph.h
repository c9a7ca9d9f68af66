#pragma once

#include "data/document_curves.h"
#include "graph/graph_model.h"

#include <cstddef>
#include <vector>

namespace qor::data {

class CDatenObject;
class CGraphPropObject;
class CStringDatenObject;

// What the document view and the plot command share: the document's curves in a graph, its
// stored samples on them and its labels as graph texts, so both draw a document alike.

// The X end of the section a graph shows before it held any curve.
constexpr double kFirstSectionXTo = 500.0;

// The section a rebuild starts from: X stays while the graph holds curves (0 to
// kFirstSectionXTo before any), Y is the graph setup's range.
void SetRebuildSection(graph::GraphModel& graph, const CGrafikSetup& setup, bool redraw);

// Adds one graph curve per document curve (colour, label, visibility), all sharing X and
// time; the graph's index per curve, -1 where the graph had no free slot.
std::vector<int> AddDocumentCurves(graph::GraphModel& graph, const DocumentCurves& curves);
// Draws samples [from, end) at X = their position in the list; a value that is not finite
// leaves a gap.
void FeedSamples(graph::GraphModel& graph, DocumentCurves& curves, const std::vector<int>& ids,
                 const std::vector<CDatenObject>& samples, std::size_t from, bool redraw);
// The visible section becomes the data with a little air above and below, so no curve runs
// along the frame (the picture of a whole file).
void FitWithMargin(graph::GraphModel& graph, bool redraw);
// The document view's "whole page": X over all data, Y over all data and 10 units more on
// each side; nothing changes while no curve holds a point.
void FitPage(graph::GraphModel& graph, bool redraw);

// The stored labels as graph texts (the graph's texts are replaced).
void PlaceLabels(graph::GraphModel& graph, const std::vector<CStringDatenObject>& labels);
// The graph texts as labels; fonts of labels that were placed from `placed` keep their
// stored form.
std::vector<CStringDatenObject> CollectLabels(const graph::GraphModel& graph,
                                              const std::vector<CStringDatenObject>& placed);
// The look of each curve the graph shows now, by its source, into `looks` (others stay).
void CollectCurveLooks(const graph::GraphModel& graph, const DocumentCurves& curves,
                       const std::vector<int>& ids, CurveLooks& looks);
// Colour, visibility and a name the user gave of each curve into the curve properties.
void CollectCurveProps(const graph::GraphModel& graph, const DocumentCurves& curves,
                       const std::vector<int>& ids, CGraphPropObject& props);

}  // namespace qor::data
