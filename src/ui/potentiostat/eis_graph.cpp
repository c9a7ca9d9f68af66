#include "ui/potentiostat/eis_graph.h"

#include "common/text.h"
#include "data/document_ui.h"
#include "ui/graph/graph_wnd.h"
#include "ui/potentiostat/info_copy.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>
#include <limits>

namespace qor::ui {

using potentiostat::EISGraphModel;
using potentiostat::EISViewModel;
namespace eis_text = potentiostat::eis_text;

namespace {
constexpr graph::Rgb kModelColour = graph::MakeRgb(0, 0, 255);
constexpr graph::Rgb kFlaggedColour = graph::MakeRgb(0, 160, 0);

// The Bode graphs show decades: the frequency spans several of them, and so does |Z|. A value
// that has no logarithm is not drawn.
double Decades(double v)
{
    return v > 0.0 ? std::log10(v) : std::numeric_limits<double>::quiet_NaN();
}

bool IsCsvPath(const std::string& path)
{
    return QString::fromStdString(path).endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
}
}  // namespace

CEISGraph::CEISGraph(const std::vector<data::CEISDatenObject>& points, Clock& clock, data::DocumentUi& ui,
                     int lang, QWidget* parent)
    : PotGraphWindow(QString::fromUtf8(TextPair{"EIS Messung", "EIS measurement"}[lang == 1 ? 1 : 0]),
                     FitResiduals + 1, clock, ui, lang, parent),
      m_points(points)
{
    for (int i = 0; i < EISGraphModel::GraphCount; ++i) {
        const auto g = static_cast<EISGraphModel::Graph>(i);
        Graph(i)->SetTitle(QString::fromUtf8(EISGraphModel::Title(g)));
        Graph(i)->SetFrameFlags(graph::kFrameNumericX | graph::kFrameLogX |
                                (g == EISGraphModel::Magnitude ? graph::kFrameLogY : 0u));
        Graph(i)->SetAxisTitle(std::string(), EISGraphModel::XLegend(g), 2, graph::kAxisX, false);
        Graph(i)->SetAxisTitle(std::string(), EISGraphModel::YLegend(g), 2, graph::kAxisY, false);
    }
    CGraphWnd* nyquist = Graph(Nyquist);
    nyquist->SetTitle(QString::fromUtf8(EISViewModel::NyquistTitle(lang)));
    nyquist->SetFrameFlags(graph::kFrameNumericX);
    nyquist->SetAxisTitle(EISViewModel::NyquistXName(), EISViewModel::NyquistUnit(), 2, graph::kAxisX, false);
    nyquist->SetAxisTitle(EISViewModel::NyquistYName(), EISViewModel::NyquistUnit(), 2, graph::kAxisY, false);
    nyquist->GetGraph(Measured)->m_options |= graph::kGraphMarkers;
    const int l = m_lang == 1 ? 1 : 0;
    CGraphWnd* residuals = Graph(Residuals);
    residuals->SetTitle(QString::fromUtf8(eis_text::kResidualTitle[l]));
    residuals->SetFrameFlags(graph::kFrameNumericX | graph::kFrameLogX);
    residuals->SetAxisTitle(std::string(), "Hz", 2, graph::kAxisX, false);
    residuals->SetAxisTitle(std::string(), "%", 2, graph::kAxisY, false);
    residuals->GetGraph(Measured)->m_options |= graph::kGraphMarkers;
    CGraphWnd* fitResiduals = Graph(FitResiduals);
    fitResiduals->SetTitle(QString::fromUtf8(eis_text::kFitResidualTitle[l]));
    fitResiduals->SetFrameFlags(graph::kFrameNumericX | graph::kFrameLogX);
    fitResiduals->SetAxisTitle(std::string(), "Hz", 2, graph::kAxisX, false);
    fitResiduals->SetAxisTitle(std::string(), "%", 2, graph::kAxisY, false);
    fitResiduals->GetGraph(Measured)->m_options |= graph::kGraphMarkers;
    for (int i = 0; i < GraphCount(); ++i) {
        const bool residual = i == Residuals || i == FitResiduals;
        Graph(i)->AddGraph(kModelColour, residual ? "Im" : "Fit", residual ? graph::kGraphMarkers : 0u);
        Graph(i)->AddGraph(kFlaggedColour, "KK", graph::kGraphMarkers);
    }

    // The controls of the views and analyses lead the button row, left of its stretch.
    // The controls of the spectra, views and analyses get a row of their own above the
    // buttons: in one row with them they were cut at the window's usual sizes.
    m_toolRow = new QWidget(this);
    QWidget* row = m_toolRow;
    auto* box = new QHBoxLayout(row);
    box->setContentsMargins(0, 0, 0, 0);
    box->addStretch();
    m_viewButton = new QPushButton(row);
    m_circuit = new QComboBox(row);
    m_circuit->setEditable(true);
    m_circuit->setInsertPolicy(QComboBox::NoInsert);
    for (const char* name : eis_text::kCircuits)
        m_circuit->addItem(QString::fromUtf8(name));
    m_circuit->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_spectrumChoice = new QComboBox(row);
    m_spectrumChoice->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(m_spectrumChoice, &QComboBox::activated, this, [this](int item) {
        // The choice lists the last spectrum first.
        const std::size_t number = m_spectra.size() - static_cast<std::size_t>(item);
        m_followLast = number == m_spectra.size();
        ShowSpectrum(number);
    });
    m_fitButton = new QPushButton(QString::fromUtf8(eis_text::kFit[l]), row);
    connect(m_fitButton, &QPushButton::clicked, this,
            [this] { ShowReport(EISViewModel::FitReport(RunFit(), m_lang)); });
    m_kkButton = new QPushButton(QString::fromUtf8(eis_text::kKK[l]), row);
    connect(m_kkButton, &QPushButton::clicked, this,
            [this] { ShowReport(EISViewModel::KKReport(RunKK(), m_shown, m_lang)); });
    m_residualsButton = new QPushButton(QString::fromUtf8(eis_text::kResiduals[l]), row);
    connect(m_residualsButton, &QPushButton::clicked, this, [this] { ShowResiduals(); });
    m_fitResidualsButton = new QPushButton(QString::fromUtf8(eis_text::kFitResiduals[l]), row);
    connect(m_fitResidualsButton, &QPushButton::clicked, this, [this] { ShowFitResiduals(); });
    int at = 0;
    for (QWidget* w : {static_cast<QWidget*>(m_spectrumChoice), static_cast<QWidget*>(m_viewButton),
                       static_cast<QWidget*>(m_circuit), static_cast<QWidget*>(m_fitButton),
                       static_cast<QWidget*>(m_kkButton), static_cast<QWidget*>(m_residualsButton),
                       static_cast<QWidget*>(m_fitResidualsButton)})
        box->insertWidget(at++, w);
    ShowNyquist(false);
    Rebuild();
    // No narrower than its controls: squeezed, their texts were cut. The spectrum choice,
    // shown only for more than one spectrum, is counted in all the same.
    m_spectrumChoice->addItem(
        QString::fromStdString(Format(eis_text::kSpectrumShort[l], std::size_t{99}, 99u)));
    m_spectrumChoice->setVisible(true);
    const int widest = std::max({m_viewButton->sizeHint().width(),
                                 QPushButton(QString::fromUtf8(eis_text::kShowBode[l])).sizeHint().width()});
    setMinimumWidth(m_toolRow->sizeHint().width() - m_viewButton->sizeHint().width() + widest + 16);
    FillSpectrumChoice();
}

void CEISGraph::UpdateSpectra()
{
    m_spectra = potentiostat::Spectra(m_points);
    if (m_followLast || m_shownSpectrum > m_spectra.size() || m_shownSpectrum == 0)
        m_shownSpectrum = m_spectra.size();
    m_followLast = m_shownSpectrum == m_spectra.size();
    m_shown = m_shownSpectrum ? potentiostat::SpectrumPoints(m_points, m_spectra[m_shownSpectrum - 1])
                              : std::vector<data::CEISDatenObject>{};
    FillSpectrumChoice();
}

void CEISGraph::FillSpectrumChoice()
{
    const QSignalBlocker block(m_spectrumChoice);
    m_spectrumChoice->clear();
    const int l = m_lang == 1 ? 1 : 0;
    for (std::size_t k = m_spectra.size(); k > 0; --k) {
        m_spectrumChoice->addItem(
            QString::fromStdString(Format(eis_text::kSpectrumShort[l], k, unsigned{m_spectra[k - 1].step})));
        m_spectrumChoice->setItemData(
            m_spectrumChoice->count() - 1,
            QString::fromStdString(potentiostat::SpectrumLabel(m_spectra[k - 1], k, m_lang)),
            Qt::ToolTipRole);
    }
    m_spectrumChoice->setCurrentIndex(static_cast<int>(m_spectra.size() - m_shownSpectrum));
    // One spectrum needs no choice.
    m_spectrumChoice->setVisible(m_spectra.size() > 1);
}

void CEISGraph::ShowSpectrum(std::size_t number)
{
    if (number < 1 || number > m_spectra.size())
        return;
    m_shownSpectrum = number;
    m_followLast = number == m_spectra.size();
    Rebuild();
}

void CEISGraph::AppendPoint(const data::CEISDatenObject& p)
{
    Graph(EISGraphModel::Phase)->AddPoint(Measured, 0, Decades(p.m_val1), p.m_val2, false);
    Graph(EISGraphModel::Magnitude)->AddPoint(Measured, 0, Decades(p.m_val1), Decades(p.m_val3), false);
    const std::complex<double> z = potentiostat::ToImpedance(p).z;
    Graph(Nyquist)->AddPoint(Measured, 0, z.real(), -z.imag(), false);
}

void CEISGraph::Rebuild()
{
    UpdateSpectra();
    for (int i = 0; i < Residuals; ++i)
        Graph(i)->ClearPoints(Measured, false);
    if (Snapshot() != m_analysed)
        ClearAnalyses();
    for (const data::CEISDatenObject& p : m_shown)
        AppendPoint(p);
    SetSections();
}

void CEISGraph::AddPoint()
{
    if (m_points.empty())
        return;
    const std::size_t before = m_spectra.size(), shown = m_shownSpectrum;
    UpdateSpectra();
    if (m_spectra.size() != before || m_shownSpectrum != shown) {
        Rebuild();  // a new spectrum has begun
        return;
    }
    if (m_shownSpectrum != m_spectra.size())
        return;  // the point belongs to a spectrum not shown
    ClearAnalyses();
    AppendPoint(m_points.back());
    SetSections();
}

void CEISGraph::ClearAnalyses()
{
    for (int i = 0; i < GraphCount(); ++i) {
        Graph(i)->ClearPoints(Model, false);
        Graph(i)->ClearPoints(Flagged, false);
    }
    Graph(Residuals)->ClearPoints(Measured, false);
    Graph(FitResiduals)->ClearPoints(Measured, false);
    m_hasCheck = false;
    m_hasFit = false;
    m_analysed.clear();
}

std::vector<std::array<float, 3>> CEISGraph::Snapshot() const
{
    std::vector<std::array<float, 3>> s;
    s.reserve(m_shown.size());
    for (const data::CEISDatenObject& p : m_shown)
        s.push_back({p.m_val1, p.m_val2, p.m_val3});
    return s;
}

void CEISGraph::SetSections()
{
    for (int i = 0; i < EISGraphModel::GraphCount; ++i) {
        const potentiostat::AxisRange a =
            EISGraphModel::Section(static_cast<EISGraphModel::Graph>(i), m_shown);
        const bool logY = i == EISGraphModel::Magnitude;
        double yFrom = logY ? Decades(a.yFrom) : a.yFrom, yTo = logY ? Decades(a.yTo) : a.yTo;
        if (logY && yFrom == yTo) {  // one point, or none: a decade around it
            yFrom = std::isfinite(yFrom) ? yFrom - 0.5 : 0.0;
            yTo = yFrom + 1.0;
        }
        const double xFrom = Decades(a.xFrom), xTo = Decades(a.xTo);
        Graph(i)->SetRange(std::isfinite(xFrom) ? xFrom : 0.0, std::isfinite(xTo) ? xTo : 1.0, yFrom, yTo,
                           true);
    }
    SetNyquistSection(Graph(Nyquist)->size(), Graph(Nyquist));
}

void CEISGraph::SetNyquistSection(const QSize& graphSize, QPaintDevice* device)
{
    CGraphWnd* g = Graph(Nyquist);
    const QRect plot = g->ComputeLayout(QRect(QPoint(0, 0), graphSize), device).plot;
    const potentiostat::AxisRange a = EISViewModel::NyquistSection(m_shown, plot.width(), plot.height());
    g->SetRange(a.xFrom, a.xTo, a.yFrom, a.yTo, true);
}

void CEISGraph::ShowNyquist(bool on)
{
    ShowView(on ? Nyquist : EISGraphModel::Phase);
}

void CEISGraph::ShowResiduals()
{
    if (!m_hasCheck)
        RunKK();
    ShowView(Residuals);
}

void CEISGraph::ShowFitResiduals()
{
    if (!m_hasFit)
        RunFit();
    ShowView(FitResiduals);
}

void CEISGraph::SetCircuit(const std::string& circuit)
{
    m_circuit->setEditText(QString::fromStdString(circuit));
}

void CEISGraph::ShowView(int view)
{
    m_view = view;
    Graph(FitResiduals)->setVisible(view == FitResiduals);
    Graph(EISGraphModel::Phase)->setVisible(view == EISGraphModel::Phase);
    Graph(EISGraphModel::Magnitude)->setVisible(view == EISGraphModel::Phase);
    Graph(Nyquist)->setVisible(view == Nyquist);
    Graph(Residuals)->setVisible(view == Residuals);
    const int l = m_lang == 1 ? 1 : 0;
    // From the Nyquist view and the residuals the button leads back to the Bode plot.
    m_viewButton->setText(
        QString::fromUtf8((view == EISGraphModel::Phase ? eis_text::kShowNyquist : eis_text::kShowBode)[l]));
    disconnect(m_viewButton, &QPushButton::clicked, nullptr, nullptr);
    connect(m_viewButton, &QPushButton::clicked, this,
            [this] { ShowNyquist(m_view == EISGraphModel::Phase); });
}

potentiostat::CircuitFit CEISGraph::RunFit()
{
    using namespace potentiostat;
    const std::string text = m_circuit->currentText().trimmed().toStdString();
    std::string error;
    const std::optional<CircuitModel> circuit = CircuitModel::Parse(ExpandCircuitName(text), &error, m_lang);
    CircuitFit fit;
    if (circuit) {
        fit = FitCircuit(ToImpedance(m_shown), *circuit);
    } else {
        fit.status = CircuitFit::BadCircuit;
        fit.error = error;
    }
    for (int i = 0; i < Residuals; ++i)
        Graph(i)->ClearPoints(Model, false);
    Graph(FitResiduals)->ClearPoints(Measured, false);
    Graph(FitResiduals)->ClearPoints(Model, false);
    m_hasFit = fit.ok();
    if (fit.ok()) {
        const auto model = EISViewModel::Sample(EISViewModel::ModelFrequencies(m_shown),
                                                [&fit](double hz) { return fit.Impedance(hz); });
        for (const SpectrumSample& s : model) {
            Graph(EISGraphModel::Phase)->AddPoint(Model, 0, Decades(s.frequency), s.phase, false);
            Graph(EISGraphModel::Magnitude)
                ->AddPoint(Model, 0, Decades(s.frequency), Decades(s.magnitude), false);
            Graph(Nyquist)->AddPoint(Model, 0, s.re, s.negIm, false);
        }
        // The fit's points are sorted by rising frequency.
        for (std::size_t i = 0; i < fit.residualHz.size(); ++i) {
            Graph(FitResiduals)
                ->AddPoint(Measured, 0, Decades(fit.residualHz[i]), 100.0 * fit.residualReal[i], false);
            Graph(FitResiduals)
                ->AddPoint(Model, 0, Decades(fit.residualHz[i]), 100.0 * fit.residualImag[i], false);
        }
        SetResidualSection(FitResiduals, std::sqrt(fit.reducedChi2), fit.residualReal, fit.residualImag);
        m_analysed = Snapshot();
    }
    for (int i = 0; i < GraphCount(); ++i)
        Graph(i)->Redraw();
    return fit;
}

potentiostat::KKCheck CEISGraph::RunKK()
{
    using namespace potentiostat;
    KKCheck kk = CheckKramersKronig(ToImpedance(m_shown));
    constexpr double gap = std::numeric_limits<double>::quiet_NaN();
    for (int i = 0; i < GraphCount(); ++i)
        Graph(i)->ClearPoints(Flagged, false);
    Graph(Residuals)->ClearPoints(Measured, false);
    Graph(Residuals)->ClearPoints(Model, false);
    // Each mark stands alone: a gap after it keeps the marks from being joined by lines.
    auto mark = [&](int graph, double x, double y) {
        Graph(graph)->AddPoint(Flagged, 0, x, y, false);
        Graph(graph)->AddPoint(Flagged, 0, x, gap, false);
    };
    for (std::size_t i : kk.flagged) {
        if (i >= m_shown.size() || i >= kk.residualsReal.size())
            continue;
        const data::CEISDatenObject& p = m_shown[i];
        const std::complex<double> z = ToImpedance(p).z;
        mark(EISGraphModel::Phase, Decades(p.m_val1), p.m_val2);
        mark(EISGraphModel::Magnitude, Decades(p.m_val1), Decades(p.m_val3));
        mark(Nyquist, z.real(), -z.imag());
        const double re = kk.residualsReal[i], im = kk.residualsImag[i];
        mark(Residuals, Decades(p.m_val1), 100.0 * (std::fabs(re) > std::fabs(im) ? re : im));
    }
    // Real parts in red, imaginary in blue, each in the order of rising frequency.
    std::vector<std::size_t> order(kk.residualsReal.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(),
              [this](std::size_t a, std::size_t b) { return m_shown[a].m_val1 < m_shown[b].m_val1; });
    for (std::size_t i : order) {
        if (i >= m_shown.size() || !(m_shown[i].m_val1 > 0.0f))
            continue;
        const double x = Decades(m_shown[i].m_val1);
        Graph(Residuals)->AddPoint(Measured, 0, x, 100.0 * kk.residualsReal[i], false);
        Graph(Residuals)->AddPoint(Model, 0, x, 100.0 * kk.residualsImag[i], false);
    }
    SetResidualSection(Residuals, kk.threshold, kk.residualsReal, kk.residualsImag);
    m_hasCheck = kk.ok;
    if (kk.ok)
        m_analysed = Snapshot();
    for (int i = 0; i < GraphCount(); ++i)
        Graph(i)->Redraw();
    return kk;
}

void CEISGraph::SetResidualSection(int graph, double threshold, const std::vector<double>& re,
                                   const std::vector<double>& im)
{
    // Symmetric about zero, at least twice the threshold, so sound points lie in the middle.
    double span = 2.0 * 100.0 * threshold;
    for (std::size_t i = 0; i < re.size() && i < im.size(); ++i)
        if (std::isfinite(re[i]) && std::isfinite(im[i]))
            span = std::max({span, 100.0 * std::fabs(re[i]), 100.0 * std::fabs(im[i])});
    if (!(span > 0.0) || !std::isfinite(span))
        span = 1.0;
    const potentiostat::AxisRange a = EISGraphModel::Section(EISGraphModel::Phase, m_shown);
    const double xFrom = Decades(a.xFrom), xTo = Decades(a.xTo);
    Graph(graph)->SetRange(std::isfinite(xFrom) ? xFrom : 0.0, std::isfinite(xTo) ? xTo : 1.0, -1.1 * span,
                           1.1 * span, true);
}

void CEISGraph::ShowReport(const std::string& text)
{
    CInfoCopy dlg(
        text, m_lang, [this](const std::string& s) { m_ui.ShowMessage(s); }, this);
    dlg.exec();
}

QImage CEISGraph::RenderView(const QSize& size)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    if (m_view != EISGraphModel::Phase) {
        RenderGraph(m_view, p, img.rect());
    } else {
        const int half = size.height() / 2;
        RenderGraph(EISGraphModel::Phase, p, QRect(0, 0, size.width(), half));
        RenderGraph(EISGraphModel::Magnitude, p, QRect(0, half, size.width(), size.height() - half));
    }
    return img;
}

