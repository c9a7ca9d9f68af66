#include "potentiostat/graph_xy_model.h"

#include "common/codec.h"
#include "common/text.h"
#include "data/local_time.h"
#include "potentiostat/ref_file.h"
#include "potentiostat/xy_graph_model.h"
#include "potentiostat/xy_texts.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace qor::potentiostat {

std::vector<XySample> ConvertXySamples(std::span<const data::CPotQORDatenObject> list)
{
    std::vector<XySample> out;
    out.reserve(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) {
        const PotValues v = ConvertSample(list[i]);
        const double step = i == 0 ? 0.0 : SampleTime(list[i].m_counter, list[i - 1].m_counter);
        out.push_back({v.current, v.potential, v.target, step, CurrentDecimals(list[i].m_range),
                       CurrentOverload(list[i].m_range, v.current)});
    }
    return out;
}

std::vector<XySample> ReferenceSamples(const std::vector<data::CPotRefDatenObject>& list)
{
    std::vector<XySample> out;
    out.reserve(list.size());
    for (const auto& r : list)
        if (r.m_count > 0)
            out.push_back({r.m_x[0], r.m_y[0], r.m_z[0], 0.0, CurrentDecimals(r.m_range[0]),
                           CurrentOverload(r.m_range[0], r.m_x[0])});
    return out;
}

double CurrentFactor(XyCurrentUnit unit)
{
    switch (unit) {
    case XyCurrentUnit::NanoAmp:
        return 1000.0;
    case XyCurrentUnit::MilliAmp:
        return 0.001;
    default:
        return 1.0;
    }
}

const char* CurrentUnitText(XyCurrentUnit unit)
{
    return xytext::kUnitTexts[static_cast<std::size_t>(unit)];
}

ScaledCharge ScaleCharge(double microAmpSeconds)
{
    double f = 1000.0;
    std::size_t index = 0;
    while (f * microAmpSeconds > 1000.0 && index < 6) {
        ++index;
        f /= 1000.0;
    }
    return {f * microAmpSeconds, xytext::kChargeUnits[index]};
}

std::string ChargeFieldText(double microAmpSeconds)
{
    const ScaledCharge c = ScaleCharge(microAmpSeconds);
    return Format(xytext::kChargeFieldFormat, c.value, c.unit);
}

std::string ChargeReportText(const XyCharges& charges, int language)
{
    const ScaledCharge p = ScaleCharge(charges.positive), n = ScaleCharge(charges.negative),
                       t = ScaleCharge(charges.Total());
    return Format(xytext::kChargeHeadFormat, xytext::kCharge[language], xytext::kPositive[language], p.value,
                  p.unit) +
           Format(xytext::kChargeNegativeFormat, xytext::kNegative[language], n.value, n.unit) +
           Format(xytext::kChargeTotalFormat, xytext::kTotal[language], t.value, t.unit);
}

std::string XyExportText(const std::vector<XyCurve>& curves, const XyAxes& axes, int precision, bool comma)
{
    std::string out;
    for (std::size_t c = 0; c < curves.size(); ++c)
        out += Format("%s [%s]\t%s [%s]\t", axes.xName.c_str(), axes.xUnit.c_str(), axes.yName.c_str(),
                      axes.yUnit.c_str());
    out += "\r\n";
    std::size_t longest = 0;
    for (const XyCurve& c : curves)
        longest = std::max(longest, c.points.size());
    std::string line;
    for (std::size_t i = 0; i < longest; ++i) {
        line.clear();
        for (const XyCurve& c : curves) {
            if (i < c.points.size())
                line += Format("%.*f\t%.*f\t", std::max(precision, c.points[i].xDecimals), c.points[i].x,
                               std::max(precision, c.points[i].yDecimals), c.points[i].y);
            else
                line += " \t \t";
        }
        if (comma)
            std::replace(line.begin(), line.end(), '.', ',');
        out += line + "\r\n";
    }
    return Utf8ToCp1252(out);
}

std::string XyPrintHeader(std::int64_t now)
{
    return DatedPrintHeader(xytext::kPrintHeaderName, now);
}

std::string GraphChoiceCaption(bool reference, int index, int language)
{
    return Format("%s %d", (reference ? xytext::kChoiceReference : xytext::kChoiceGraph)[language],
                  index + 1);
}

GraphXYModel::GraphXYModel(const std::vector<data::CPotQORDatenObject>& samples, int language)
    : m_samples(samples), m_language(language)
{
    Build();
}

int GraphXYModel::Runs() const
{
    return static_cast<int>(SplitRuns(m_samples).size());
}

