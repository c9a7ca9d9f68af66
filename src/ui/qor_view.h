#pragma once

#include <QWidget>

#include <vector>

namespace qor::data {
class CQORDoc;
}

namespace qor::ui {

// The graph pane: value 1 of the recorded channels over time, one curve per channel, each
// pixel column drawn from its minimum to its maximum so no spike is lost.
class CQORView : public QWidget {
    Q_OBJECT
public:
    CQORView(data::CQORDoc& doc, int lang, QWidget* parent = nullptr);
    void SetLanguage(int lang);
    // Repaints when samples were added or the document was read.
    void OnUpdate();
    // The channels drawn: those switched on in the graph setup, or else every channel that
    // holds a module.
    std::vector<int> Channels() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    data::CQORDoc& m_doc;
    int m_lang;
    std::size_t m_drawnSamples = 0;
};

}  // namespace qor::ui
