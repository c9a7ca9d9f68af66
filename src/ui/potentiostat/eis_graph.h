#pragma once

#include "potentiostat/eis_graph_model.h"
#include "potentiostat/eis_view_model.h"
#include "ui/potentiostat/pot_graph_window.h"

#include <QImage>
#include <array>
#include <vector>

class QComboBox;

namespace qor::ui {

// The impedance window ("EIS Messung"): a Bode plot of the document's impedance list, the
// phase above and |Z| below, or as the third view a Nyquist plot (−Z″ over Z′, an ohm as
// long on both axes). "Fit" draws an equivalent circuit fitted to the points over them in
// every view and reports it; "KK" marks the points the Kramers–Kronig check flags.
class CEISGraph : public PotGraphWindow {
    Q_OBJECT
public:
    // The graph index of the Nyquist view, after the two Bode graphs.
    static constexpr int Nyquist = potentiostat::EISGraphModel::GraphCount;
    // The curves of each graph: the measured points (pure red), the model, the flagged points.
    enum Curve { Measured, Model, Flagged };

    CEISGraph(const std::vector<data::CEISDatenObject>& points, Clock& clock, data::DocumentUi& ui, int lang,
              QWidget* parent = nullptr);

    // Every curve anew from the whole list; a fit or check of another list is dropped.
    void Rebuild();
    // The list's last point was just appended; it outdates a fit and a check.
    void AddPoint();

    // The Nyquist view instead of the Bode plot, or back.
    void ShowNyquist(bool on);
    bool NyquistShown() const { return m_nyquist; }
    QPushButton* ViewButton() const { return m_viewButton; }
    QComboBox* CircuitChoice() const { return m_circuit; }
    QPushButton* FitButton() const { return m_fitButton; }
    QPushButton* KKButton() const { return m_kkButton; }

    // Fits the chosen circuit and draws the model ("Fit" then shows the report).
    potentiostat::CircuitFit RunFit();
    // Checks the points and marks the flagged ones ("KK" then shows the report).
    potentiostat::KKCheck RunKK();
    // The shown view in a picture of `size`: the Bode graphs one above the other, or the
    // Nyquist view with its own equal scales for the picture's plot.
    QImage RenderView(const QSize& size);

protected:
    std::string ExportText(bool comma) const override;
    std::string HoverText(int graph, double x, double y) const override;
    void PlaceGraphs(const QRect& area) override;
    void RenderGraph(int graph, QPainter& painter, const QRect& rect) override;

private:
    void SetSections();
    // The Nyquist section for a plot of the graph's size.
    void SetNyquistSection(const QSize& graphSize, QPaintDevice* device);
    void AppendPoint(const data::CEISDatenObject& p);
    void ClearAnalyses();
    std::vector<std::array<float, 3>> Snapshot() const;
    void ShowReport(const std::string& text);

    const std::vector<data::CEISDatenObject>& m_points;
    bool m_nyquist = false;
    // The points the shown fit and check were made from.
    std::vector<std::array<float, 3>> m_analysed;
    QPushButton* m_viewButton;
    QComboBox* m_circuit;
    QPushButton* m_fitButton;
    QPushButton* m_kkButton;
};

}  // namespace qor::ui
