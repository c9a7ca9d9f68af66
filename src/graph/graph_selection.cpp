#include "graph/graph_selection.h"

namespace qor::graph {

void GraphSelection::Load(const GraphModel& model, const std::string& missingText)
{
    for (int i = 0; i < kBoxes; ++i) {
        Box& b = m_boxes[static_cast<std::size_t>(i)];
        const CGraphProps* g = model.GetGraph(i);
        if (g)
            b = {true, g->m_visible, g->m_name, g->m_colour};
        else
            b = {false, false, missingText, 0};
    }
}

void GraphSelection::SelectAll()
{
    for (Box& b : m_boxes)
        if (b.exists)
            b.checked = true;
}

void GraphSelection::SelectNone()
{
    for (Box& b : m_boxes)
        if (b.exists)
            b.checked = false;
}

bool GraphSelection::SetChecked(int box, bool checked)
{
    if (box < 0 || box >= kBoxes || !m_boxes[static_cast<std::size_t>(box)].exists)
        return false;
    m_boxes[static_cast<std::size_t>(box)].checked = checked;
    return true;
}

void GraphSelection::Apply(GraphModel& model) const
{
    for (int i = 0; i < kBoxes; ++i)
        if (CGraphProps* g = model.GetGraph(i); g && m_boxes[static_cast<std::size_t>(i)].exists)
            g->m_visible = m_boxes[static_cast<std::size_t>(i)].checked;
    model.SetStyle(model.GetStyle(), true);
}

}  // namespace qor::graph