void CEISGraph::RenderGraph(int graph, QPainter& painter, const QRect& rect)
{
    if (graph != Nyquist)
        return PotGraphWindow::RenderGraph(graph, painter, rect);
    // Equal scales for the picture's plot, then again for the window's.
    SetNyquistSection(rect.size(), painter.device());
    Graph(Nyquist)->Render(painter, rect);
    SetNyquistSection(Graph(Nyquist)->size(), Graph(Nyquist));
}

std::string CEISGraph::ExportText(bool comma) const
{
    return potentiostat::EisExportText(m_shown, comma);
}

bool CEISGraph::ExportSpectrumTo(const std::string& path, bool comma)
{
    return WriteFile(path, IsCsvPath(path) ? potentiostat::EisCsvText(m_shown, false) : ExportText(comma));
}

void CEISGraph::Export()
{
    const std::optional<std::string> path =
        m_ui.ChooseFile(data::FileDialog::SaveAs, "txt",
                        "Tabellen (*.txt) | *.txt | CSV (*.csv)|*.csv| Alle Dateien (*.*)|*.*||");
    if (!path)
        return;
    bool comma = false;
    if (!IsCsvPath(*path)) {
        const std::optional<bool> choice = AskDecimalComma(m_lang, this);
        if (!choice)
            return;
        comma = *choice;
    }
    ExportSpectrumTo(*path, comma);
}

