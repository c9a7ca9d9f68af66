#pragma once

#include "data/pot_qor_daten_object.h"
#include "data/pot_ref_daten_object.h"
#include "potentiostat/tafel.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qor::potentiostat {

// A potentiostat sample as the XY window uses it: current in µA (whatever the range),
// potentials in mV, and the seconds since the previous sample (counter difference modulo
// 2^32 in ms; 0 for the first sample).
struct XySample {
    double current = 0.0;
    double potential = 0.0;
    double target = 0.0;
    double timeStep = 0.0;
    int currentDecimals = 2;  // in µA, as the sample's range resolves it
    bool overload = false;    // the current sits at the end of its range
};
std::vector<XySample> ConvertXySamples(std::span<const data::CPotQORDatenObject> list);
// The stored values of reference points (already converted; no time step).
std::vector<XySample> ReferenceSamples(const std::vector<data::CPotRefDatenObject>& list);

// "mV/µA": potential on X, current on Y; "µA/mV": the reverse.
enum class XyOrientation { PotentialX, CurrentX };
enum class XyCurrentUnit { NanoAmp, MicroAmp, MilliAmp };
// 1000 / 1 / 0.001, and "nA" / "µA" / "mA".
double CurrentFactor(XyCurrentUnit unit);
const char* CurrentUnitText(XyCurrentUnit unit);

// The window's radio groups and check boxes.
struct XySettings {
    XyOrientation orientation = XyOrientation::PotentialX;
    XyCurrentUnit unit = XyCurrentUnit::MicroAmp;
    bool log = false;    // current axis logarithmic
    bool usoll = false;  // X from the set potential instead of the measured one
    std::array<bool, 4> graphs{true, false, false, false};  // G1 … G4 (only G1 has data)
    std::array<bool, 4> references{};                       // REF1 … REF4 shown
    bool operator==(const XySettings&) const = default;
};

// One point fed to the graph engine; `z` carries the signed current before log10 in log
// mode (0 in lin mode).
struct XyPoint {
    double x = 0.0, y = 0.0, z = 0.0;
    int xDecimals = 0, yDecimals = 0;  // what the export writes at least
    bool overload = false;             // the current is only a bound (see CurrentOverload)
};

struct XyCurve {
    enum class Kind { Graph, Reference };
    Kind kind = Kind::Graph;
    int slot = 0;  // 0..3: G1..G4 or REF1..REF4
    std::string name;
    std::vector<XyPoint> points;
};

// Charges of one graph in µA·s; Q− is kept as a magnitude.
struct XyCharges {
    double positive = 0.0;
    double negative = 0.0;
    double Total() const { return positive + negative; }
};

// A charge in µA·s brought to a prefixed unit: value and unit text ("nQ" … "TQ").
struct ScaledCharge {
    double value = 0.0;
    const char* unit = "";
};
ScaledCharge ScaleCharge(double microAmpSeconds);
// The field under a graph's check box: "%.2f %s".
std::string ChargeFieldText(double microAmpSeconds);
// The charge report of a graph: heading, Q+, Q− and the total, each with its own prefix.
std::string ChargeReportText(const XyCharges& charges, int language);

// The axis titles and units as the graph engine holds them.
struct XyAxes {
    std::string xName, xUnit, yName, yUnit;
};

// The export table of the curves (lin mode): a header of "%s [%s]\t%s [%s]\t" per curve,
// one line per point index up to the longest curve, "%.*f\t%.*f\t" or " \t \t" per curve
// (with `precision` decimals, or the point's own when more), CR LF line ends, Windows-1252;
// `comma` turns "." into "," in the data lines.
std::string XyExportText(const std::vector<XyCurve>& curves, const XyAxes& axes, int precision, bool comma);

// The dated header of a printed XY plot (local time).
std::string XyPrintHeader(std::int64_t now);

// The graph choice dialog's button caption for button `index` (0..3).
std::string GraphChoiceCaption(bool reference, int index, int language);
// The dialog's result when closed without a button.
inline constexpr int kNoGraphChoice = 255;

// The XY window without its widgets (CGraphXY): the polarisation curve of the document's
// potentiostat list, four reference slots, the charges and the Tafel lines.
class GraphXYModel {
public:
    // `samples` must outlive the model (the document's list; the window is modal).
    GraphXYModel(const std::vector<data::CPotQORDatenObject>& samples, int language);

    int Language() const { return m_language; }
    void SetLanguage(int language) { m_language = language; }

    const XySettings& Settings() const { return m_settings; }
    // New display settings; the curves are built again. The lin axis ends TAFEL mode.
    void SetSettings(const XySettings& settings);

