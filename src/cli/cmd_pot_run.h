#pragma once

#include <string>
#include <vector>

namespace qor::cli {

// qortool pot export-run | run-graph: the run window's export and graphs from a document;
// `argv` starts with the sub-command.
bool IsPotRunCommand(const std::string& name);
int RunPotRun(const std::vector<std::string>& argv);
extern const char* const kPotRunUsage;

}  // namespace qor::cli
