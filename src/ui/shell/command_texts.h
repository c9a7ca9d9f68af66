#pragma once

#include "common/text.h"
#include "station/command_rules.h"

#include <array>

namespace qor::ui {

// Menu label and status prompt ("status tip\ntool tip") of each command.
struct CommandText {
    station::Cmd cmd;
    TextPair label;
    TextPair prompt;
};
const std::array<CommandText, static_cast<int>(station::Cmd::Count)>& CommandTexts();
const CommandText& TextOf(station::Cmd cmd);

}  // namespace qor::ui
