#pragma once

#include <string>

namespace qor::bus {

// What the link needs from its owner: notices, status pane 1, the logbook, the recording
// and the keep-alive timer.
class LinkHost {
public:
    virtual ~LinkHost() = default;
    virtual void ShowMessage(const std::string& text) = 0;
    virtual void SetLinkPane(const std::string& text) = 0;
    virtual void AddLogbookEntry(const std::string& text) = 0;
    // The "End data logging" command, run when polls keep failing.
    virtual void StopRecording() = 0;
    virtual void StartKeepAlive(int periodMs) = 0;
    virtual void StopKeepAlive() = 0;
};

// Timer identifiers of the station.
inline constexpr int kTimerPoll = 1;
inline constexpr int kTimerRecord = 2;
inline constexpr int kTimerSave = 3;
inline constexpr int kTimerKeepAlive = 5;
inline constexpr int kKeepAlivePeriodMs = 5000;

}  // namespace qor::bus
