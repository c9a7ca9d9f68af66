#pragma once

#include "bus/link_events.h"

#include <algorithm>
#include <vector>

namespace qor::test {

// Records every event the link reports.
struct FakeLinkHost : bus::LinkListener {
    std::vector<bus::LinkEvent> events;
    void OnLinkEvent(const bus::LinkEvent& e) override { events.push_back(e); }
    int Count(bus::LinkEventKind k) const
    {
        return static_cast<int>(std::count_if(events.begin(), events.end(),
                                              [k](const bus::LinkEvent& e) { return e.kind == k; }));
    }
    bus::LinkEventKind Last() const { return events.back().kind; }
};

}  // namespace qor::test
