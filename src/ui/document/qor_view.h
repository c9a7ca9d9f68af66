#pragma once

#include <QWidget>
#include <array>
#include <vector>

namespace qor::data {
class CQORDoc;
}

namespace qor::ui {

class CGraphWnd;

// The graph pane: value 1 of the recorded channels over the samples, one curve per channel,
// drawn by the graph engine with time-of-day labels.
class CQORView : public QWidget {
    Q_OBJECT
public:
    CQORView(data::CQORDoc& doc, int lang, QWidget* parent = nullptr);
    void SetLanguage(int lang);
    // Adds new samples, or rebuilds every curve after a read, a new setup or a clear.
    void OnUpdate();
    // The channels drawn: those switched on in the graph setup, or else every channel that
    // holds a module.
    std::vector<int> Channels() const;
    CGraphWnd* Graph() const { return m_graph; }
    std::size_t SamplesShown() const { return m_fed; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Rebuild();
    void Feed(bool redraw);
    void FitWithMargin();
    std::string CurveName(int address) const;

    data::CQORDoc& m_doc;
    int m_lang;
    CGraphWnd* m_graph;
    std::vector<int> m_channels;
    std::array<int, 16> m_curve{};
    std::size_t m_fed = 0;
};

}  // namespace qor::ui
