#pragma once

#include "potentiostat/graph_xy_model.h"

#include <QDialog>
#include <array>
#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QPrinter;
class QComboBox;
class QString;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

namespace qor {
class Clock;
}
namespace qor::data {
class DocumentUi;
}
namespace qor::station {
class Timers;
}

namespace qor::ui {

class CGraphWnd;

// "XY Grafik": the polarisation curve of the document's potentiostat list with its display
// settings, charges, Tafel lines, reference curves, export and print. The rules live in
// potentiostat::GraphXYModel; the window shows them and asks the user.
//
// Its periodic tick runs on `timers` under kTimerId; the owner calls OnTimer when it falls
// due. Messages go to `messages` (the document's message box when none is given).
class CGraphXY : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTimerId = 16;
    static constexpr int kTickMs = 250;
    using Messages = std::function<void(const std::string&)>;

    CGraphXY(const std::vector<data::CPotQORDatenObject>& samples, unsigned busAddress, Clock& clock,
             station::Timers& timers, data::DocumentUi& ui, int lang, Messages messages = {},
             QWidget* parent = nullptr);
    ~CGraphXY() override;

    // The tick: takes a finished range selection and runs the Tafel fit on it, puts the
    // selection mode back after a zoom while TAFEL is on, and updates the zoom buttons.
    void OnTimer();

    CGraphWnd* Graph() const { return m_graph; }
    const potentiostat::GraphXYModel& Model() const { return m_model; }
    QRadioButton* ScaleRadio(bool log) const { return m_scale[log ? 1 : 0]; }
    QCheckBox* ReferenceBox(int i) const { return m_refBox[static_cast<std::size_t>(i)]; }
    QPushButton* ChargeField(int i) const { return m_charge[static_cast<std::size_t>(i)]; }
    QPushButton* TafelButton() const { return m_tafel; }
    QPushButton* InfoButton() const { return m_info; }
    // "Rp …": the options of the polarisation resistance in the Info report (band, electrode
    // area, equivalent weight and density, Rs), asked in a dialog.
    QPushButton* RpButton() const { return m_rp; }
    // The options from the texts of the dialog's fields in that order (empty: none; the band
    // 10 mV); a bad one is refused with a message and changes nothing.
    bool SetRpOptions(const std::array<QString, 5>& fields);
    QPushButton* SaveRefButton() const { return m_saveRef; }
    QPushButton* LoadRefButton() const { return m_loadRef; }
    QPushButton* ExportButton() const { return m_export; }
    QPushButton* CloseButton() const { return m_close; }
    QLineEdit* CurveNameField() const { return m_name; }
    // The run worked on ("1" … "N", the last at first); shown only for more than one run.
    QComboBox* RunBox() const { return m_runBox; }
    // "Zoom" (a rectangle drawn in the plot), "Zoom +", "Zoom -", "Alles" (everything shown).
    QPushButton* ZoomButton() const { return m_zoom; }
    QPushButton* ZoomInButton() const { return m_zoomIn; }
    QPushButton* ZoomOutButton() const { return m_zoomOut; }
    QPushButton* FitAllButton() const { return m_fitAll; }

    void PrintOn(QPrinter& printer);

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    void AddChoices(QVBoxLayout* settings);
    QVBoxLayout* CreatePlotColumn();
    // The controls' states into the model, then everything drawn anew.
    void TakeSettings();
    // Curves, axes, fitted section, Tafel lines and the controls from the model.
    void Show();
    void ShowTafelLines();
    void ShowControls();
    // Zoom shown as the graph's mode; "Zoom -" and "Alles" only while part of the curves is
    // out of sight.
    void ShowZoomButtons();
    void Message(const std::string& text);
    void Report(const std::string& text);
    void ToggleTafel();
    void EditRpOptions();
    void SaveRef();
    void LoadRef();
    void Export();
    void Print();

    potentiostat::GraphXYModel m_model;
    Clock& m_clock;
    station::Timers& m_timers;
    data::DocumentUi& m_ui;
    int m_lang;
    Messages m_messages;
    bool m_inTick = false;
    bool m_built = false;  // the controls' signals wait for all of them
    CGraphWnd* m_graph;
    std::array<QRadioButton*, 2> m_orientation{}, m_scale{}, m_potential{};
    std::array<QRadioButton*, 3> m_unit{};
    std::array<QCheckBox*, 4> m_graphBox{}, m_refBox{};
    std::array<QPushButton*, 4> m_charge{};
    QPushButton *m_tafel, *m_clear, *m_info, *m_rp, *m_saveRef, *m_loadRef, *m_export, *m_print, *m_close;
    QPushButton *m_zoom, *m_zoomIn, *m_zoomOut, *m_fitAll;
    QLineEdit* m_name;
    QComboBox* m_runBox;
};

}  // namespace qor::ui
