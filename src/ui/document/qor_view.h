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

namespace qor::ui {

class CGraphWnd;

// The graph pane: the document's curves over the sample number, drawn by the graph engine with
// time-of-day labels. The document's notifications reach it through the main window.
// The visible section is the user's: new samples never move it, except that automatic
// scrolling keeps the newest sample in sight.
class CQORView : public QWidget {
    Q_OBJECT
public:
    // `decimals`: the places of the Y read-out.
    CQORView(data::CQORDoc& doc, int lang, int decimals = 2, QWidget* parent = nullptr);
    void SetLanguage(int lang);

    void SetAutoScroll(bool on);
    bool AutoScroll() const { return m_autoScroll; }

    // The section commands of the graph's context menu. The section never starts left of
    // sample 0, where nothing can be drawn.
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
    std::size_t SamplesShown() const { return m_fed; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // `newSection`: X stays while curves were shown (else 0..500), Y becomes the setup's range.
    void Rebuild(bool keepProps, bool newSection);
    void RemoveCurves();
    void FollowNewest();
    void SetSection(double xFrom, double xTo, double yFrom, double yTo);

    data::CQORDoc& m_doc;
    int m_lang;
    CGraphWnd* m_graph;
    std::unique_ptr<data::DocumentCurves> m_curves;
    std::vector<int> m_ids;                          // graph index per document curve
    std::vector<data::CStringDatenObject> m_placed;  // the labels the texts came from
    std::size_t m_fed = 0;
    bool m_autoScroll = false;
};

}  // namespace qor::ui
