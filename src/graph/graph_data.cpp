#include "graph/graph_data.h"

#include "common/text.h"

namespace qor::graph {

std::string CGraphData::ToString() const
{
    return Format("%.4g", x) + ", " + Format("%.4g", y);
}

}  // namespace qor::graph
