#include "ui/shell/window_arrange.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>
#include <algorithm>
#include <cmath>

namespace qor::ui {

namespace {

std::vector<QMdiSubWindow*> Shown(QMdiArea& area)
{
    std::vector<QMdiSubWindow*> out;
    for (QMdiSubWindow* w : area.subWindowList(QMdiArea::StackingOrder))
        if (w->isVisible() && !w->isMinimized())
            out.push_back(w);
    return out;
}

QSize Smallest(const QMdiSubWindow* w)
{
    return w->minimumSize().expandedTo(w->minimumSizeHint());
}

}  // namespace

void TileWindows(QMdiArea& area)
{
    const std::vector<QMdiSubWindow*> windows = Shown(area);
    if (windows.empty())
        return;
    const int n = static_cast<int>(windows.size());
    const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(n))));
    const int rows = (n + columns - 1) / columns;
    const QSize room = area.viewport()->size();
    QSize cell(room.width() / columns, room.height() / rows);
    for (const QMdiSubWindow* w : windows)
        cell = cell.expandedTo(Smallest(w));
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* w = windows[static_cast<std::size_t>(i)];
        if (w->isMaximized())
            w->showNormal();
        w->setGeometry(QRect(QPoint((i % columns) * cell.width(), (i / columns) * cell.height()), cell));
    }
}

void CascadeWindows(QMdiArea& area)
{
    const std::vector<QMdiSubWindow*> windows = Shown(area);
    if (windows.empty())
        return;
    const int step = area.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, windows.front()) + 4;
    const QSize room = area.viewport()->size();
    const int n = static_cast<int>(windows.size());
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* w = windows[static_cast<std::size_t>(i)];
        if (w->isMaximized())
            w->showNormal();
        const QPoint at(i * step, i * step);
        const QSize fits(room.width() - at.x(), room.height() - at.y());
        w->setGeometry(QRect(at, w->size().boundedTo(fits).expandedTo(Smallest(w))));
        w->raise();
    }
}

}  // namespace qor::ui
