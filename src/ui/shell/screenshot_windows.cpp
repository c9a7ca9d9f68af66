#include "ui/shell/screenshot_windows.h"

#include "data/qor_doc.h"
#include "ui/potentiostat/eis_graph.h"
#include "ui/potentiostat/xy_graph.h"
#include "ui/shell/main_frame.h"

namespace qor::ui {

namespace {

struct ScreenshotWindow {
    const char* name;
    const char* what;  // for the usage text
    // The window on the frame's document; nullptr when the document holds nothing it shows.
    QWidget* (*open)(CMainFrame& frame);
};

// One line per window; the first is the default.
constexpr ScreenshotWindow kWindows[] = {
    {"main", "the main window", [](CMainFrame& f) -> QWidget* { return &f; }},
    {"run", "the potentiostat run graphs",
     [](CMainFrame& f) -> QWidget* {
         return f.Document().m_pot.empty() ? nullptr : (f.ShowPotGraph(), f.PotGraph());
     }},
    {"eis", "the impedance spectrum",
     [](CMainFrame& f) -> QWidget* {
         return f.Document().m_eis.empty() ? nullptr : (f.ShowEisGraph(), f.EisGraph());
     }},
};

}  // namespace

std::string ScreenshotWindowNames()
{
    std::string names;
    for (const ScreenshotWindow& w : kWindows)
        names += (names.empty() ? "" : "|") + std::string(w.name);
    return names;
}

std::string ScreenshotWindowHelp(const std::string& indent)
{
    std::string help;
    for (const ScreenshotWindow& w : kWindows)
        help += indent + w.name + ": " + w.what + "\n";
    return help;
}

bool IsScreenshotWindow(const std::string& name)
{
    for (const ScreenshotWindow& w : kWindows)
        if (name == w.name)
            return true;
    return false;
}

QWidget* OpenScreenshotWindow(CMainFrame& frame, const std::string& name)
{
    for (const ScreenshotWindow& w : kWindows)
        if (name == w.name)
            return w.open(frame);
    return nullptr;
}

}  // namespace qor::ui
