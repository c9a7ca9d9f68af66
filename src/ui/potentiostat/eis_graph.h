#pragma once

#include "potentiostat/eis_graph_model.h"
#include "ui/potentiostat/pot_graph_window.h"

#include <vector>

namespace qor::ui {

// The impedance window ("EIS Messung"): a Bode plot of the document's impedance list, the
// phase above and |Z| below.
class CEISGraph : public PotGraphWindow {
    Q_OBJECT
public:
    CEISGraph(const std::vector<data::CEISDatenObject>& points, Clock& clock, data::DocumentUi& ui, int lang,
              QWidget* parent = nullptr);

    // Both curves anew from the whole list.
    void Rebuild();
    // The list's last point was just appended.
    void AddPoint();

protected:
    std::string ExportText(bool comma) const override;
    std::string HoverText(int graph, double x, double y) const override;
    void PlaceGraphs(const QRect& area) override;

private:
    void SetSections();

    const std::vector<data::CEISDatenObject>& m_points;
};

}  // namespace qor::ui
