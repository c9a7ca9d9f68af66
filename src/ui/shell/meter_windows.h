#pragma once

#include <QObject>
#include <array>
#include <functional>
#include <string>

class QMdiArea;
class QMdiSubWindow;

namespace qor::ui {

class CDigitalMessView;

// The main window's digital measurement views, at most one per module address, each in a
// window of the MDI area.
class MeterWindows {
public:
    // `closed` runs whenever one of the windows went, with whether any is left.
    MeterWindows(QMdiArea& area, std::function<void(bool anyLeft)> closed);

    QMdiSubWindow* Frame(int address) const { return m_frames[static_cast<std::size_t>(address & 15)]; }
    CDigitalMessView* View(int address) const;
    // Brings the window of `address` to the front; false when it has none.
    bool Raise(int address);
    // Opens the view of the module at `address` named `moduleName`, the `cascade`-th window of
    // a row set off down and right. Its values come with the next measurement it is handed.
    void Open(int address, const std::string& moduleName, int cascade, int lang);
    void CloseAll();

private:
    void KeepInFront();

    QMdiArea& m_area;
    std::function<void(bool)> m_closed;
    std::array<QMdiSubWindow*, 16> m_frames{};
    QObject m_context;
};

}  // namespace qor::ui