int GraphXYModel::Run() const
{
    const int runs = Runs();
    return m_run < 0 || m_run >= runs ? std::max(0, runs - 1) : m_run;
}

void GraphXYModel::SetRun(int run)
{
    if (run == Run())
        return;
    m_run = run;
    m_tafel.Clear();
    Build();
}

std::span<const data::CPotQORDatenObject> GraphXYModel::RunSamples() const
{
    const auto runs = SplitRuns(m_samples);
    if (runs.size() < 2)
        return m_samples;
    const auto& [begin, end] = runs[static_cast<std::size_t>(Run())];
    return std::span<const data::CPotQORDatenObject>(m_samples).subspan(begin, end - begin);
}

void GraphXYModel::SetSettings(const XySettings& settings)
{
    m_settings = settings;
    // TAFEL is only offered on a log axis.
    if (!m_settings.log)
        m_tafelMode = false;
    Build();
}

void GraphXYModel::SetCurveName(const std::string& name)
{
    m_curveName = name;
    Build();
}

void GraphXYModel::SetBusAddress(unsigned address)
{
    m_address = address;
    Build();
}

std::string GraphXYModel::CurveName() const
{
    return m_curveName.empty() ? Format(xytext::kCurveNameFormat, m_address) : m_curveName;
}

XyAxes GraphXYModel::Axes() const
{
    const std::string current = CurrentUnitText(m_settings.unit);
    const bool potentialX = m_settings.orientation == XyOrientation::PotentialX;
    return {xytext::kXAxis, potentialX ? xytext::kPotentialUnit : current, xytext::kYAxis,
            potentialX ? current : xytext::kPotentialUnit};
}

bool GraphXYModel::FittedXRange(double& from, double& to) const
{
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    for (const XyCurve& c : m_curves)
        for (const XyPoint& p : c.points) {
            lo = std::min(lo, p.x);
            hi = std::max(hi, p.x);
        }
    if (lo > hi)
        return false;
    // The graph engine widens a single value to a span of 2.
    if (lo == hi)
        lo -= 1.0, hi += 1.0;
    from = lo;
    to = hi;
    return true;
}

void GraphXYModel::AddPoints(const std::vector<XySample>& source, XyCurve& curve) const
{
    const double factor = CurrentFactor(m_settings.unit);
    const bool potentialX = m_settings.orientation == XyOrientation::PotentialX;
    for (const XySample& s : source) {
        const double u = m_settings.usoll ? s.target : s.potential;
        const double i = factor * s.current;
        if (!m_settings.log) {
            // The current keeps the decimals its range resolves, in the unit shown.
            const int d = std::max(0, s.currentDecimals + (m_settings.unit == XyCurrentUnit::NanoAmp    ? -3
                                                           : m_settings.unit == XyCurrentUnit::MilliAmp ? 3
                                                                                                        : 0));
            curve.points.push_back(potentialX ? XyPoint{u, i, 0.0, 0, d, s.overload}
                                              : XyPoint{i, u, 0.0, d, 0, s.overload});
            continue;
        }
        // The logarithm is the current's, on whichever axis it lies.
        if (i == 0)
            continue;
        const double l = std::log10(std::fabs(i));
        curve.points.push_back(potentialX ? XyPoint{u, l, i, 0, 0, s.overload}
                                          : XyPoint{l, u, i, 0, 0, s.overload});
    }
}

void GraphXYModel::Build()
{
    m_curves.clear();
    m_charges = {};
    const std::vector<XySample> g1 = ConvertXySamples(RunSamples());
    for (const XySample& s : g1) {
        if (s.current < 0)
            m_charges[0].negative += -s.current * s.timeStep;
        else
            m_charges[0].positive += s.current * s.timeStep;
    }
    if (m_settings.graphs[0]) {
        XyCurve c{XyCurve::Kind::Graph, 0, CurveName(), {}};
        AddPoints(g1, c);
        if (!c.points.empty())
            m_curves.push_back(std::move(c));
    }
    for (int slot = 0; slot < 4; ++slot) {
        if (!m_settings.references[static_cast<std::size_t>(slot)])
            continue;
        XyCurve c{
            XyCurve::Kind::Reference, slot, xytext::kReferenceBoxes[static_cast<std::size_t>(slot)], {}};
        AddPoints(ReferenceSamples(m_refs[static_cast<std::size_t>(slot)]), c);
        if (!c.points.empty())
            m_curves.push_back(std::move(c));
    }
}

std::string GraphXYModel::ToggleTafelMode()
{
    if (m_tafel.Full())
        return xytext::kOnlyTwoLines[m_language];
    m_tafelMode = !m_tafelMode;
    return {};
}

