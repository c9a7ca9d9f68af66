#pragma once

#include <string>
#include <vector>

namespace qor::cli {

// qortool pot program | read-program | manual; `argv` starts with the sub-command.
bool IsPotProgramCommand(const std::string& name);
int RunPotProgram(const std::vector<std::string>& argv);
extern const char* const kPotProgramUsage;

}  // namespace qor::cli
