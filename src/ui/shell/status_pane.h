#pragma once

#include <QLabel>
#include <QString>
#include <algorithm>

namespace qor::ui {

// The least widths of the status bar's four panes.
inline constexpr int kPaneWidths[4] = {200, 150, 150, 110};

// A pane is never narrower than its text: a cut state ("keine Datenübertragun") misleads.
inline void SetPaneText(QLabel* pane, int index, const QString& text)
{
    if (!pane || pane->text() == text)
        return;
    pane->setText(text);
    pane->setMinimumWidth(std::max(kPaneWidths[index], pane->sizeHint().width()));
}

}  // namespace qor::ui
