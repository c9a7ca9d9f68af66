#include "potentiostat/eis_graph_model.h"

#include "common/codec.h"
#include "potentiostat/eis_spectra.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <numbers>

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

std::string ShortestDecimal(float v, bool fixed)
{
    char buf[64];
    const auto r = fixed ? std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed)
                         : std::to_chars(buf, buf + sizeof buf, v);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string();
}

std::string EisExportText(const std::vector<data::CEISDatenObject>& list, bool comma)
{
    std::string out = "step\ttype\tfrequency[Hz]\tphase[°]\t|Z|\r\n";
    char buf[200];
    for (const auto& p : list) {
        // Two decimals would turn 1 mHz into 0.00 Hz and a small |Z| into a rounded one.
        std::snprintf(buf, sizeof buf, "%i\t%i\t%s\t%.1f\t%s\t", int{p.m_flag1}, int{p.m_flag2},
                      ShortestDecimal(p.m_val1, true).c_str(), double{p.m_val2},
                      ShortestDecimal(p.m_val3, true).c_str());
        std::string line = buf;
        if (comma)
            std::replace(line.begin(), line.end(), '.', ',');
        out += line + "\r\n";
    }
    return Utf8ToCp1252(out);
}

std::string EisCsvText(const std::vector<data::CEISDatenObject>& list, bool spectrumColumn)
{
    std::string out = spectrumColumn ? "spectrum," : "";
    out += "frequency[Hz],Z'[Ohm],Z''[Ohm],|Z|[Ohm],phase[deg]\r\n";
    const std::vector<SpectrumRange> spectra = Spectra(list);
    for (std::size_t s = 0; s < spectra.size(); ++s)
        for (std::size_t i = spectra[s].first; i < spectra[s].end(); ++i) {
            const data::CEISDatenObject& p = list[i];
            const double rad = double{p.m_val2} * std::numbers::pi / 180.0;
            const auto re = static_cast<float>(double{p.m_val3} * std::cos(rad));
            const auto im = static_cast<float>(double{p.m_val3} * std::sin(rad));
            if (spectrumColumn)
                out += std::to_string(s + 1) + ",";
            out += ShortestDecimal(p.m_val1, false) + "," + ShortestDecimal(re, false) + "," +
                   ShortestDecimal(im, false) + "," + ShortestDecimal(p.m_val3, false) + "," +
                   ShortestDecimal(p.m_val2, false) + "\r\n";
        }
    return out;
}

}  // namespace qor::potentiostat
