#include "potentiostat/eis_graph_model.h"

#include "common/codec.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace qor::potentiostat {

AxisRange EISGraphModel::Section(Graph g, const std::vector<data::CEISDatenObject>& list)
{
    AxisRange r;
    if (!list.empty()) {
        const auto [fMin, fMax] = std::minmax_element(
            list.begin(), list.end(), [](const auto& a, const auto& b) { return a.m_val1 < b.m_val1; });
        const auto [zMin, zMax] = std::minmax_element(
            list.begin(), list.end(), [](const auto& a, const auto& b) { return a.m_val3 < b.m_val3; });
        r = {fMin->m_val1, fMax->m_val1 * 10.0, zMin->m_val3, zMax->m_val3};
    }
    if (g == Phase) {
        r.yFrom = -180.0;
        r.yTo = 180.0;
    }
    return r;
}

const char* EISGraphModel::Title(Graph g)
{
    return g == Phase ? "Phase" : "Amp";
}

const char* EISGraphModel::XLegend(Graph)
{
    return "Hz";
}

const char* EISGraphModel::YLegend(Graph g)
{
    return g == Phase ? "o" : "|Z|";
}

std::string EISGraphModel::HoverText(Graph g, double x, double y)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, g == Phase ? "%.2fHz  %.2f°" : "%.2fHz  |Z|=%.2f", x, y);
    return buf;
}

std::string EisExportText(const std::vector<data::CEISDatenObject>& list, bool comma)
{
    std::string out = "step\ttype\tfrequency[Hz]\tphase[°]\t|Z|\r\n";
    char buf[200];
    for (const auto& p : list) {
        std::snprintf(buf, sizeof buf, "%i\t%i\t%.2f\t%.1f\t%.2f\t", int{p.m_flag1}, int{p.m_flag2},
                      double{p.m_val1}, double{p.m_val2}, double{p.m_val3});
        std::string line = buf;
        if (comma)
            std::replace(line.begin(), line.end(), '.', ',');
        out += line + "\r\n";
    }
    return Utf8ToCp1252(out);
}

}  // namespace qor::potentiostat
