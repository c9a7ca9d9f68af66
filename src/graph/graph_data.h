#pragma once

#include <string>

namespace qor::graph {

// One value pair with its printable form.
struct CGraphData {
    double x = 0.0;
    double y = 0.0;
    // "%.4g" of each value, "x, y".
    std::string ToString() const;
};

}  // namespace qor::graph
