#pragma once

#include "potentiostat/eis_graph_model.h"
#include "potentiostat/eis_spectra.h"
#include "potentiostat/eis_view_model.h"
#include "ui/potentiostat/pot_graph_window.h"

#include <QImage>
#include <array>
#include <vector>

class QComboBox;

namespace qor::ui {

// The impedance window ("EIS Messung"): a Bode plot of the document's impedance list, the
// phase above and |Z| below, or as the third view a Nyquist plot (−Z″ over Z′, an ohm as
// long on both axes). "Fit" draws an equivalent circuit fitted to the points over them in
// every view and reports it; "KK" marks the points the Kramers–Kronig check flags, and its
// residuals over the frequency make a fourth view. A document may hold several spectra (one
// per run of an EIS step): the window shows, analyses and exports one of them at a time.
class CEISGraph : public PotGraphWindow {
    Q_OBJECT
public:
    // The graph index of the Nyquist view, after the two Bode graphs, and of the residuals.
    static constexpr int Nyquist = potentiostat::EISGraphModel::GraphCount;
    static constexpr int Residuals = Nyquist + 1;
    static constexpr int FitResiduals = Residuals + 1;
    // The curves of each graph: the measured points (pure red), the model, the flagged points.
    // The residual view draws the real parts as Measured and the imaginary parts as Model.
    enum Curve { Measured, Model, Flagged };

    CEISGraph(const std::vector<data::CEISDatenObject>& points, Clock& clock, data::DocumentUi& ui, int lang,
              QWidget* parent = nullptr);

    // Every curve anew from the whole list; a fit or check of another list is dropped.
    void Rebuild();
    // The list's last point was just appended; it outdates a fit and a check.
    void AddPoint();

    // The Nyquist view instead of the Bode plot, or back.
    void ShowNyquist(bool on);
    // The Kramers–Kronig residuals in percent over the frequency (the check is run first
    // when the shown points have none).
    void ShowResiduals();
    bool ResidualsShown() const { return m_view == Residuals; }
    // The fit's relative residuals in percent over the frequency (the fit is run first when
    // the shown points have none).
    void ShowFitResiduals();
    bool FitResidualsShown() const { return m_view == FitResiduals; }
    QPushButton* FitResidualsButton() const { return m_fitResidualsButton; }
    QPushButton* ViewButton() const { return m_viewButton; }

    // The spectra of the list, and the one shown (1 = the first). The choice offers the last
    // one first; new points of a further spectrum bring it up unless an earlier one was chosen.
    const std::vector<potentiostat::SpectrumRange>& Spectra() const { return m_spectra; }
    std::size_t ShownSpectrum() const { return m_shownSpectrum; }
    void ShowSpectrum(std::size_t number);
    QComboBox* SpectrumChoice() const { return m_spectrumChoice; }
    // The points of the spectrum shown: what is drawn, analysed and exported.
    const std::vector<data::CEISDatenObject>& ShownPoints() const { return m_shown; }
    // The circuit to fit: a string such as "R0-p(R1,CPE1)" (or "randles", "randles-w"),
    // chosen from the list or typed.
    void SetCircuit(const std::string& circuit);
    QPushButton* FitButton() const { return m_fitButton; }

    // Fits the chosen circuit and draws the model and its residuals ("Fit" then shows the
    // report); a circuit string that does not parse gives status BadCircuit.
    potentiostat::CircuitFit RunFit();
    // Checks the points and marks the flagged ones ("KK" then shows the report).
    potentiostat::KKCheck RunKK();
    // The shown view in a picture of `size`: the Bode graphs one above the other, or the
    // Nyquist view with its own equal scales for the picture's plot.
    QImage RenderView(const QSize& size);

    // Writes the shown spectrum: comma separated values when `path` ends in ".csv", else the
    // table with the decimal mark `comma`.
    bool ExportSpectrumTo(const std::string& path, bool comma);
    // The save dialog offers CSV beside the table; the decimal mark is asked for the table.
    void Export() override;

protected:
    std::string ExportText(bool comma) const override;
    std::string HoverText(int graph, double x, double y) const override;
    void PlaceGraphs(const QRect& area) override;
    void RenderGraph(int graph, QPainter& painter, const QRect& rect) override;

private:
    void SetSections();
    void SetResidualSection(int graph, double threshold, const std::vector<double>& re,
                            const std::vector<double>& im);
    void ShowView(int view);
    // The spectra anew from the list; the choice follows the last one while it is wanted.
    void UpdateSpectra();
    void FillSpectrumChoice();
    // The Nyquist section for a plot of the graph's size.
    void SetNyquistSection(const QSize& graphSize, QPaintDevice* device);
    void AppendPoint(const data::CEISDatenObject& p);
    void ClearAnalyses();
    std::vector<std::array<float, 3>> Snapshot() const;
    void ShowReport(const std::string& text);

    const std::vector<data::CEISDatenObject>& m_points;
    std::vector<potentiostat::SpectrumRange> m_spectra;
    std::size_t m_shownSpectrum = 0;
    bool m_followLast = true;
    std::vector<data::CEISDatenObject> m_shown;
    int m_view = potentiostat::EISGraphModel::Phase;
    bool m_hasCheck = false;
    bool m_hasFit = false;
    // The points the shown fit and check were made from.
    std::vector<std::array<float, 3>> m_analysed;
    QPushButton* m_viewButton;
    QComboBox* m_circuit;
    QPushButton* m_fitButton;
    QPushButton* m_kkButton;
    QPushButton* m_residualsButton;
    QPushButton* m_fitResidualsButton;
    QComboBox* m_spectrumChoice;
    QWidget* m_toolRow;
};

}  // namespace qor::ui