std::string CEISGraph::HoverText(int graph, double x, double y) const
{
    if (graph == Nyquist)
        return EISViewModel::NyquistHoverText(m_shown, x, y);
    if (graph == Residuals || graph == FitResiduals)
        return Format("%.2fHz  %.2f %%", std::pow(10.0, x), y);
    const bool magnitude = graph == EISGraphModel::Magnitude;
    return EISGraphModel::HoverText(static_cast<EISGraphModel::Graph>(graph), std::pow(10.0, x),
                                    magnitude ? std::pow(10.0, y) : y);
}

void CEISGraph::PlaceGraphs(const QRect& area)
{
    // Margins of 1 %, the graphs 98 % wide and 40 % of the height each, one above the other;
    // the Nyquist view takes the place of both.
    const int w = area.width(), h = height();
    const int left = static_cast<int>(0.01 * w), top = static_cast<int>(0.01 * h);
    const int rowH = m_toolRow->sizeHint().height();
    m_toolRow->setGeometry(8, area.bottom() - rowH, w - 16, rowH);
    // A low window gives the graphs what the row of controls leaves.
    const int gw = static_cast<int>(0.98 * w),
              gh = std::max(0, std::min(static_cast<int>(0.4 * h), (area.height() - rowH - 4 - top) / 2));
    Graph(EISGraphModel::Phase)->setGeometry(left, top, gw, gh);
    Graph(EISGraphModel::Magnitude)->setGeometry(left, top + gh, gw, gh);
    Graph(Nyquist)->setGeometry(left, top, gw, 2 * gh);
    Graph(Residuals)->setGeometry(left, top, gw, 2 * gh);
    Graph(FitResiduals)->setGeometry(left, top, gw, 2 * gh);
    SetNyquistSection(Graph(Nyquist)->size(), Graph(Nyquist));
}

}  // namespace qor::ui
