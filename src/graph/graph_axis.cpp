#include "graph/graph_axis.h"

#include "common/text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace qor::graph {

namespace {
// A '%' in a name or unit would otherwise become a conversion in the built format.
std::string EscapePercent(const std::string& s)
{
    std::string out;
    for (char c : s) {
        out += c;
        if (c == '%')
            out += '%';
    }
    return out;
}

// The built formats hold exactly one double conversion; they are applied through snprintf
// with that one argument.
std::string Apply(const std::string& fmt, double v)
{
    char buf[512];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    std::snprintf(buf, sizeof buf, fmt.c_str(), v);
#pragma GCC diagnostic pop
    return buf;
}
}  // namespace

void GraphAxis::Set(const std::string& name, const std::string& unit, int decimals)
{
    m_name = name;
    m_unit = unit;
    m_decimals = std::clamp(decimals, 0, 10);
    const std::string u = EscapePercent(unit);
    m_fmtNumber = Format("%%0.%df", m_decimals);
    m_fmtUnit = Format("%%0.%df %s", m_decimals, u.c_str());
}

std::string GraphAxis::FormatNumber(double v) const
{
    return std::isnan(v) ? std::string(kNoValue) : Apply(m_fmtNumber, v);
}
std::string GraphAxis::FormatWithUnit(double v) const
{
    return Apply(m_fmtUnit, v);
}

std::string GraphAxis::Title() const
{
    if (m_unit.empty())
        return m_name;
    return m_name + " [" + m_unit + "]";
}

}  // namespace qor::graph
