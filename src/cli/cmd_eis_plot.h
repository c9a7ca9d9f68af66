#pragma once

namespace qor::cli {

class Args;

// qortool eis plot: the impedance window's Bode plot (or its Nyquist view) as a picture. `args`
// are those after "plot", --lang taken (`lang` 0 German, 1 English).
int RunEisPlot(Args& args, int lang);

inline constexpr const char* kEisPlotUsage =
    "DOC.qo3 --png OUT.png [--nyquist] [--size WxH] [--fit randles|randles-w] [--kk]   (the impedance "
    "window's graphs)";

}  // namespace qor::cli
