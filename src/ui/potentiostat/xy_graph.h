#pragma once

#include "potentiostat/xy_graph_model.h"
#include "ui/potentiostat/pot_graph_window.h"

#include <functional>
#include <string>
#include <vector>

namespace qor::ui {

// The potentiostat run window ("POT XY"): current and potential over time and potential
// against current, live while a program runs. It reads the document's sample list.
class CXYGraph : public PotGraphWindow {
    Q_OBJECT
public:
    CXYGraph(const std::vector<data::CPotQORDatenObject>& samples, Clock& clock, data::DocumentUi& ui,
             int lang, QWidget* parent = nullptr);

    // The curves anew from the whole list.
    void Rebuild();
    // The list's last sample was just appended.
    void AddSample();
    // The hidden "Löschen": empties the curves and the running extremes.
    void ClearCurves();
    QPushButton* ClearButton() const { return m_clear; }
    // The hidden "Analyse DFT" and "Analyse FFT": the diagnostic harmonic analyses of the
    // samples, shown and written to "eis_daten.txt" or "eis_fftdaten.txt" in the current
    // directory.
    void AnalyseDft();
    void AnalyseFft();
    QPushButton* DftButton() const { return m_dft; }
    QPushButton* FftButton() const { return m_fft; }
    // Where the analyses' texts go (the document's message box unless replaced).
    void SetMessageFunction(std::function<void(const std::string&)> show) { m_show = std::move(show); }
    // "Auswertung": takes the document's samples as the data of an evaluation when none is
    // taken yet; nothing visible happens.
    void Evaluate();
    const std::vector<data::CPotQORDatenObject>* EvaluationData() const { return m_evaluation; }
    QPushButton* EvaluateButton() const { return m_evaluate; }
    const potentiostat::XYGraphModel& Model() const { return m_model; }

protected:
    std::string ExportText(bool comma) const override;
    std::string HoverText(int graph, double x, double y) const override;
    bool IsCurvePixel(int graph, QRgb pixel) const override;
    void PlaceGraphs(const QRect& area) override;

private:
    void Analyse(const std::string& text, const char* file);
    // The curve of a run in graph `graph`, added (with a legend once there are two) when new.
    int RunCurve(int graph, int run);
    // Back to the one unnamed curve per graph.
    void DropRunCurves();

    const std::vector<data::CPotQORDatenObject>& m_samples;
    const std::vector<data::CPotQORDatenObject>* m_evaluation = nullptr;
    potentiostat::XYGraphModel m_model;
    std::function<void(const std::string&)> m_show;
    QPushButton* m_evaluate;
    QPushButton* m_clear;
    QPushButton* m_dft;
    QPushButton* m_fft;
};

}  // namespace qor::ui
