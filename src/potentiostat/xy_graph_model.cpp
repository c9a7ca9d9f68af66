#include "potentiostat/xy_graph_model.h"

#include "common/codec.h"
#include "data/local_time.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

namespace qor::potentiostat {

namespace {

// The current word counts in steps of these many units of the range's unit; ranges 0-1
// count nA, 2-4 µA and 5-7 mA, brought to µA by the second factor.
constexpr std::array<double, 8> kCurrentDivisor{100, 10, 1000, 100, 10, 1000, 100, 10};
constexpr std::array<double, 8> kToMicroAmp{0.001, 0.001, 1, 1, 1, 1000, 1000, 1000};

std::string Format(const char* fmt, double a, double b)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, fmt, a, b);
    return buf;
}

}  // namespace

PotValues ConvertSample(const data::CPotQORDatenObject& s)
{
    const int r = s.m_range & 7;
    PotValues v;
    v.current = s.m_raw[0] / kCurrentDivisor[r] * kToMicroAmp[r];
    v.potential = (s.m_range & 8) ? static_cast<double>(s.m_raw[1]) : s.m_raw[1] / 10.0;
    v.target = s.m_raw[2] / 10.0;
    return v;
}

int CurrentDecimals(std::uint8_t range)
{
    constexpr std::array<int, 8> kDecimals{5, 4, 3, 2, 1, 0, 0, 0};
    return kDecimals[range & 7];
}

bool CurrentOverload(std::uint8_t range, double currentUa)
{
    // Back to steps of the word (1e-5 µA in range 0, ten times more per range); half a
    // step below the end, as the conversion to µA is not exact in binary.
    return std::fabs(currentUa) * 1e5 / std::pow(10.0, range & 7) >= 32766.5;
}

std::vector<std::pair<std::size_t, std::size_t>> SplitRuns(const std::vector<data::CPotQORDatenObject>& list)
{
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const bool back =
            i > 0 && static_cast<std::uint32_t>(list[i].m_counter - list[i - 1].m_counter) >= 0x80000000u;
        if (i == 0 || back)
            runs.emplace_back(i, i);
        runs.back().second = i + 1;
    }
    return runs;
}

std::vector<data::CPotQORDatenObject> RunSamples(const std::vector<data::CPotQORDatenObject>& list, long n)
{
    const auto runs = SplitRuns(list);
    const long count = static_cast<long>(runs.size());
    if (n < 0)
        n += count;
    if (n < 0 || n >= count)
        return {};
    const auto& [begin, end] = runs[static_cast<std::size_t>(n)];
    return {list.begin() + static_cast<long>(begin), list.begin() + static_cast<long>(end)};
}

double SampleTime(std::uint32_t counter, std::uint32_t origin)
{
    return static_cast<std::uint32_t>(counter - origin) / 1000.0;
}

double TimeLimit(double lastTime)
{
    return 1.0 + std::floor(std::floor(12.0 * lastTime) / 10.0);
}

void XYGraphModel::Clear()
{
    m_minI = m_maxI = m_minU = m_maxU = 0.0;
    // The last counter stays, so that a run started after Clear is still seen as new.
    m_run = 0;
    m_longest = 0.0;
}

std::uint32_t XYGraphModel::RunColour(int run)
{
    // Red first, as the window always drew; then colours that stay apart on white.
    constexpr std::array<std::uint32_t, 6> kColours{0xFF0000, 0x0000FF, 0x008000,
                                                    0xFF00FF, 0x008080, 0xFF8000};
    return kColours[static_cast<std::size_t>(run) % kColours.size()];
}

std::string XYGraphModel::RunName(int run, int lang)
{
    return (lang == 1 ? "Run " : "Lauf ") + std::to_string(run + 1);
}

double XYGraphModel::Convert(const data::CPotQORDatenObject& s, std::array<Point, GraphCount>& pts)
{
    const PotValues v = ConvertSample(s);
    // A counter that goes back starts a new run: a curve of its own from time 0.
    if (m_started && static_cast<std::uint32_t>(s.m_counter - m_lastCounter) >= 0x80000000u) {
        ++m_run;
        m_origin = s.m_counter;
    }
    m_started = true;
    m_lastCounter = s.m_counter;
    const double t = SampleTime(s.m_counter, m_origin);
    m_longest = std::max(m_longest, t);
    m_minI = std::min(m_minI, v.current);
    m_maxI = std::max(m_maxI, v.current);
    m_minU = std::min(m_minU, v.potential);
    m_maxU = std::max(m_maxU, v.potential);
    pts[CurrentTime] = {t, v.current, m_run};
    pts[PotentialTime] = {t, v.potential, m_run};
    pts[PotentialCurrent] = {v.current, v.potential, m_run};
    return t;
}

