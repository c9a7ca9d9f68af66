#pragma once

#include <string>
#include <vector>

namespace qor::cli {

// qortool eis plot DOC.qo3 --png OUT.png [--nyquist] [--size WxH] [--fit randles|randles-w] [--kk]
// [--lang de|en]: the impedance window's Bode plot (or its Nyquist view) as a picture; `args` are
// those after "plot".
int RunEisPlot(const std::vector<std::string>& args);

inline constexpr const char* kEisPlotUsage =
    "plot DOC.qo3 --png OUT.png [--nyquist] [--size WxH] [--fit randles|randles-w] [--kk] [--lang de|en]";

}  // namespace qor::cli
