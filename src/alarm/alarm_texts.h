#pragma once

#include "alarm/alarm_evaluator.h"
#include "alarm/alarm_transition.h"

#include <string>

namespace qor::alarm {

// A number with the decimal mark of the language (0 German: comma) and at least two
// decimals, more when the limit has them.
std::string AlarmNumber(double v, int decimals, int language);
// The decimals a limit is written with (2 at least, 6 at most).
int LimitDecimals(double limit);

// "S0 pH value", or the source text when the catalogue gave no name.
std::string SourceName(const AlarmTransition& t);
// "high" / "hoch", "low" / "tief", "communication" / "Kommunikation".
std::string KindName(AlarmKind k, int language);
std::string StateName(const AlarmPoint& p, int language);
// The logbook line of a transition: "Alarm S0 pH value high: 7.41 > 7.20".
std::string AlarmLogText(const AlarmTransition& t, int language);
// The logbook line of an alarm command that failed.
std::string CommandFailedText(const std::string& command, const std::string& why, int language);

}  // namespace qor::alarm
