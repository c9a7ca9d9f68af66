#pragma once

#include "graph/decimator.h"
#include "graph/footprint.h"
#include "graph/graph_model.h"

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <limits>
#include <unordered_map>
#include <vector>

namespace qor::ui {

class CGraphWnd;

// The plot area: curves, grid, legend, graph texts, the zoom rectangle and the mouse read-out.
class CGraphPanel : public QWidget {
    Q_OBJECT
public:
    explicit CGraphPanel(CGraphWnd* wnd);

    // Draws the plot into `rect` of the painter's device. Raster devices (widgets, images)
    // get the curves written straight into a pixel layer; others (PDF, printer) get vectors.
    // The legend is drawn inside unless the window placed it beside the plot.
    void DrawPlot(QPainter& p, const QRect& rect, bool legendInside = true);
    // Marks the cached picture stale and schedules a repaint.
    void Invalidate();
    // Marks the cached picture stale without a repaint (data changed without redraw).
    void MarkStale() { m_dirty = true; }
    // The cached plot picture of the widget (empty before the first paint).
    const QImage& Layer() const { return m_layer; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void contextMenuEvent(QContextMenuEvent*) override;
    void leaveEvent(QEvent*) override;

private:
    // What a picture of the curves shows: a picture that still fits all but the points
    // appended since needs only the columns those reach drawn again.
    struct Shown {
        struct Curve {
            const graph::CGraphProps* props;
            graph::Rgb colour;
            bool markers;
            std::uint64_t edition;
            std::size_t size;
        };
        bool valid = false;
        graph::GraphRange range;
        unsigned style = 0;
        std::vector<int> gridColumns, gridRows;
        std::vector<Curve> curves;
    };
    // Nothing changed since `was` but points appended to the curve drawn last.
    static bool AppendedToTop(const Shown& was, const Shown& now, int width);
    // A visible curve of a picture; one with markers has its vertices worked out once for
    // all strips.
    struct LayerCurve {
        const graph::CGraphProps* props;
        std::vector<graph::PixelPoint> vertices;  // only for markers
        bool markers;
        graph::Footprint* footprint = nullptr;  // only for a curve going back and forth
    };
    // Draws the curves and grid into `layer`. With `shown` (what the layer shows now, then
    // updated) only the columns that changed since are drawn.
    void RenderLayer(QImage& layer, QPaintDevice* device, Shown* shown = nullptr);
    // What a picture of `w` x `h` shows now: the grid and the visible curves, with the
    // number of their points.
    Shown Describe(QPaintDevice* device, int w, int h, std::vector<LayerCurve>& curves,
                   std::size_t& points) const;
    // The columns [left, right) that changed since `shown`, which becomes `now`. Points
    // appended to the topmost curve in any order of X are drawn over the picture at once:
    // true then, with nothing more to draw.
    bool ChangedColumns(QImage& layer, Shown& now, Shown& shown, int& left, int& right);
    // Columns [left, right) of the grid and every curve in order, shared with a second
    // thread when the picture is large and the last one took long.
    void DrawColumns(QImage& layer, const std::vector<LayerCurve>& curves, const Shown& grid,
                     std::size_t points, int left, int right);
    // The picture of curves and grid at `size`, redrawn only when something changed.
    const QImage& CachedLayer(const QSize& size, QPaintDevice* device);
    void DrawOverlay(QPainter& p, const QRect& rect, bool legendInside);
    void DrawCurvesVector(QPainter& p, const QRect& rect);
    QPointF ToGraph(const QPointF& pos) const;

    CGraphWnd* m_wnd;
    QImage m_layer;
    bool m_dirty = true;
    int m_layerDpi = 0;
    Shown m_shown;
    std::vector<graph::PixelPoint> m_scratch;
    qint64 m_lastDrawNs = std::numeric_limits<qint64>::max();  // how long the last whole picture took
    // The pixels of each long curve whose X goes back and forth, kept between pictures.
    std::unordered_map<const graph::CGraphProps*, graph::Footprint> m_footprints;
    bool m_dragging = false;
    QPoint m_dragStart, m_dragNow;
};

}  // namespace qor::ui
