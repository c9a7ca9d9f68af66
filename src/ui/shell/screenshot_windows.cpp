#include "ui/shell/screenshot_windows.h"

#include "data/qor_doc.h"
#include "ui/potentiostat/eis_graph.h"
#include "ui/potentiostat/graph_xy.h"
#include "ui/potentiostat/xy_graph.h"
#include "ui/shell/main_frame.h"

#include <QRadioButton>

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
         return f.Document().Pot().empty() ? nullptr : (f.ShowRunGraph(), f.PotGraph());
     }},
    {"xy", "the polarisation curve (XY window) on a logarithmic current axis",
     [](CMainFrame& f) -> QWidget* {
         if (f.Document().Pot().empty())
             return nullptr;
         CGraphXY* xy = f.MakeXyGraph().release();  // the frame owns it
         xy->ScaleRadio(true)->click();
         xy->show();
         return xy;
     }},
    {"eis", "the impedance spectrum",
     [](CMainFrame& f) -> QWidget* {
         return f.Document().Eis().empty() ? nullptr : (f.ShowEisGraph(), f.EisGraph());
     }},
    {"nyquist", "the impedance spectrum as a Nyquist plot with the Randles circuit fitted",
     [](CMainFrame& f) -> QWidget* {
         if (f.Document().Eis().empty())
             return nullptr;
         f.ShowEisGraph();
         f.EisGraph()->ShowNyquist(true);
         f.EisGraph()->RunFit();
         return f.EisGraph();
     }},
    {"kk", "the Kramers-Kronig residuals of the impedance spectrum over the frequency",
     [](CMainFrame& f) -> QWidget* {
         if (f.Document().Eis().empty())
             return nullptr;
         f.ShowEisGraph();
         f.EisGraph()->ShowResiduals();
         return f.EisGraph();
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
