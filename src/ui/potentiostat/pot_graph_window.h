#pragma once

#include <QDialog>
#include <QRgb>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QPainter;
class QPrinter;
class QPushButton;

namespace qor {
class Clock;
}
namespace qor::data {
class DocumentUi;
}

namespace qor::ui {

class CGraphWnd;

// What the run window and the impedance window share: a modeless window of graphs with
// one pure red curve each, the tool tip over the curve, "Drucken", "Export" and "OK".
class PotGraphWindow : public QDialog {
    Q_OBJECT
public:
    int GraphCount() const { return static_cast<int>(m_graphs.size()); }
    CGraphWnd* Graph(int i) const { return m_graphs[static_cast<std::size_t>(i)]; }
    QPushButton* ExportButton() const { return m_export; }
    // The tool tip text at a pixel of a graph's plot: empty off the curve.
    QString HoverAt(int graph, const QPoint& pos) const;

    // Save dialog, decimal-mark choice, then the table; cancelling either writes nothing.
    virtual void Export();
    // Writes the table; a file that cannot be written says so and keeps nothing.
    bool ExportTo(const std::string& path, bool comma);
    void Print();
    // Every graph on one page under the dated header.
    void PrintOn(QPrinter& printer);

protected:
    PotGraphWindow(const QString& title, int graphs, Clock& clock, data::DocumentUi& ui, int lang,
                   QWidget* parent);
    // The bytes of the export table.
    virtual std::string ExportText(bool comma) const = 0;
    virtual std::string HoverText(int graph, double x, double y) const = 0;
    // Whether a pixel of the plot belongs to a curve (one red curve unless a window says else).
    virtual bool IsCurvePixel(int graph, QRgb pixel) const;
    // Places the graphs in the area above the buttons.
    virtual void PlaceGraphs(const QRect& area) = 0;
    // Draws a graph into `rect` of a page or picture; a graph whose section depends on the
    // picture's shape sets it for `rect` first.
    virtual void RenderGraph(int graph, QPainter& painter, const QRect& rect);
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    QPushButton* AddButton(const QString& text, std::function<void()> action);
    // Writes `bytes` to `path`; a file that cannot be written says so and keeps nothing.
    bool WriteFile(const std::string& path, const std::string& bytes);

    Clock& m_clock;
    data::DocumentUi& m_ui;
    int m_lang;

private:
    std::vector<CGraphWnd*> m_graphs;
    QWidget* m_buttonRow;
    QLabel* m_status;
    QPushButton* m_export;
};

// The decimal mark of an export: true for the comma, nothing when the user cancelled.
std::optional<bool> AskDecimalComma(int lang, QWidget* parent);

}  // namespace qor::ui
