#pragma once

#include <QTextEdit>
#include <string_view>

class QAction;

namespace qor::ui {

// The logbook as a scrolling text field. It only shows the logbook: the text is replaced
// whenever the logbook changed, and the copy command takes what is selected.
class CLogbuchView : public QTextEdit {
    Q_OBJECT
public:
    explicit CLogbuchView(int lang, QWidget* parent = nullptr);

    // Shows `text` when `changed` is set; true when it did (the caller clears its flag).
    bool Refresh(std::string_view text, bool changed);
    void SetLanguage(int lang);
    // "Kopieren eines markierten Logbuchabschnittes": enabled only with a selection.
    QAction* CopyAction() const { return m_copy; }

private:
    QAction* m_copy;
};

}  // namespace qor::ui
