#pragma once

#include "station/station_context.h"

#include <cstdint>
#include <optional>

namespace qor::station {

class FreigabeDlgModel;

// Finding the modules on the bus: the search with its release dialog, the identification
// of the released modules, the start-up release and the choice of one potentiostat.
class ModuleSearch {
public:
    explicit ModuleSearch(StationContext& ctx) : m_ctx(ctx) {}

    void Search();
    // With AUTO_ENABLE restores the released set from S_ENABLE, waits 1 s, searches.
    void AutoEnable();
    // Reads the description of module `address` into `slave`; 1 success, 0 failure.
    int Identify(catalogue::CSlave& slave, std::uint8_t address);
    // Lets the user choose one potentiostat (types 0x40..0x5F) among the released modules.
    std::optional<std::uint8_t> ChoosePotentiostat();

private:
    // Asks every address up to IDCOUNT; false when nobody answered.
    bool Poll(FreigabeDlgModel& dialog);
    void Release(const FreigabeDlgModel& dialog);
    // Polls `address` without counting silence as a link failure; its type code, if it answered.
    std::optional<std::uint8_t> ProbeType(std::uint8_t address);

    StationContext& m_ctx;
};

}  // namespace qor::station
