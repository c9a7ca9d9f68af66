#pragma once

#include "graph/graph_axis.h"
#include "graph/graph_props.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qor::graph {

// Notification codes from a graph window to its frame.
enum GraphNotify : int {
    kNotifyPointAdded = 1,
    kNotifyPointRemoved = 2,
    kNotifyPointChanged = 3,
    kNotifyCurveAdded = 4,
    kNotifyCurveRemoved = 5,
    kNotifyRangeChanged = 8,
    kNotifyAxisChanged = 9,
};

struct GraphNotification {
    int code = 0;
    int curve = -1;
    int point = -1;
    bool redraw = true;
};

// Axis numbers of GetAxis / SetAxisTitle.
inline constexpr int kAxisX = 0;
inline constexpr int kAxisY = 1;

// Style word bits (display options; callers combine them).
enum GraphStyle : unsigned {
    kStyleMarkers = 2,  // mark every point of every curve
    kStyleLegend = 4,   // a legend of the visible curves
    kStyleGrid = 8,     // grid lines at the major ticks
};

enum class ScrollDirection { Up, Down, Left, Right };

struct GraphRange {
    double xFrom = 1.0, xTo = 100.0, yFrom = 1.0, yTo = 100.0;
    bool operator==(const GraphRange&) const = default;
};

// A text placed in the graph at a position in graph coordinates.
struct GraphText {
    double x = 0.0, y = 0.0;
    std::string text;
    Rgb colour = 0;
    std::string font;    // font family; empty = the graph's label font
    double scale = 1.0;  // size relative to the label font
};

// The data side of a graph window: curve slots, the axes, the visible section, the style
// and the texts. Every change is reported through Notify(); a frame overrides it to redraw,
// without one the operations only change the data.
class GraphModel {
public:
    explicit GraphModel(int capacity = 54);
    virtual ~GraphModel() = default;
    GraphModel(const GraphModel&) = delete;
    GraphModel& operator=(const GraphModel&) = delete;

    int Capacity() const { return static_cast<int>(m_slots.size()); }

    // Curve index, or -1 when no slot is free. Notifies 4.
    int AddGraph(Rgb colour, const std::string& name, unsigned options = 0);
    // The index, or -1 for an empty or invalid slot. Notifies 5.
    int RemoveGraph(int index, bool redraw = true);
    int GetGraphCount() const { return m_count; }
    // First curve and its index in `pos`; nullptr (pos -1) when there is none.
    CGraphProps* GetFirstGraph(int& pos) const;
    // Next curve after `pos`; nullptr and pos -1 at the end.
    CGraphProps* GetNextGraph(int& pos) const;
    // The curve in a slot, nullptr for an empty or invalid slot.
    CGraphProps* GetGraph(int index) const;

    // Index of the new point, -1 for a missing curve or a bad position. insertPos -1 appends
    // (or inserts sorted on a sorted curve). Notifies 1.
    int AddPoint(int curve, std::int64_t time, double x, double y, double z, bool redraw = true,
                 int insertPos = -1);
    // The third value is Y.
    int AddPoint(int curve, std::int64_t time, double x, double y, bool redraw = true, int insertPos = -1)
    {
        return AddPoint(curve, time, x, y, y, redraw, insertPos);
    }
    // Appends n rows to the curves added with kGraphShared, which keep only their Y: row r
    // has X x[r] and time time[r], and curve curves[k] the value ys[k][r]. Shared curves not
    // listed get gaps (NaN); a listed curve that is not shared gets the points. A value that
    // is not finite is a gap. Notifies 1 once (curve -1, the index of the first new row).
    void AddRows(std::size_t n, const double* x, const std::int64_t* time, const std::vector<int>& curves,
                 const std::vector<const double*>& ys, bool redraw = true);
    const SharedColumns& Rows() const { return m_rows; }

    // Notifies 3. The third value and the time stay as they were.
    int ChangePoint(int curve, int index, double x, double y, bool redraw = true);
    // Notifies 2.
    int RemovePoint(int curve, int index, bool redraw = true);
    // -1 clears every curve.
    void ClearPoints(int curve = -1, bool redraw = true);

    // Notifies 8.
    void SetStyle(unsigned style, bool redraw = true);
    unsigned GetStyle() const { return m_style; }
    // Notifies 8.
    void SetRange(double xFrom, double xTo, double yFrom, double yTo, bool redraw = true);
    void GetRange(double& xFrom, double& xTo, double& yFrom, double& yTo) const;
    const GraphRange& Range() const { return m_range; }
    // Union of the curves' bounding boxes; false (outs untouched) when no curve has a point.
    bool GetDataRange(double& xFrom, double& xTo, double& yFrom, double& yTo) const;

    // 1 = Y axis, anything else the X axis.
    const GraphAxis& GetAxis(int axis) const { return axis == kAxisY ? m_yAxis : m_xAxis; }
    // Notifies 9.
    void SetAxisTitle(const std::string& name, const std::string& unit, int decimals, int axis,
                      bool redraw = true);

    // The visible section becomes the data range (a single value widens to +-1).
    void Fit(bool redraw = true);
    void ZoomIn(bool redraw = true);
    void ZoomOut(bool redraw = true);
    void Scroll(ScrollDirection direction, bool redraw = true);

    std::vector<GraphText>& Texts() { return m_texts; }
    const std::vector<GraphText>& Texts() const { return m_texts; }
    void AddText(const GraphText& t);
    // false for an invalid index.
    bool ChangeText(int index, const GraphText& t);
    void RemoveAllTexts();
    // The text nearest to (x, y) within the given distances in graph units, -1 if none.
    int FindText(double x, double y, double dx, double dy) const;

protected:
    // A frame overrides this to redraw what changed.
    virtual void Notify(const GraphNotification&) {}

private:
    void NotifyRange(bool redraw);

    SharedColumns m_rows;
    std::vector<std::unique_ptr<CGraphProps>> m_slots;
    int m_count = 0;
    GraphAxis m_xAxis, m_yAxis;
    GraphRange m_range;
    unsigned m_style = 0;
    std::vector<GraphText> m_texts;
};

}  // namespace qor::graph
