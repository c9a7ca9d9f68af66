#pragma once

#include <string>

class QWidget;

namespace qor::ui {

class CMainFrame;

// The windows `qorremote --screenshot --window NAME` can draw: the main window, or one of the
// windows of the opened document. The names joined by '|', for the usage text.
std::string ScreenshotWindowNames();
// One line per window, "INDENTname: what it shows".
std::string ScreenshotWindowHelp(const std::string& indent);
bool IsScreenshotWindow(const std::string& name);
// Opens window `name` on the frame's document and returns it; nullptr for an unknown name and
// for a window that would show nothing of the document (no potentiostat samples, say).
QWidget* OpenScreenshotWindow(CMainFrame& frame, const std::string& name);

}  // namespace qor::ui
