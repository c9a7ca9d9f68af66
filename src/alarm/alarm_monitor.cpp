#include "alarm/alarm_monitor.h"

#include "alarm/alarm_record.h"
#include "alarm/alarm_texts.h"
#include "common/clock.h"
#include "data/qor_doc.h"

#include <algorithm>

namespace qor::alarm {

AlarmMonitor::AlarmMonitor(data::CQORDoc& doc, Clock& clock, std::function<int()> language)
    : m_doc(doc), m_clock(clock), m_language(std::move(language))
{
}

void AlarmMonitor::Configure(const AlarmSettings& settings)
{
    m_settings = settings;
    m_eval.Configure(settings);
}

void AlarmMonitor::OnMeasurement(const station::Measurement& m)
{
    if (m_eval.Points().empty()) {
        ReapCommands();
        return;
    }
    const station::ShownValues shown =
        station::ShowValues(m, m_doc.GrafikSetup(), m_doc.Virtuell(), m_channels);
    Handle(m_eval.Evaluate(m, shown));
    ReapCommands();
}

void AlarmMonitor::Acknowledge(int id)
{
    Handle(m_eval.Acknowledge(id, m_clock.Now()));
}

void AlarmMonitor::AcknowledgeAll()
{
    Handle(m_eval.AcknowledgeAll(m_clock.Now()));
}

void AlarmMonitor::Shelve(int id, std::int64_t seconds)
{
    Handle(m_eval.Shelve(id, seconds, m_clock.Now(), m_clock.TickMs()));
}

void AlarmMonitor::Tick()
{
    Handle(m_eval.Expire(m_clock.Now(), m_clock.TickMs()));
    ReapCommands();
}

void AlarmMonitor::AddListener(AlarmListener* l)
{
    if (l && std::find(m_listeners.begin(), m_listeners.end(), l) == m_listeners.end())
        m_listeners.push_back(l);
}

void AlarmMonitor::RemoveListener(AlarmListener* l)
{
    std::erase(m_listeners, l);
}

void AlarmMonitor::Handle(const std::vector<AlarmTransition>& transitions)
{
    const int lang = m_language();
    for (const AlarmTransition& t : transitions) {
        m_doc.AddLogbookEntry(AlarmLogText(t, lang));
        StoreTransition(m_doc, t);
        if (!m_settings.command.empty()) {
            std::string why;
            if (!m_command.Run(m_settings.command, t, why))
                m_doc.AddLogbookEntry(CommandFailedText(m_settings.command, why, lang));
        }
        const std::vector<AlarmListener*> listeners = m_listeners;
        for (AlarmListener* l : listeners)
            l->OnAlarmTransition(t);
    }
}

void AlarmMonitor::ReapCommands()
{
    if (m_command.Running() == 0)
        return;
    const int lang = m_language();
    for (const AlarmCommand::Failure& f : m_command.Reap(lang))
        m_doc.AddLogbookEntry(CommandFailedText(f.command, f.why, lang));
}

}  // namespace qor::alarm