AxisRange XYGraphModel::Section(Graph g, double lastTime) const
{
    lastTime = std::max(lastTime, m_longest);
    switch (g) {
    case CurrentTime:
        return {0.0, TimeLimit(lastTime), m_minI, m_maxI};
    case PotentialTime:
        return {0.0, TimeLimit(lastTime), m_minU, m_maxU};
    default:
        return {m_minI, m_maxI, m_minU, m_maxU};
    }
}

XYGraphModel::Step XYGraphModel::Add(const data::CPotQORDatenObject& s, std::size_t listSize,
                                     const std::array<AxisRange, GraphCount>& shown)
{
    if (listSize < 2) {
        m_origin = s.m_counter;
        m_started = false;
        m_run = 0;
        m_longest = 0.0;
    }
    Step step;
    Convert(s, step.points);
    const auto outside = [](double v, double from, double to) { return v < from || v > to; };
    for (int g = 0; g < GraphCount; ++g) {
        const AxisRange& r = shown[static_cast<std::size_t>(g)];
        const Point& p = step.points[static_cast<std::size_t>(g)];
        // The time graphs grow on time beyond X; every graph when a value leaves its Y span,
        // the U/I graph also when the current leaves its X span.
        const bool xOut = g == PotentialCurrent ? outside(p.x, r.xFrom, r.xTo) : p.x > r.xTo;
        step.grown[static_cast<std::size_t>(g)] = xOut || outside(p.y, r.yFrom, r.yTo);
    }
    return step;
}

XYGraphModel::Rebuilt XYGraphModel::Rebuild(const std::vector<data::CPotQORDatenObject>& list)
{
    Rebuilt out;
    for (auto& v : out.points)
        v.reserve(list.size());
    out.ranges = Rebuild(
        list, [&out](Graph g, const Point& p) { out.points[static_cast<std::size_t>(g)].push_back(p); });
    return out;
}

std::array<AxisRange, XYGraphModel::GraphCount>
XYGraphModel::Rebuild(const std::vector<data::CPotQORDatenObject>& list,
                      const std::function<void(Graph, const Point&)>& add)
{
    Clear();
    m_started = false;
    m_origin = list.empty() ? 0 : list.front().m_counter;
    double last = 0.0;
    std::array<Point, GraphCount> pts{};
    for (const auto& s : list) {
        last = Convert(s, pts);
        for (int g = 0; g < GraphCount; ++g)
            add(static_cast<Graph>(g), pts[static_cast<std::size_t>(g)]);
    }
    std::array<AxisRange, GraphCount> ranges{};
    for (int g = 0; g < GraphCount; ++g)
        ranges[static_cast<std::size_t>(g)] = Section(static_cast<Graph>(g), last);
    return ranges;
}

const char* XYGraphModel::Title(Graph g)
{
    static constexpr std::array<const char*, GraphCount> kTitles{"I - Time", "U - Time", "U/I"};
    return kTitles[g];
}

const char* XYGraphModel::XLegend(Graph g, int lang)
{
    return g == PotentialCurrent ? "µA" : lang == 1 ? "Time sec" : "Time Sek";
}

const char* XYGraphModel::YLegend(Graph g)
{
    return g == CurrentTime ? "µA" : "mV";
}

std::string XYGraphModel::HoverText(Graph g, double x, double y)
{
    switch (g) {
    case CurrentTime:
        return Format("%.2fSec  %.2fµA", x, y);
    case PotentialTime:
        return Format("%.2fSec  %.2fmV", x, y);
    default:
        return Format("%.2fµA  %.2fmV", x, y);
    }
}

std::string RunExportText(const std::vector<data::CPotQORDatenObject>& list, bool comma)
{
    std::string out = "step\ttype\tcurrent[µA]\tvoltage[mV]\ttarget\r\n";
    char buf[160];
    for (const auto& s : list) {
        const PotValues v = ConvertSample(s);
        std::snprintf(buf, sizeof buf, "%i\t%i\t%.*f\t%.2f\t%.2f\t", int{s.m_status}, int{s.m_range},
                      std::max(2, CurrentDecimals(s.m_range)), v.current, v.potential, v.target);
        std::string line = buf;
        if (comma)
            std::replace(line.begin(), line.end(), '.', ',');
        out += line + "\r\n";
    }
    return Utf8ToCp1252(out);
}

std::string DatedPrintHeader(const char* name, std::int64_t now)
{
    const data::LocalTm t = data::ToLocal(now);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%s %02u.%02u.%u %02u:%02u", name, static_cast<unsigned>(t.day),
                  static_cast<unsigned>(t.month), static_cast<unsigned>(t.year),
                  static_cast<unsigned>(t.hour), static_cast<unsigned>(t.minute));
    return buf;
}

std::string PlotPrintHeader(std::int64_t now)
{
    return DatedPrintHeader("QOremote_Plot", now);
}

bool WriteExportFile(const std::string& path, const std::string& bytes)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f)
        return false;
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f.flush());
}

}  // namespace qor::potentiostat
