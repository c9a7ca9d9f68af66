#pragma once

#include "graph/graph_selection.h"

#include <QDialog>
#include <array>

class QCheckBox;

namespace qor::ui {

// "Graphauswahl": one check box per curve slot in three columns of 18. The owner applies
// the result (Selection().Apply) to the curves.
class CGraphSelect : public QDialog {
    Q_OBJECT
public:
    CGraphSelect(const graph::GraphModel& model, int lang, QWidget* parent = nullptr);
    // The check states as they stand (read back from the boxes).
    const graph::GraphSelection& Selection();
    QCheckBox* Box(int i) const { return m_boxes[static_cast<std::size_t>(i)]; }
    void SelectAll();
    void SelectNone();

private:
    void Refresh();
    graph::GraphSelection m_sel;
    std::array<QCheckBox*, graph::GraphSelection::kBoxes> m_boxes{};
};

}  // namespace qor::ui
