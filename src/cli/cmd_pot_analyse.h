#pragma once

#include <string>
#include <vector>

namespace qor::cli {

// qortool pot analyse: the XY window's analyses of a document; `argv` starts with "analyse".
int RunPotAnalyse(const std::vector<std::string>& argv);
extern const char* const kPotAnalyseUsage;

}  // namespace qor::cli
