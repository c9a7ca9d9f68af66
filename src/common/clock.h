#pragma once

#include <cstdint>

namespace qor {

// Time as the station sees it. The real clock reads the system; the simulated one lets a
// test run a day of recording in milliseconds.
class Clock {
public:
    virtual ~Clock() = default;
    // Calendar time in whole seconds since 1970-01-01 00:00:00 UTC.
    virtual std::int64_t Now() const = 0;
    // Monotonic millisecond counter.
    virtual std::int64_t TickMs() const = 0;
    virtual void SleepMs(std::int64_t ms) = 0;
};

class SystemClock final : public Clock {
public:
    std::int64_t Now() const override;
    std::int64_t TickMs() const override;
    void SleepMs(std::int64_t ms) override;
    static SystemClock& Instance();
};

// A clock that only moves when told to (or when something sleeps on it).
class SimClock final : public Clock {
public:
    explicit SimClock(std::int64_t startSeconds = 946684800) : m_startSeconds(startSeconds) {}
    std::int64_t Now() const override { return m_startSeconds + m_ms / 1000; }
    std::int64_t TickMs() const override { return m_ms; }
    void SleepMs(std::int64_t ms) override { Advance(ms); }
    void Advance(std::int64_t ms) { m_ms += ms > 0 ? ms : 0; }

private:
    std::int64_t m_startSeconds;
    std::int64_t m_ms = 0;
};

}  // namespace qor
