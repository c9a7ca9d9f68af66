#pragma once

#include "potentiostat/pot_payloads.h"
#include "potentiostat/step_text.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qor::potentiostat {

// A step program template (.stp): the steps as text and the module settings.
struct StpTemplate {
    struct Step {
        StepText text;
        std::uint32_t aux = 100;  // the program-wide value, kept with every step
    };
    double version = 3.0;
    std::vector<Step> steps;
    PotSettings settings;
};

enum class StpRead { Ok, Unreadable, TooManySteps, UnknownVersion, TrailingBytes };

// Reads a template of version 1.0, 2.0 or 3.0; `out` is complete only for Ok. A file with
// more steps than the module holds, of another version, or with bytes after the settings is
// refused (`out.version` then holds the version found).
StpRead ReadStp(const std::uint8_t* data, std::size_t size, StpTemplate& out);
// Writes the template as version 3.0.
std::vector<std::uint8_t> WriteStp(const StpTemplate& t);

// Whole files.
StpRead LoadStpFile(const std::string& path, StpTemplate& out);
bool SaveStpFile(const std::string& path, const StpTemplate& t);

}  // namespace qor::potentiostat
