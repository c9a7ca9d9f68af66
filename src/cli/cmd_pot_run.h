#pragma once

#include "data/pot_qor_daten_object.h"

#include <string>
#include <vector>

namespace qor::cli {

// The samples of run `number` (1-based text) of `list`, or of the last run when `number` is
// empty; the message when there is no such run (empty when `out` was filled). A document
// without samples has no run to choose but gives an empty list.
std::string ChooseRun(const std::vector<data::CPotQORDatenObject>& list, const std::string& number, int lang,
                      std::vector<data::CPotQORDatenObject>& out);

}  // namespace qor::cli
