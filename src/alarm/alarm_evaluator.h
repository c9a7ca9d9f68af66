#pragma once

#include "alarm/alarm_definition.h"
#include "alarm/alarm_transition.h"
#include "station/measurement.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qor::alarm {

// Where an alarm stands in its life: normal -> active unacknowledged -> active acknowledged
// -> normal, or back to normal while still unacknowledged, which it stays until acknowledged.
enum class AlarmState : std::uint8_t { Normal, ActiveUnacked, ActiveAcked, ClearedUnacked };

// One alarm the evaluator watches: a limit of a definition, or a module's communication.
struct AlarmPoint {
    int id = 0;
    AlarmSource source;  // for the communication alarm: the module's address
    AlarmKind kind = AlarmKind::High;
    double limit = AlarmTransition::kNone;
    double deadband = 0;
    std::int64_t onDelayMs = 0, offDelayMs = 0;

    AlarmState state = AlarmState::Normal;
    bool active = false;  // the condition, after deadband and delays
    bool shelved = false;
    std::int64_t shelvedUntilMs = 0;             // on the clock's tick
    std::int64_t shelvedUntil = 0;               // in seconds since 1970, for the pane
    std::optional<std::int64_t> pendingSinceMs;  // the condition towards a change began here
    int misses = 0;                              // consecutive missed polls
    double value = AlarmTransition::kNone;       // the last value measured
    std::int64_t since = 0;                      // time of the last transition
    std::string name, unit;                      // as the catalogue named the source then

    std::string SourceText() const;
    // Counted in the status bar and the title: not acknowledged, not shelved.
    bool Unacknowledged() const
    {
        return !shelved && (state == AlarmState::ActiveUnacked || state == AlarmState::ClearedUnacked);
    }
};

// The alarms' life cycle on each poll cycle's values. Plain logic: no clock of its own, no
// output but the transitions it returns.
class AlarmEvaluator {
public:
    // Starts anew with these definitions; disabled ones are not watched.
    void Configure(const AlarmSettings& settings);

    // One poll cycle: `shown` are its values as the window shows them.
    std::vector<AlarmTransition> Evaluate(const station::Measurement& m, const station::ShownValues& shown);
    std::vector<AlarmTransition> Acknowledge(int id, std::int64_t time);
    std::vector<AlarmTransition> AcknowledgeAll(std::int64_t time);
    // Silences an alarm for `seconds`; it returns by itself (Expire) and is raised again then
    // if its condition still holds.
    std::vector<AlarmTransition> Shelve(int id, std::int64_t seconds, std::int64_t time, std::int64_t tickMs);
    // Shelvings whose time has run out end.
    std::vector<AlarmTransition> Expire(std::int64_t time, std::int64_t tickMs);

    const std::vector<AlarmPoint>& Points() const { return m_points; }
    int Unacknowledged() const;
    // The most urgent state of the limit alarms on value 1..3 of `address` (or on virtual
    // channel 1..4 when `isVirtual`), shelved ones not counted.
    AlarmState SourceState(bool isVirtual, int index, int value) const;

private:
    void Transit(AlarmPoint& p, AlarmEvent e, std::int64_t time, std::vector<AlarmTransition>& out,
                 const station::Measurement* m = nullptr);
    void Raise(AlarmPoint& p, std::int64_t time, std::vector<AlarmTransition>& out,
               const station::Measurement& m);
    void Clear(AlarmPoint& p, std::int64_t time, std::vector<AlarmTransition>& out,
               const station::Measurement& m);
    void EvaluateLimit(AlarmPoint& p, double v, const station::Measurement& m,
                       std::vector<AlarmTransition>& out);
    void EvaluateComm(AlarmPoint& p, const station::Measurement& m, std::vector<AlarmTransition>& out);

    std::vector<AlarmPoint> m_points;
    int m_commLoss = AlarmSettings::kDefaultCommLoss;
};

}  // namespace qor::alarm
