#pragma once

#include <string>

namespace qor::graph {

// The description of a plot kind with its titles.
class CGraph {
public:
    static constexpr int kKindCount = 12;
    static constexpr int kMaxSubKind = 3;
    static constexpr const char* kDefaultTitle = "Graph Title goes here";
    static constexpr const char* kDefaultXLegend = "X Axis Legend Text here";
    static constexpr const char* kDefaultYLegend = "Y Axis Legend text  here";
    static constexpr const char* kDefaultFunction = "Function Name (or extra text)";

    // The function text of a kind; empty for kinds without one.
    static const char* FunctionText(int kind);
    // Kinds 6..8 compare two data sets and need the second one.
    static bool NeedsSecondSet(int kind) { return kind >= 6 && kind <= 8; }

    // Sets the kind; false (nothing changed) for a kind out of range, a sub-kind above 3,
    // or a comparing kind without a second data set.
    bool SetKind(int kind, int subKind, bool hasSecondSet);
    int Kind() const { return m_kind; }
    int SubKind() const { return m_subKind; }

    std::string m_title = kDefaultTitle;
    std::string m_xLegend = kDefaultXLegend;
    std::string m_yLegend = kDefaultYLegend;
    std::string m_function = kDefaultFunction;

private:
    int m_kind = 6;
    int m_subKind = 0;
};

}  // namespace qor::graph
