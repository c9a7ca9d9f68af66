#pragma once

#include "formula/formula_program.h"

#include <vector>

namespace qor::formula {

// Whether the tokens form the arrangement the compiled route covers; each '(' is given the
// index of its ')'.
bool CheckShape(std::vector<FormulaProgram::TemplateToken>& tokens);

}  // namespace qor::formula
