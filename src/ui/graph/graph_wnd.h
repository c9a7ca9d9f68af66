#pragma once

#include "graph/graph_model.h"
#include "graph/legend_corner.h"
#include "graph/read_out.h"

#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>

class QPaintDevice;
class QPainter;

namespace qor::ui {

class CGraphPanel;
class FHRuler;
class FVRuler;

// The graph window: the curves and axes (GraphModel), a plot panel and two rulers, laid out
// by the window itself (it also plays the frame that holds the ruler modes).
//
// Public API for hosts (views, dialogs):
//  - everything of graph::GraphModel: AddGraph, RemoveGraph, GetGraphCount, GetFirstGraph,
//    GetNextGraph, AddPoint (long and short form), ChangePoint, RemovePoint, ClearPoints,
//    SetStyle/GetStyle (graph::GraphStyle bits: 2 markers, 4 legend, 8 grid), SetRange,
//    GetRange, GetDataRange, GetAxis (1 = Y, else X), SetAxisTitle, Fit, ZoomIn, ZoomOut,
//    Scroll, texts. Each change repaints the affected parts when its redraw flag is set.
//  - Redraw: after direct edits of a curve (CGraphProps colour, name, visibility).
//  - SetFrameFlags: graph::FrameFlag bits (absolute time labels, numeric X, logarithmic Y).
//    On a logarithmic Y axis the curves hold log10 of their values.
//  - SetZoomMode / SetTextMode / SetEditMode: exclusive modes that end with their action.
//  - SetRangeSelectMode: a further exclusive mode that stays on: each drag marks an X range,
//    which the host reads with Selection() and clears with ClearSelection().
//  - ClearTextsAsk, ShowSelection, ShowProperties: the dialogs of the graph.
//  - Render / RenderImage / SavePng / SavePdf: draw title, rulers and plot into any device.
//  - signal ReadOutChanged: the status text of the mouse position; ModesChanged.
class CGraphWnd : public QWidget, public graph::GraphModel {
    Q_OBJECT
public:
    explicit CGraphWnd(QWidget* parent = nullptr, int capacity = 54);
    ~CGraphWnd() override;

    // Frame operations: ruler modes and language.
    void SetFrameFlags(unsigned flags);
    unsigned GetFrameFlags() const { return m_frameFlags; }
    void SetLanguage(int lang) { m_lang = lang == 1 ? 1 : 0; }
    int Language() const { return m_lang; }
    void SetTitle(const QString& title);
    QString Title() const { return m_title; }

    // Repaints everything; call it after changing a curve's colour, name or visibility directly.
    void Redraw();

    // Exclusive modes; switching one on switches the others off.
    void SetZoomMode(bool on);
    void SetTextMode(bool on);
    void SetEditMode(bool on);
    bool ZoomMode() const { return m_zoomMode; }
    bool TextMode() const { return m_textMode; }
    bool EditMode() const { return m_editMode; }
    void SetRangeSelectMode(bool on);
    bool RangeSelectMode() const { return m_rangeMode; }

    // The X range of the last finished drag in range-select mode, in data coordinates
    // (from < to); it stays until the host clears it.
    struct XSelection {
        bool done = false;
        double from = 0, to = 0;
    };
    const XSelection& Selection() const { return m_selection; }
    void ClearSelection() { m_selection = {}; }

    // Asks before deleting every graph text; true when they were deleted.
    bool ClearTextsAsk();
    // Curve selection dialog; true when OK applied new visible flags.
    bool ShowSelection();
    // Property pages (axes, graphics, title); true when applied.
    bool ShowProperties();

    // Lays title, rulers and plot out in `rect` and draws them with the painter's device
    // resolution: a widget, QImage, QPdfWriter or QPrinter.
    void Render(QPainter& painter, const QRect& rect);
    QImage RenderImage(const QSize& size);
    bool SavePng(const QString& path, const QSize& size);
    // One page, landscape A4 unless `pageSizeMm` is given.
    bool SavePdf(const QString& path, const QSizeF& pageSizeMm = QSizeF());

    // The context menu's section commands. A view with rules of its own for the section (the
    // document graph keeps X at 0 and above) puts its handler in place; without one the
    // window fits, zooms and scrolls as the engine does.
    enum class SectionCommand { Fit, ZoomIn, ZoomOut, ZoomOutX, Scroll };
    using SectionHandler = std::function<void(SectionCommand, graph::ScrollDirection)>;
    void SetSectionHandler(SectionHandler handler) { m_sectionHandler = std::move(handler); }
    void RunSectionCommand(SectionCommand command,
                           graph::ScrollDirection direction = graph::ScrollDirection::Left);

    CGraphPanel* Panel() const { return m_panel; }
    FHRuler* HRuler() const { return m_hRuler; }
    FVRuler* VRuler() const { return m_vRuler; }

    // `legend` is empty while the legend fits into a corner of the plot where it covers no
    // data; otherwise (a small picture, curves in every corner) it gets a band of its own
    // below the rulers, so it never covers the curves.
    struct Layout {
        QRect title, plot, hRuler, vRuler, legend;
        int legendColumns = 1;
        QSizeF legendBox;      // the box inside the plot; empty without a legend
        double legendPad = 0;  // kept free around the box
        QSize fullPlot;        // the plot without a band
    };
    Layout ComputeLayout(const QRect& rect, QPaintDevice* device) const;

signals:
    void ReadOutChanged(const QString& text);
    void ModesChanged();
    // The user changed curves or texts through the window (a dialog, a placed or edited
    // text): the document holding them has something new to save.
    void EditedByUser();

protected:
    void Notify(const graph::GraphNotification& n) override;
    void resizeEvent(QResizeEvent*) override;
    void paintEvent(QPaintEvent*) override;

private:
    friend class CGraphPanel;
    void SyncRulers();
    // Places panel and rulers anew when the legend changed its place or size.
    void Relayout();
    // Changes with the legend's entries.
    std::size_t LegendKey() const;
    void DrawTitle(QPainter& p, const QRect& r);
    // Sizes of the legend of the visible curves on a device.
    struct LegendMetrics {
        QFont font;
        double line = 0, sample = 0, pad = 0, textWidth = 0;
        int entries = 0;
        double EntryWidth() const { return textWidth + sample + 3 * pad; }
    };
    LegendMetrics Legend(const QPaintDevice* device) const;
    // Whether the legend box of `l` may stand inside its plot now: small enough, and a corner
    // free of data.
    bool LegendInside(const Layout& l) const;
    // The layout follows when data or section moved the legend in or out of the plot.
    void CheckLegendPlace();
    // The legend inside the plot, in a corner that covers no data (top right first), or when
    // `band` holds it below the rulers.
    void DrawLegendInside(QPainter& p, const QRect& rect) const;
    void DrawLegendBand(QPainter& p, const QRect& band, int columns) const;
    void DrawLegendEntries(QPainter& p, const LegendMetrics& m, const QRectF& area, int columns) const;

    CGraphPanel* m_panel;
    FHRuler* m_hRuler;
    FVRuler* m_vRuler;
    unsigned m_frameFlags = 0;
    int m_lang = 0;
    QString m_title;
    bool m_zoomMode = false, m_textMode = false, m_editMode = false, m_rangeMode = false;
    XSelection m_selection;
    Layout m_layout;
    std::size_t m_legendKey = 0;
    mutable graph::Corner m_legendCorner = graph::Corner::TopRight;  // kept while it stays free
    SectionHandler m_sectionHandler;
};

}  // namespace qor::ui