    // The runs of the samples (see SplitRuns); the window works on one, the last at first. A
    // new run drops the Tafel lines of the one before.
    int Runs() const;
    int Run() const;
    void SetRun(int run);

    // The window's curve-name field; empty: the name from the bus address.
    void SetCurveName(const std::string& name);
    const std::string& CurveNameField() const { return m_curveName; }
    // Bus address of the potentiostat module (held by the main frame).
    void SetBusAddress(unsigned address);
    // The measured curve's name.
    std::string CurveName() const;

    // The curves in drawing order: the enabled graphs that have points, then the shown
    // reference slots that have points. Built on construction and on every change.
    const std::vector<XyCurve>& Curves() const { return m_curves; }
    XyAxes Axes() const;
    // The X range the graph engine's "fit" shows for the curves; false without points.
    bool FittedXRange(double& from, double& to) const;

    // Per graph G1..G4; only G1's are computed.
    const std::array<XyCharges, 4>& Charges() const { return m_charges; }
    std::string ChargeField(int graph) const { return ChargeFieldText(m_charges[graph].Total()); }
    std::string ChargeReport(int graph) const { return ChargeReportText(m_charges[graph], m_language); }

    bool ExportEnabled() const { return !m_settings.log; }
    bool TafelEnabled() const { return m_settings.log; }

    // --- Tafel ---
    // The TAFEL button: with fewer than 2 lines toggles the selection mode and returns an
    // empty string; with 2 returns the message.
    std::string ToggleTafelMode();
    bool TafelMode() const { return m_tafelMode; }
    void SetTafelMode(bool on) { m_tafelMode = on; }
    // "Clear": both lines go.
    void ClearTafelLines() { m_tafel.Clear(); }
    // The lines as the graph draws them: ends as (potential, decades of current), swapped in
    // the "µA/mV" orientation.
    std::vector<TafelLine> TafelLinesShown() const;
    // A finished range selection while TAFEL mode is on. `graph` is the choice dialog's
    // result (kNoGraphChoice: the first graph); the segment spans the visible range of
    // potential (`visibleFrom`, `visibleTo`: X, or Y in the "µA/mV" orientation, where the
    // selection spans decades of current).
    // Empty when a line was added, else the message to show.
    std::string FinishSelection(double from, double to, int graph, double visibleFrom, double visibleTo);
    // The "Info" text: the Tafel lines, then the polarisation resistance.
    std::string TafelInfo() const;
    // Band, Rs, area and metal of the polarisation resistance in the "Info" text.
    void SetRpOptions(const RpOptions& options) { m_rpOptions = options; }
    const RpOptions& RpOptionsInUse() const { return m_rpOptions; }
    // Rp near the open-circuit potential of the run, B and icorr from the Tafel lines.
    RpResult Rp(const RpOptions& options) const;
    // The points a fit of graph `graph` uses with the present settings.
    std::vector<TafelPoint> TafelPointsOf(int graph) const;

    // --- references ---
    const std::array<std::vector<data::CPotRefDatenObject>, 4>& References() const { return m_refs; }
    // Puts a loaded list into slot 0..3, shows it and builds the curves again.
    void SetReference(int slot, std::vector<data::CPotRefDatenObject> list);
    // "Save Ref": empty when it can go on to the file dialog, else the message.
    std::string SaveReferenceCheck() const;
    // Writes G1's samples as a reference file; empty when written, else the message.
    std::string SaveReference(const std::string& path, std::int64_t now) const;
    // Reads a reference file into slot 0..3; empty when loaded, else the message.
    std::string LoadReference(int slot, const std::string& path);

    // --- export ---
    // The table of the shown curves (lin mode).
    std::string ExportText(int precision, bool comma) const;
    // Writes it; empty when written, else the message.
    std::string Export(const std::string& path, int precision, bool comma) const;

private:
    void Build();
    // Adds the points of one source to `curve` following the settings.
    void AddPoints(const std::vector<XySample>& source, XyCurve& curve) const;

    // The samples of the run worked on.
    std::span<const data::CPotQORDatenObject> RunSamples() const;

    const std::vector<data::CPotQORDatenObject>& m_samples;
    int m_run = -1;  // -1: the last
    int m_language = 0;
    XySettings m_settings;
    std::string m_curveName;
    unsigned m_address = 0;
    std::array<std::vector<data::CPotRefDatenObject>, 4> m_refs;
    std::vector<XyCurve> m_curves;
    std::array<XyCharges, 4> m_charges{};
    bool m_tafelMode = false;
    TafelLines m_tafel;
    RpOptions m_rpOptions;
};

}  // namespace qor::potentiostat
