#pragma once

#include "graph/graph_model.h"

#include <array>
#include <string>

namespace qor::graph {

// The rules of the curve selection dialog: one box per curve slot (three columns of 18);
// only boxes of existing curves can be changed.
class GraphSelection {
public:
    static constexpr int kBoxes = 54;
    static constexpr int kRows = 18;

    struct Box {
        bool exists = false;
        bool checked = false;
        std::string name;
        Rgb colour = 0;
    };

    // Existing curves are checked when visible; other boxes read `missingText`.
    void Load(const GraphModel& model, const std::string& missingText);
    void SelectAll();
    void SelectNone();
    // False for a box without a curve.
    bool SetChecked(int box, bool checked);
    // The check states become the curves' visible flags.
    void Apply(GraphModel& model) const;

    const Box& At(int box) const { return m_boxes[static_cast<std::size_t>(box)]; }
    static int Column(int box) { return box / kRows; }
    static int Row(int box) { return box % kRows; }

private:
    std::array<Box, kBoxes> m_boxes{};
};

}  // namespace qor::graph
