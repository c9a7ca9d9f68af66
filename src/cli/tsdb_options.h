#pragma once

#include "cli/command.h"
#include "plant/tsdb_link.h"

#include <memory>
#include <optional>
#include <string>

namespace qor::station {
class Station;
}

namespace qor::cli {

// The host name: the station tag when --station is not given.
std::string DefaultStationName();

// The database's options for the station `station` (the value of --station, which other links
// share; empty: the host name). Nothing without --tsdb; false with the message for a URL that
// cannot be used or a bad name.
bool TsdbOptionsOf(const Parsed& p, const std::string& station, std::optional<plant::TsdbOptions>& out,
                   std::string& error);

// The writer of a recording, started on the station's document (nothing without options).
// False with the message when it cannot start.
bool StartTsdb(station::Station& station, const std::optional<plant::TsdbOptions>& options,
               std::unique_ptr<plant::TsdbLink>& link, std::string& error);

// At the end of the recording: gives the database a last chance for what is queued, then says
// on stdout how much it acknowledged, and how to send the rest when something is left.
void FinishTsdb(plant::TsdbLink* link, const std::string& file, int lang);

}  // namespace qor::cli