std::vector<TafelPoint> GraphXYModel::TafelPointsOf(int graph) const
{
    std::vector<TafelPoint> out;
    if (graph != 0)
        return out;  // G2-G4 are never fed
    const double factor = CurrentFactor(m_settings.unit);
    for (const XySample& s : ConvertXySamples(RunSamples())) {
        const double i = factor * s.current;
        // A sample without current has no place on the log axis; counted as 1 (Y = 0) it
        // would pull the line towards whichever unit is chosen.
        if (i != 0.0)
            out.push_back({m_settings.usoll ? s.target : s.potential, std::log10(std::fabs(i)), s.overload});
    }
    return out;
}

std::string GraphXYModel::TafelInfo() const
{
    return m_tafel.InfoText(CurrentUnitText(m_settings.unit), m_language) +
           RpText(Rp(m_rpOptions), m_rpOptions, m_language);
}

RpResult GraphXYModel::Rp(const RpOptions& options) const
{
    std::vector<RpSample> samples;
    for (const XySample& s : ConvertXySamples(RunSamples()))
        samples.push_back({m_settings.usoll ? s.target : s.potential, s.current, s.overload});
    std::vector<TafelFit> fits;
    for (const TafelLine& l : m_tafel.Lines())
        fits.push_back(l.fit);
    return FitRp(samples, options, fits);
}

std::vector<TafelLine> GraphXYModel::TafelLinesShown() const
{
    std::vector<TafelLine> lines = m_tafel.Lines();
    if (m_settings.orientation == XyOrientation::CurrentX)
        for (TafelLine& l : lines) {
            std::swap(l.x1, l.y1);
            std::swap(l.x2, l.y2);
        }
    return lines;
}

std::string GraphXYModel::FinishSelection(double from, double to, int graph, double visibleFrom,
                                          double visibleTo)
{
    if (graph == kNoGraphChoice || graph < 0 || graph > 3)
        graph = 0;
    if (m_tafel.Full())
        return xytext::kOnlyTwoLines[m_language];
    if (!m_settings.graphs[static_cast<std::size_t>(graph)])
        return xytext::kGraphNotEnabled[m_language];
    if (m_settings.orientation == XyOrientation::CurrentX) {
        // X shows decades of current: the band marked holds the points to fit, whatever their
        // potentials, and the line is fitted over potential as always.
        std::vector<TafelPoint> inside;
        double lo = HUGE_VAL, hi = -HUGE_VAL;
        for (const TafelPoint& p : TafelPointsOf(graph))
            if (p.y > std::min(from, to) && p.y < std::max(from, to)) {
                inside.push_back(p);
                lo = std::min(lo, p.x);
                hi = std::max(hi, p.x);
            }
        // Their potentials, the limits just outside so that none is left out.
        return m_tafel.Add(inside, std::nextafter(lo, -HUGE_VAL), std::nextafter(hi, HUGE_VAL), visibleFrom,
                           visibleTo, m_language);
    }
    return m_tafel.Add(TafelPointsOf(graph), from, to, visibleFrom, visibleTo, m_language);
}

void GraphXYModel::SetReference(int slot, std::vector<data::CPotRefDatenObject> list)
{
    m_refs[static_cast<std::size_t>(slot)] = std::move(list);
    m_settings.references[static_cast<std::size_t>(slot)] = true;
    Build();
}

std::string GraphXYModel::SaveReferenceCheck() const
{
    return m_settings.graphs[0] ? std::string() : xytext::kNoData[m_language];
}

std::string GraphXYModel::SaveReference(const std::string& path, std::int64_t now) const
{
    if (std::string refused = SaveReferenceCheck(); !refused.empty())
        return refused;
    const std::span<const data::CPotQORDatenObject> run = RunSamples();
    return SaveReferenceFile(path, std::vector<data::CPotQORDatenObject>(run.begin(), run.end()), now,
                             m_language);
}

std::string GraphXYModel::LoadReference(int slot, const std::string& path)
{
    if (slot < 0 || slot > 3)
        return {};
    std::vector<data::CPotRefDatenObject> list;
    std::string message = LoadReferenceFile(path, list, m_language);
    if (message.empty())
        SetReference(slot, std::move(list));
    return message;
}

std::string GraphXYModel::ExportText(int precision, bool comma) const
{
    return XyExportText(m_curves, Axes(), precision, comma);
}

std::string GraphXYModel::Export(const std::string& path, int precision, bool comma) const
{
    return WriteExportFile(path, ExportText(precision, comma))
               ? std::string()
               : std::string(xytext::kExportUnwritable[m_language]);
}

}  // namespace qor::potentiostat
