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
    const QSize room = area.viewport()->size();
    QSize smallest;
    for (const QMdiSubWindow* w : windows)
        smallest = smallest.expandedTo(Smallest(w));
    auto rowsOf = [n](int columns) { return (n + columns - 1) / columns; };
    // A square grid, with fewer columns where they would be too narrow and more where the
    // rows would be too low, so that the windows keep a size they can be read at.
    int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(n))));
    while (columns > 1 && room.width() / columns < smallest.width())
        --columns;
    while (columns < n && room.height() / rowsOf(columns) < smallest.height() &&
           room.width() / (columns + 1) >= smallest.width())
        ++columns;
    const QSize cell = QSize(room.width() / columns, room.height() / rowsOf(columns)).expandedTo(smallest);
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
