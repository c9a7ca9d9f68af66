#pragma once

#include "station/station_context.h"

#include <cstdint>
#include <optional>

namespace qor::station {

// The potentiostat's step program: start and stop, the fast polls while it runs, and the
// records it queues meanwhile.
class PotControl {
public:
    explicit PotControl(StationContext& ctx) : m_ctx(ctx) {}

    // Starts the program of the first potentiostat; its address when the program runs.
    std::optional<std::uint8_t> Start();
    void Stop();
    // Polls a running potentiostat once, or ten times in the fast mode; sets
    // `stillRunning` while its program runs. True when it answered at least once.
    bool PollRunning(std::uint8_t address, bool& stillRunning);
    // Fetches the queued impedance points and samples into the document.
    void ReadRecords(std::uint8_t address);

private:
    // Sends start or stop; true when the module accepted it, else the message is shown.
    bool SendProgramCommand(std::uint8_t command, const TextPair& refused);

    StationContext& m_ctx;
};

}  // namespace qor::station
