#pragma once

#include "bus/link_host.h"

#include <string>
#include <vector>

namespace qor::test {

// Records every call the link makes to its owner.
struct FakeLinkHost : bus::LinkHost {
    std::vector<std::string> messages, panes, logbook;
    int stops = 0;
    int keepAliveStarts = 0, keepAliveStops = 0;
    int keepAlivePeriod = 0;
    void ShowMessage(const std::string& t) override { messages.push_back(t); }
    void SetLinkPane(const std::string& t) override { panes.push_back(t); }
    void AddLogbookEntry(const std::string& t) override { logbook.push_back(t); }
    void StopRecording() override { ++stops; }
    void StartKeepAlive(int ms) override
    {
        ++keepAliveStarts;
        keepAlivePeriod = ms;
    }
    void StopKeepAlive() override { ++keepAliveStops; }
};

}  // namespace qor::test
