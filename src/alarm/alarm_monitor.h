#pragma once

#include "alarm/alarm_command.h"
#include "alarm/alarm_definition.h"
#include "alarm/alarm_evaluator.h"
#include "alarm/alarm_transition.h"
#include "data/virtual_channel.h"
#include "station/measurement.h"

#include <functional>
#include <vector>

namespace qor {
class Clock;
}
namespace qor::data {
class CQORDoc;
}

namespace qor::alarm {

// The station's alarms: a subscriber of each poll cycle that evaluates the definitions on
// the values as shown, and for every transition writes the logbook line, stores it with the
// document, starts the alarm command and tells its listeners. Nothing here waits.
class AlarmMonitor final : public station::MeasurementListener {
public:
    AlarmMonitor(data::CQORDoc& doc, Clock& clock, std::function<int()> language);

    // New definitions: every alarm starts anew in the normal state.
    void Configure(const AlarmSettings& settings);
    const AlarmSettings& Settings() const { return m_settings; }
    // Settings that change no definition (the command, the ride-through): the alarms go on.
    void KeepSettings(const AlarmSettings& settings)
    {
        if (settings.alarms == m_settings.alarms && settings.commLoss == m_settings.commLoss)
            m_settings = settings;
    }
    const AlarmEvaluator& Evaluator() const { return m_eval; }

    void OnMeasurement(const station::Measurement& m) override;
    void Acknowledge(int id);
    void AcknowledgeAll();
    void Shelve(int id, std::int64_t seconds);
    // Shelvings that ran out end, finished alarm commands are looked at; also while no poll
    // cycle runs.
    void Tick();

    // Alarm commands started and not yet seen to end.
    std::size_t CommandsRunning() const { return m_command.Running(); }

    void AddListener(AlarmListener* l);
    void RemoveListener(AlarmListener* l);

private:
    void Handle(const std::vector<AlarmTransition>& transitions);
    void ReapCommands();

    data::CQORDoc& m_doc;
    Clock& m_clock;
    std::function<int()> m_language;
    AlarmSettings m_settings;
    AlarmEvaluator m_eval;
    AlarmCommand m_command;
    data::VirtualChannels m_channels;  // compiled once, not every cycle
    std::vector<AlarmListener*> m_listeners;
};

}  // namespace qor::alarm
