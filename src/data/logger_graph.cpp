#include "data/logger_graph.h"

#include "common/codec.h"
#include "common/text.h"
#include "data/local_time.h"
#include "graph/read_out.h"

#include <algorithm>
#include <filesystem>
#include <limits>

namespace qor::data {

namespace {
constexpr unsigned kOptionBits[3] = {graph::kStyleLegend, graph::kStyleGrid, graph::kStyleMarkers};
}  // namespace

GraphDLModel::GraphDLModel()
{
    m_curve.fill(-1);
    m_range = {-500.0, 500.0, -500.0, 500.0};
}

void GraphDLModel::Prepare(graph::GraphModel& g) const
{
    g.SetAxisTitle("X-Axis", "", 0, graph::kAxisX, false);
    g.SetAxisTitle("Y-Axis", "", 2, graph::kAxisY, false);
    g.SetRange(-500.0, 500.0, -500.0, 500.0, false);
    // The grid is the second option's (on by default), so that switching it off lasts.
    unsigned style = 0;
    for (int i = 2; i >= 0; --i)
        if (m_option[static_cast<std::size_t>(i)])
            style |= kOptionBits[i];
    g.SetStyle(style, false);
}

unsigned GraphDLModel::FrameFlags()
{
    return graph::kFrameAbsoluteTime;
}

void GraphDLModel::Fill(graph::GraphModel& g, const LoggerFile& file, const std::string& path)
{
    m_path = path;
    const int columns = std::min(file.Columns(), kColumns);
    for (int k = 0; k < columns; ++k) {
        const auto c = static_cast<std::size_t>(k);
        // Tags are single bytes of the logger's code page.
        const std::string given = Cp1252ToUtf8(LoggerColumnName(k, file.ColumnTag(k), m_lang));
        // A name the user gave this column last time stays while the file names it alike.
        const std::string& name = (given == m_givenName[c] && !m_name[c].empty()) ? m_name[c] : given;
        m_givenName[c] = given;
        m_curve[c] = g.AddGraph(LoggerColumnColour(k), name);
    }
    const double gap = std::numeric_limits<double>::quiet_NaN();
    const std::vector<LoggerSample>& samples = file.Samples();
    const std::vector<LoggerField>& fields = file.AllFields();
    for (int k = 0; k < columns; ++k) {
        const int curve = m_curve[static_cast<std::size_t>(k)];
        for (std::size_t s = 0; s < samples.size(); ++s) {
            const LoggerSample& sample = samples[s];
            const double y =
                static_cast<std::uint32_t>(k) < sample.count ? fields[sample.first + k].value : gap;
            g.AddPoint(curve, sample.time, static_cast<double>(s), y, false);
        }
    }
    if (m_rangeKept && path == m_closedPath)
        g.SetRange(m_range.xFrom, m_range.xTo, m_range.yFrom, m_range.yTo, false);
    else
        g.Fit(false);
}

void GraphDLModel::Close(graph::GraphModel& g)
{
    m_range = g.Range();
    m_rangeKept = true;
    m_closedPath = m_path;
    const unsigned style = g.GetStyle();
    for (int i = 0; i < 3; ++i)
        m_option[static_cast<std::size_t>(i)] = (style & kOptionBits[i]) ? 1 : 0;
    for (std::size_t c = 0; c < kColumns; ++c) {
        if (m_curve[c] < 0)
            continue;
        if (const graph::CGraphProps* p = g.GetGraph(m_curve[c]))
            m_name[c] = p->m_name;
        g.RemoveGraph(m_curve[c], false);
        m_curve[c] = -1;
    }
}

std::string GraphDLModel::Title(const std::string& path) const
{
    std::string t = m_lang == 1 ? "Data logger graphic" : "Datenlogger Grafik";
    if (!path.empty())
        t += " - " + std::filesystem::path(path).filename().string();
    return t;
}

std::string GraphDLModel::PrintTitle(std::int64_t now)
{
    const LocalTm t = ToLocal(now);
    return Format("QORremote-Plot %02u.%02u.%u %02u:%02u", static_cast<unsigned>(t.day),
                  static_cast<unsigned>(t.month), static_cast<unsigned>(t.year),
                  static_cast<unsigned>(t.hour), static_cast<unsigned>(t.minute));
}

}  // namespace qor::data
