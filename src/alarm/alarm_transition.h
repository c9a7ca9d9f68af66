#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace qor::alarm {

enum class AlarmKind : std::uint8_t { High, Low, Comm };
enum class AlarmEvent : std::uint8_t { Raised, Cleared, Acknowledged, Shelved, Unshelved };

// One step in an alarm's life, as it is logged, stored, printed and handed to commands.
struct AlarmTransition {
    static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

    std::int64_t time = 0;  // seconds since 1970 (UTC)
    std::string source;     // "S0.1", "V2"; "S3" for the communication alarm of address 3
    AlarmKind kind = AlarmKind::High;
    AlarmEvent event = AlarmEvent::Raised;
    double value = kNone;  // NaN: none
    double limit = kNone;
    // Not part of the JSON line: which alarm of the evaluator, the seconds of a shelving or the
    // polls a silent module missed, and
    // the source's name and unit as the catalogue gave them ("S0 pH value", "pH").
    int id = -1;
    std::int64_t count = 0;
    std::string name;
    std::string unit;
};

const char* KindText(AlarmKind k);    // "high", "low", "comm"
const char* EventText(AlarmEvent e);  // "raised", ...

// A value as the JSON line and the alarm command's environment give it: seven significant
// digits (all a sample's float holds); "null" / empty for none.
std::string ValueText(double v);

// {"time": 1700000000, "source": "S0.1", "kind": "high", "event": "raised", "value": 7.41,
// "limit": 7.2}, without a line end.
std::string AlarmJsonLine(const AlarmTransition& t);
// Reads such a line back (fields in any order); nothing when it is not one.
std::optional<AlarmTransition> ParseAlarmJsonLine(std::string_view line);

// Told of every transition, on the poll cycle's thread; must not block it.
class AlarmListener {
public:
    virtual ~AlarmListener() = default;
    virtual void OnAlarmTransition(const AlarmTransition& t) = 0;
};

}  // namespace qor::alarm
