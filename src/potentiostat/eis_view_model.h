#pragma once

#include "common/text.h"
#include "data/eis_daten_object.h"
#include "potentiostat/eis_fit.h"
#include "potentiostat/kk_check.h"
#include "potentiostat/xy_graph_model.h"

#include <functional>
#include <string>
#include <vector>

namespace qor::potentiostat {

// A model impedance at one frequency, in the values each view draws.
struct SpectrumSample {
    double frequency = 0.0, phase = 0.0, magnitude = 0.0;
    double re = 0.0, negIm = 0.0;  // Z′ and −Z″
};

// The impedance window's third view (Nyquist) and what the views draw besides the
// measured points: the fitted model and the points the Kramers–Kronig check flagged.
class EISViewModel {
public:
    // The Nyquist section for a plot of `width` × `height` pixels: every point and the real
    // axis with a margin of 5 %, one axis widened so that an ohm spans as many pixels on X as on
    // Y: X about its centre, Y upwards, so the real axis stays near the bottom. The engine puts
    // the ends of a section on the first and last pixel, so an ohm takes
    // (width − 1) / (xTo − xFrom) pixels.
    static AxisRange NyquistSection(const std::vector<data::CEISDatenObject>& list, int width, int height);

    // `count` frequencies spaced evenly in log f from the smallest to the largest measured
    // one, for drawing a model as a smooth curve; empty without two distinct frequencies.
    static std::vector<double> ModelFrequencies(const std::vector<data::CEISDatenObject>& list,
                                                int count = 240);
    // The model at each frequency; values that are not finite are left out.
    static std::vector<SpectrumSample> Sample(const std::vector<double>& frequencies,
                                              const std::function<std::complex<double>(double)>& impedance);

    // The tool tip at (Z′, −Z″): the position, and the frequency of the nearest point (UTF-8).
    static std::string NyquistHoverText(const std::vector<data::CEISDatenObject>& list, double re,
                                        double negIm);

    // The Info text of a fit: the circuit, each parameter with its standard error, the CPEs'
    // effective capacitances, χ² and reduced χ², the points used and the correlations, led by
    // the warning of a poor fit; a failed fit gives the reason alone (UTF-8, language 0
    // German, 1 English).
    static std::string FitReport(const CircuitFit& fit, int lang);
    // The warning of a poor fit: its residuals beside the data's noise.
    static std::string FitWarning(const CircuitFit& fit, int lang);
    // The short report of the check: how many points stand out, and which.
    static std::string KKReport(const KKCheck& kk, const std::vector<data::CEISDatenObject>& list, int lang);

    // The rulers show a power of ten rather than the axis names, so the title names them.
    static const char* NyquistTitle(int lang)
    {
        return TextPair{"Nyquist: −Z″ über Z′ [Ω]", "Nyquist: −Z″ over Z′ [Ω]"}[lang];
    }
    static const char* NyquistXName() { return "Z′"; }
    static const char* NyquistYName() { return "−Z″"; }
    static const char* NyquistUnit() { return "Ω"; }
};

// The impedance window's controls beyond the Bode plot.
namespace eis_text {
inline constexpr TextPair kShowNyquist{"Nyquist-Diagramm", "Nyquist plot"};
inline constexpr TextPair kShowBode{"Bode-Diagramm", "Bode plot"};
inline constexpr TextPair kFit{"Fit", "Fit"};
inline constexpr TextPair kKK{"KK-Prüfung", "KK check"};
inline constexpr TextPair kSpectrumShort{"Spektrum %zu (Schritt %u)", "Spectrum %zu (step %u)"};
inline constexpr TextPair kResiduals{"KK-Residuen", "KK residuals"};
inline constexpr TextPair kResidualTitle{"KK-Residuen Re (rot), Im (blau)",
                                         "KK residuals Re (red), Im (blue)"};
inline constexpr TextPair kFitResiduals{"Fit-Residuen", "Fit residuals"};
inline constexpr TextPair kFitResidualTitle{"Fit-Residuen Re (rot), Im (blau)",
                                            "Fit residuals Re (red), Im (blue)"};
// The circuits the window offers; any other string may be typed in.
inline constexpr const char* kCircuits[4] = {"R0-p(R1,CPE1)", "R0-p(R1-W1,CPE1)", "R0-p(R1,CPE1)-p(R2,CPE2)",
                                             "L0-R0-p(R1-W1,CPE1)"};
}  // namespace eis_text

}  // namespace qor::potentiostat
