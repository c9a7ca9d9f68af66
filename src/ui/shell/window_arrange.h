#pragma once

class QMdiArea;

namespace qor::ui {

// Window › Tile: the shown windows side by side in a grid over the area, with as many
// columns as fit the windows' smallest width. A cell is never smaller than the smallest size
// of the windows in it; when the area is too small for that, it scrolls instead of crushing
// or overlapping the windows.
void TileWindows(QMdiArea& area);

// Window › Cascade: the shown windows, in their stacking order, each set off down and right
// by a title bar's height, so that every title bar stays visible and can be clicked. A window
// keeps its size where it fits, else it shrinks to fit the area (not below its smallest size).
void CascadeWindows(QMdiArea& area);

}  // namespace qor::ui
