#pragma once

#include "data/pot_qor_daten_object.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace qor::potentiostat {

// A potentiostat sample in physical units: current in µA (whatever the range), potential
// and set value in mV.
struct PotValues {
    double current = 0.0;
    double potential = 0.0;
    double target = 0.0;
};
PotValues ConvertSample(const data::CPotQORDatenObject& s);
// The decimals in µA that the current word of range byte `range` resolves (one step of the
// word is 10^-decimals µA, or more in the mA ranges, which resolve whole µA).
int CurrentDecimals(std::uint8_t range);
// Whether a current (µA) measured in range byte `range` sits at the end of its word
// (32767 or −32768 steps of the range): overloaded, its true value unknown.
bool CurrentOverload(std::uint8_t range, double currentUa);

// The runs of a sample list, each as [begin, end) indices: the module's counter restarts
// with every run, so a run begins with the first sample and wherever the counter goes back
// (a counter wrapping past 2^32 goes on forward, modulo 2^32, and stays in its run).
std::vector<std::pair<std::size_t, std::size_t>> SplitRuns(const std::vector<data::CPotQORDatenObject>& list);
// The samples of run `n` (0 = the first, -1 = the last); none when there is no such run.
std::vector<data::CPotQORDatenObject> RunSamples(const std::vector<data::CPotQORDatenObject>& list,
                                                 long n = -1);

// Seconds from the origin counter to `counter`, in milliseconds counted modulo 2^32.
double SampleTime(std::uint32_t counter, std::uint32_t origin);
// Whole seconds with about 20 % headroom over the last sample time.
double TimeLimit(double lastTime);

struct AxisRange {
    double xFrom = 0.0, xTo = 0.0, yFrom = 0.0, yTo = 0.0;
    bool operator==(const AxisRange&) const = default;
};

// The run window's rules (CXYGraph): three live graphs, I-t, U-t and U over I, whose axes
// grow with the run. Each run of the list (see SplitRuns) is a curve of its own with its own
// time origin; the axes cover every run shown.
class XYGraphModel {
public:
    enum Graph { CurrentTime, PotentialTime, PotentialCurrent, GraphCount };
    struct Point {
        double x = 0.0, y = 0.0;
        int run = 0;  // 0 = the list's first run
    };
    // What one sample adds: a point per graph, and per graph the new section when the
    // point lies outside the one shown.
    struct Step {
        std::array<Point, GraphCount> points{};
        std::array<bool, GraphCount> grown{};
    };

    // Empties the curves' bookkeeping; the extremes start at 0 again.
    void Clear();
    // `listSize` is the number of samples the document holds with this one: the first of the
    // list (fewer than 2) sets the time origin, as does a counter that starts again (a new
    // run, a new curve). `shown` are the sections the graphs show now.
    Step Add(const data::CPotQORDatenObject& s, std::size_t listSize,
             const std::array<AxisRange, GraphCount>& shown);
    // Every sample of the list in order, with the sections the graphs then get.
    struct Rebuilt {
        std::array<std::vector<Point>, GraphCount> points;
        std::array<AxisRange, GraphCount> ranges{};
    };
    Rebuilt Rebuild(const std::vector<data::CPotQORDatenObject>& list);
    // The same, each point handed to `add` as it is worked out rather than kept: a long run
    // is not held twice. Returns the sections.
    std::array<AxisRange, GraphCount> Rebuild(const std::vector<data::CPotQORDatenObject>& list,
                                              const std::function<void(Graph, const Point&)>& add);

    // The sections from the running extremes and the time of the last sample (or of the
    // longest run so far, when that is longer).
    AxisRange Section(Graph g, double lastTime) const;
    // The runs seen since the last rebuild or clear (at least 1).
    int Runs() const { return m_run + 1; }
    // A run's curve: its colour (0xRRGGBB; the first run red) and its legend name.
    static std::uint32_t RunColour(int run);
    static std::string RunName(int run, int lang);
    double MaxPotential() const { return m_maxU; }

    static const char* Title(Graph g);
    // The time axis says its unit in the window's language (0 German, 1 English).
    static const char* XLegend(Graph g, int lang = 0);
    static const char* YLegend(Graph g);
    // The tool tip over a curve point at (x, y) of a graph (UTF-8).
    static std::string HoverText(Graph g, double x, double y);

private:
    // Converts, updates the extremes and fills the three points; the sample's time.
    double Convert(const data::CPotQORDatenObject& s, std::array<Point, GraphCount>& pts);

    std::uint32_t m_origin = 0;
    std::uint32_t m_lastCounter = 0;
    bool m_started = false;
    int m_run = 0;
    double m_longest = 0.0;
    double m_minI = 0.0, m_maxI = 0.0, m_minU = 0.0, m_maxU = 0.0;
};

// The samples as the run window's export writes them: a header and one tab separated line
// per sample, CR LF line ends, Windows-1252; `comma` turns every "." of a data line into ",".
// Each current keeps the decimals its range resolves, at least two.
std::string RunExportText(const std::vector<data::CPotQORDatenObject>& list, bool comma);

// The dated header of a printed page of the run or impedance window (local time).
std::string PlotPrintHeader(std::int64_t now);
// `name` and the local day and time as a printed page's header shows them: "%s DD.MM.YYYY hh:mm".
std::string DatedPrintHeader(const char* name, std::int64_t now);

// Writes `bytes` to `path` (created or overwritten); false when it cannot be written.
bool WriteExportFile(const std::string& path, const std::string& bytes);

}  // namespace qor::potentiostat
