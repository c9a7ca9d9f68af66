#pragma once

#include "potentiostat/xy_graph_model.h"
#include "ui/potentiostat/pot_graph_window.h"

#include <vector>

namespace qor::ui {

// The potentiostat run window ("POT XY"): current and potential over time and potential
// against current, live while a program runs. It reads the document's sample list.
class CXYGraph : public PotGraphWindow {
    Q_OBJECT
public:
    CXYGraph(const std::vector<data::CPotQORDatenObject>& samples, Clock& clock, data::DocumentUi& ui,
             int lang, QWidget* parent = nullptr);

    // The curves anew from the whole list.
    void Rebuild();
    // The list's last sample was just appended.
    void AddSample();
    // The hidden "Löschen": empties the curves and the running extremes.
    void ClearCurves();
    QPushButton* ClearButton() const { return m_clear; }
    const potentiostat::XYGraphModel& Model() const { return m_model; }

protected:
    std::string ExportText(bool comma) const override;
    std::string HoverText(int graph, double x, double y) const override;
    void PlaceGraphs(const QRect& area) override;

private:
    const std::vector<data::CPotQORDatenObject>& m_samples;
    potentiostat::XYGraphModel m_model;
    QPushButton* m_clear;
};

}  // namespace qor::ui
