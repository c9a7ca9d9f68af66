#pragma once

#include "data/eis_daten_object.h"
#include "potentiostat/xy_graph_model.h"

#include <string>
#include <vector>

namespace qor::potentiostat {

// The impedance window's rules (CEISGraph): a Bode plot, phase above and |Z| below, over
// the frequency.
class EISGraphModel {
public:
    enum Graph { Phase, Magnitude, GraphCount };

    // The sections of both graphs from every point of the list: frequency from the smallest
    // to ten times the largest, phase fixed -180 … 180, |Z| from smallest to largest. An
    // empty list keeps the phase axis and gives empty spans elsewhere.
    static AxisRange Section(Graph g, const std::vector<data::CEISDatenObject>& list);

    static const char* Title(Graph g);
    static const char* XLegend(Graph g);
    static const char* YLegend(Graph g);
    // The tool tip over a curve point at (frequency, value) (UTF-8).
    static std::string HoverText(Graph g, double x, double y);
};

// The impedance points as the export writes them: header and one tab separated line per
// point, CR LF line ends, Windows-1252; `comma` turns every "." of a data line into ",".
// Frequency and |Z| keep every digit the stored value carries.
std::string EisExportText(const std::vector<data::CEISDatenObject>& list, bool comma);

// The points as comma separated values for other tools: a header line, then frequency, Z′,
// Z″, |Z| and phase per point, decimal point, CR LF. With `spectrumColumn` a first column
// numbers each point's spectrum (1 = the first, see Spectra()).
std::string EisCsvText(const std::vector<data::CEISDatenObject>& list, bool spectrumColumn);

// The shortest decimal text that reads back as `v` exactly: every digit the float carries,
// no more. `fixed` never uses an exponent.
std::string ShortestDecimal(float v, bool fixed);

}  // namespace qor::potentiostat
