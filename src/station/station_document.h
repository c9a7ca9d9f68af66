#pragma once

#include <cstdint>

#include "catalogue/slave.h"

namespace qor::station {

// Recording interval as hours, minutes and seconds; `valid` false when the document's
// interval time cannot be converted.
struct RecordingInterval {
    int hours = 0;
    int minutes = 0;
    int seconds = 10;
    bool valid = true;
};

// What the station needs from the document: its module records, the sample and
// potentiostat data paths, the recording interval and the periodic save.
class StationDocument {
public:
    virtual ~StationDocument() = default;
    // Module record of bus address 0..15.
    virtual catalogue::CSlave& Slave(int address) = 0;
    // One measurement sample from the module records; noRecord = 1 only marks the
    // document modified.
    virtual void AddSample(int noRecord) = 0;
    // kind 1: a 12-byte potentiostat sample; kind 2: an 18-byte impedance point.
    virtual void AddPotData(int kind, const std::uint8_t* block) = 0;
    virtual RecordingInterval GetRecordingInterval() const = 0;
    virtual void SetRecordingInterval(int hours, int minutes, int seconds) = 0;
    // A sample was appended by the recording timer.
    virtual void SetNewSample() = 0;
    // Timer 3: saves the bound file (nothing without one).
    virtual void PeriodicSave() = 0;
    virtual void SetRecording(bool running) = 0;
    // The potentiostat program runs: its records are kept only then.
    virtual void SetPotentiostatRunning(bool running) = 0;
    virtual void SetModified() = 0;
};

}  // namespace qor::station
