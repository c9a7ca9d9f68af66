#include "station/station.h"

#include "station/link_texts.h"
#include "station/station_texts.h"

namespace qor::station {

Station::Station(const StationConfig& config, Clock& clock, StationUi& ui, Timers& timers, data::CQORDoc& doc,
                 data::Logbook& logbook)
    : m_config(config), m_clock(clock), m_ui(ui), m_timers(timers), m_doc(doc), m_logbook(logbook),
      m_link(clock, *this),
      m_language(config.language == 1 ? 1 : 0), m_ctx{m_config,  m_clock, m_ui,    m_timers,   m_doc,
                                                      m_modules, m_link,  m_flags, m_language, m_hub},
      m_search(m_ctx), m_pot(m_ctx), m_recorder(m_ctx, m_pot, [this] { StopCommand(); }), m_readout(m_ctx)
{
    m_link.Settings() = config.link;
    for (std::size_t a = 0; a < m_modules.size(); ++a)
        m_modules[a].m_address = static_cast<std::uint8_t>(a);
    SetLanguage(m_language);
    if (m_config.idCount < 0)
        m_config.idCount = 0;
    if (m_config.idCount > 15)
        m_config.idCount = 15;
    m_hub.Subscribe(this);
}

void Station::SetRideThrough(bool on)
{
    m_rideThrough = on;
    m_link.SetGrowingReopenPause(on);
}

void Station::OnMeasurement(const Measurement& m)
{
    if (!m_outageSinceMs)
        return;
    for (const ModuleReading& r : m.modules)
        if (r.Measured()) {
            const auto s = static_cast<int>((m_clock.TickMs() - *m_outageSinceMs + 500) / 1000);
            m_outageSinceMs.reset();
            AddLogbookEntry(Format(m_ctx.T(text::kOutageEnded).c_str(), s));
            return;
        }
}

void Station::SetLanguage(int language)
{
    m_language = language == 1 ? 1 : 0;
    for (catalogue::CSlave& slave : m_modules)
        slave.m_language = static_cast<std::uint8_t>(m_language);
}

void Station::Describe(Measurement& m) const
{
    for (std::size_t a = 0; a < 16; ++a)
        DescribeReading(m.modules[a], m_modules[a]);
}

StationConfig Station::ConfigToSave() const
{
    StationConfig c = m_config;
    c.link = m_link.Settings();
    c.language = static_cast<std::uint8_t>(m_language);
    return c;
}

CommandState Station::Commands() const
{
    CommandState s;
    s.documentClosed = m_flags.documentClosed;
    s.fileBound = m_doc.FileBound();
    s.modulesReleased = m_flags.modulesReleased;
    s.measuring = m_flags.measuring;
    s.recording = m_flags.recording;
    s.metersShown = m_flags.metersShown;
    s.potPresent = m_flags.potPresent;
    s.potRunning = m_flags.potRunning;
    return s;
}

void Station::StopCommand()
{
    m_recorder.StopAll();
    if (m_flags.potRunning && m_ui.AskOkCancel(m_ctx.T(text::kStillRunning)))
        m_pot.Stop();
    if (m_link.Ethernet() && m_link.Connected() && m_link.LinkTest() < 1) {
        m_link.CloseEthernet();
        m_ui.SetPane(1, LinkPaneText(m_link.Settings(), "closed", m_language));
    }
}

void Station::StopRecording()
{
    if (m_flags.inCycle)
        m_flags.stoppedInCycle = true;
    StopCommand();
}

void Station::StartPotentiostat()
{
    const std::optional<std::uint8_t> address = m_pot.Start();
    if (!address)
        return;
    m_recorder.StartMeasuring();
    m_ui.ShowMeter(*address);
    m_ui.ProcessEvents(1000);
}

void Station::StartPotentiostatAndRecording()
{
    if (!m_recorder.StartRecording())
        return;
    StartPotentiostat();
    m_flags.potWithRecording = true;
}

void Station::OnTimer(int id)
{
    switch (id) {
    case kTimerPoll:
        m_recorder.PollCycle();
        break;
    case kTimerRecord:
        m_recorder.RecordTick();
        break;
    case kTimerSave:
        m_doc.PeriodicSave();
        break;
    case kTimerKeepAlive:
        m_link.KeepAlive();
        break;
    default:
        break;
    }
}

void Station::OnLinkEvent(const bus::LinkEvent& event)
{
    using K = bus::LinkEventKind;
    switch (event.kind) {
    case K::GatewayOpen:
        m_ui.SetPane(1, LinkPaneText(m_link.Settings(), "open", m_language));
        break;
    case K::GatewayClosed:
    case K::GatewayFailed:
        m_ui.SetPane(1, LinkPaneText(m_link.Settings(), "closed", m_language));
        break;
    case K::PollsFailing:
        if (m_rideThrough && m_flags.recording) {
            // The recording goes on: one line for the outage, no message that would wait.
            if (!m_outageSinceMs) {
                m_outageSinceMs = m_clock.TickMs();
                AddLogbookEntry(m_ctx.T(text::kOutageRidden));
            }
            return;
        }
        StopRecording();
        break;
    case K::KeepAliveWanted:
        m_timers.Start(kTimerKeepAlive, kKeepAlivePeriodMs);
        break;
    default:
        break;
    }
    const LinkEventTexts texts = TextsFor(event, m_language);
    bool log = !texts.logbook.empty();
    if (log && event.kind == K::ChecksumError) {
        // A noisy line would fill the logbook: one line a minute says it is still there.
        const std::int64_t now = m_clock.TickMs();
        log = !m_checksumLoggedMs || now - *m_checksumLoggedMs >= kChecksumLogPauseMs;
        if (log)
            m_checksumLoggedMs = now;
    }
    if (log)
        AddLogbookEntry(texts.logbook);
    if (!texts.notice.empty())
        m_ui.ShowNotice(texts.notice);
    if (event.kind == K::GatewayFailed)
        m_timers.Stop(kTimerKeepAlive);
    if (!texts.message.empty())
        m_ui.ShowMessage(texts.message);
}

}  // namespace qor::station
