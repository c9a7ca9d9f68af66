#pragma once

#include "alarm/alarm_transition.h"

#include <vector>

namespace qor::data {
class CQORDoc;
}

namespace qor::alarm {

// The document keeps each transition as a text record of its spare list: the JSON line in a
// record every earlier version of the program reads, keeps and writes back unchanged. The
// record's font face marks it as an alarm transition.
inline constexpr const char* kTransitionMark = "QOR alarm transition";

void StoreTransition(data::CQORDoc& doc, const AlarmTransition& t);
// The transitions the document holds, in the order they happened.
std::vector<AlarmTransition> StoredTransitions(const data::CQORDoc& doc);

}  // namespace qor::alarm
