#pragma once

#include "data/logger_file.h"
#include "graph/graph_model.h"

#include <array>
#include <cstdint>
#include <string>

namespace qor::data {

// The rules of the data logger graph dialog (CGraphDL) without its widgets: how a graph is
// set up for a logger file, what the file puts on it, and the state kept from one opening
// of the dialog to the next (display options, curve names, visible section).
class GraphDLModel {
public:
    static constexpr int kColumns = 52;  // curves the dialog's graph has room for
    static constexpr int kWindowId = 11000;

    GraphDLModel();

    // Opening: axis titles, the initial section -500..500 and the style from the options.
    void Prepare(graph::GraphModel& g) const;
    // The ruler modes: absolute time labels under a time X axis.
    static unsigned FrameFlags();
    // One curve per value column (at most kColumns), its points at X = sample number with
    // the sample's time; where a line has no field for the column the point is a gap (NaN),
    // so that every curve's point i is sample i and the time axis reads the right time.
    // Then the section: as it was when the same file was last closed, else all curves fit.
    void Fill(graph::GraphModel& g, const LoggerFile& file, const std::string& path);
    // Closing: keeps the section, the options and the names, and removes the curves.
    void Close(graph::GraphModel& g);

    // "Datenlogger Grafik" / "Data logger graphic", and " - " with the file's name.
    std::string Title(const std::string& path) const;
    // "QORremote-Plot DD.MM.YYYY hh:mm" for a printed page at local time `now`.
    static std::string PrintTitle(std::int64_t now);

    int m_lang = 0;
    std::array<int, kColumns> m_curve{};  // the graph's curve of column c, -1 while none
    std::array<std::string, kColumns> m_name;
    graph::GraphRange m_range{};
    // Legend (style bit 4), grid (8) and markers (2); defaults on, on, off.
    std::array<int, 3> m_option{1, 1, 0};
    std::string m_path;

private:
    std::array<std::string, kColumns> m_givenName;  // the name the file gave, to spot renames
    std::string m_closedPath;
    bool m_rangeKept = false;
};

}  // namespace qor::data
