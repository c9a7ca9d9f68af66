#include "graph/graph.h"

namespace qor::graph {

const char* CGraph::FunctionText(int kind)
{
    switch (kind) {
    case 6:
        return "Plotting x,y";
    case 7:
        return "Deviation percent";
    case 8:
        return "Deviation absolute";
    case 10:
        return "Histogram (%)";
    case 11:
        return "Histogram (absolute)";
    default:
        return "";
    }
}

bool CGraph::SetKind(int kind, int subKind, bool hasSecondSet)
{
    if (kind < 0 || kind >= kKindCount || subKind < 0 || subKind > kMaxSubKind)
        return false;
    if (NeedsSecondSet(kind) && !hasSecondSet)
        return false;
    m_kind = kind;
    m_subKind = subKind;
    const char* f = FunctionText(kind);
    if (*f)
        m_function = f;
    return true;
}

}  // namespace qor::graph
