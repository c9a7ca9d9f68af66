#pragma once

#include "data/logger_graph.h"

#include <QDialog>
#include <array>
#include <string>

class QCheckBox;
class QLabel;
class QToolButton;
class QPrinter;
class QTimer;
class QVBoxLayout;

namespace qor {
class Clock;
}

namespace qor::ui {

class CGraphWnd;

// The data logger graph: a data logger file's value columns as curves over time, with the
// graph engine's navigation, graph texts, printing and the export as a table. One object
// lives as long as the main window; each opening builds the graph anew, and closing keeps
// the options, the curve names and the section for the next one (GraphDLModel).
class CGraphDL : public QDialog {
    Q_OBJECT
public:
    // The buttons in the order of the dialog.
    enum Button {
        Exit,
        Print,
        Export,
        Fit,
        Redraw,
        ZoomRect,
        ZoomIn,
        ZoomOut,
        Up,
        Down,
        Left,
        Right,
        TextPlace,
        TextClear,
        TextEdit,
        ButtonCount
    };

    // `clock` dates the printed page.
    explicit CGraphDL(Clock& clock, QWidget* parent = nullptr);
    ~CGraphDL() override;

    // Builds the graph and reads the file (with the progress window); the dialog is then
    // ready to show. Run does this and shows it modally.
    void Open(const std::string& path, int lang);
    int Run(const std::string& path, int lang);

    // The 500 ms tick: the zoom, text and edit buttons are enabled while their mode is off.
    void Tick();
    // Asks for a target file and writes the table there.
    void ExportTable();
    // Writes the table of the open file to `path`; on failure says so and writes nothing.
    bool ExportTo(const std::string& path);
    // Shows the print dialog and prints the graph on one page.
    void PrintGraph();
    // Draws the graph with the dated title into a printer's printable area.
    void PrintOn(QPrinter& printer);

    CGraphWnd* Graph() const { return m_graph; }
    QToolButton* GetButton(Button b) const { return m_buttons[b]; }
    QCheckBox* Option(int i) const { return m_options[static_cast<std::size_t>(i)]; }
    QTimer* EnableTimer() const { return m_timer; }
    const data::GraphDLModel& Model() const { return m_model; }

    void done(int result) override;

private:
    void ReadFile();
    void ApplyOptions();
    void ShowMessage(const QString& text);

    Clock& m_clock;
    data::GraphDLModel m_model;
    CGraphWnd* m_graph = nullptr;
    QVBoxLayout* m_graphPlace = nullptr;
    QLabel* m_readOut = nullptr;
    QTimer* m_timer = nullptr;
    std::array<QToolButton*, ButtonCount> m_buttons{};
    std::array<QCheckBox*, 3> m_options{};
};

}  // namespace qor::ui
