#pragma once

namespace qor::station {

// The window timers of the station. The real implementation drives QTimers; tests fire the
// ticks themselves.
inline constexpr int kTimerPoll = 1;
inline constexpr int kTimerRecord = 2;
inline constexpr int kTimerSave = 3;
inline constexpr int kTimerKeepAlive = 5;
inline constexpr int kKeepAlivePeriodMs = 5000;

class Timers {
public:
    virtual ~Timers() = default;
    // Starts or restarts timer `id` with a period of `ms` milliseconds.
    virtual void Start(int id, int ms) = 0;
    virtual void Stop(int id) = 0;
};

}  // namespace qor::station
