#pragma once

namespace qor::station {

// The window timers of the station (ids 1, 2, 3 and 5). The real implementation drives
// QTimers; tests fire the ticks themselves.
class Timers {
public:
    virtual ~Timers() = default;
    // Starts or restarts timer `id` with a period of `ms` milliseconds.
    virtual void Start(int id, int ms) = 0;
    virtual void Stop(int id) = 0;
};

}  // namespace qor::station
