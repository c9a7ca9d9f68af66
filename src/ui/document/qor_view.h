#pragma once

#include "data/document_curves.h"
#include "data/string_daten_object.h"
#include "graph/graph_model.h"

#include <QWidget>
#include <memory>
#include <vector>

namespace qor::data {
class CQORDoc;
class CGraphPropObject;
}  // namespace qor::data
namespace qor::station {
struct StationConfig;
}

namespace qor::ui {

class CGraphWnd;

// How the graph pane draws, from the display settings of the configuration.
struct GraphDisplay {
    int decimals = 2;             // PREC: places of the Y axis and its read-out
    bool markers = false;         // POINT: every sample marked on its curve
    bool pointerReadOut = false;  // MOUSE: the read-out also beside the mouse pointer
    bool grid = true;             // AXIS: grid lines at the rulers' ticks

    static GraphDisplay FromConfig(const station::StationConfig& config);
};

// The graph pane: the document's curves over the sample number, drawn by the graph engine with
// time-of-day labels. The document's notifications reach it through the main window.
// The visible section is the user's: new samples never move it, except that automatic
// scrolling keeps the newest sample in sight.
class CQORView : public QWidget {
    Q_OBJECT
public:
    // `live`: the station's module records, so that the curves of modules being measured read
    // as their meters do (DocumentModules); none for a stored file alone.
    CQORView(data::CQORDoc& doc, int lang, const GraphDisplay& display = {},
             const data::ModuleRecords* live = nullptr, QWidget* parent = nullptr);
    void SetLanguage(int lang);

    void SetAutoScroll(bool on);
    bool AutoScroll() const { return m_autoScroll; }

    // The section commands of the graph's context menu. They never move the section's start
    // left of sample 0, where nothing can be drawn; only a zoom rectangle may reach there.
    void ZoomPage();
    // Zooms in by 2 until the X span is 2 samples or less.
    void Enlarge();
    void Reduce(bool xOnly = false);
    void ScrollSection(graph::ScrollDirection direction);

    // Samples were appended: they are drawn.
    void OnSamplesAdded();
    // The graph setup changed: every curve is rebuilt.
    void OnSetupChanged();
    // A file was read: its labels become the graph's texts and the curves are rebuilt.
    void OnFileRead(const std::vector<data::CStringDatenObject>& labels);
    // The file was closed: curves and texts go.
    void OnClear();
    // Before a save: the curves' colours, visibility and names and the graph texts.
    void SaveGraphState(data::CGraphPropObject& props, std::vector<data::CStringDatenObject>& labels) const;

    CGraphWnd* Graph() const { return m_graph; }
    const data::DocumentCurves& Curves() const { return *m_curves; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // `newSection`: X stays while curves were shown (else 0..500), Y becomes the setup's range.
    void Rebuild(bool keepProps, bool newSection);
    void RemoveCurves();
    void FollowNewest();
    // The section commands' X start stays at `lowest` or right of it, keeping the width.
    void SetSection(double xFrom, double xTo, double yFrom, double yTo, double lowest);
    // 0, or the start a zoom rectangle left below 0.
    double LowestXFrom() const;

    data::CQORDoc& m_doc;
    const data::ModuleRecords* m_live;
    int m_lang;
    CGraphWnd* m_graph;
    std::unique_ptr<data::DocumentCurves> m_curves;
    std::vector<int> m_ids;                          // graph index per document curve
    data::CurveLooks m_looks;                        // of every curve shown since the file was read
    std::vector<data::CStringDatenObject> m_placed;  // the labels the texts came from
    std::size_t m_fed = 0;
    bool m_autoScroll = false;
};

}  // namespace qor::ui
