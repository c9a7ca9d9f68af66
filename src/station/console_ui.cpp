#include "station/console_ui.h"

#include "station/freigabe_dlg_model.h"
#include "station/slave_auswahl_model.h"

#include <algorithm>

namespace qor::station {

void ConsoleUi::ShowMessage(const std::string& text)
{
    messages.push_back(text);
    std::fprintf(m_out, "qortool: %s\n", text.c_str());
}

void ConsoleUi::ShowNotice(const std::string& text)
{
    notices.push_back(text);
    std::fprintf(m_out, "qortool: %s\n", text.c_str());
}

bool ConsoleUi::AskOkCancel(const std::string& text)
{
    std::fprintf(m_out, "qortool: %s %s\n", text.c_str(), answerOk ? "OK" : "Cancel");
    return answerOk;
}

bool ConsoleUi::ShowErrorDialog(const std::string& text)
{
    ShowMessage(text);
    return true;
}

void ConsoleUi::ShowProgress(const std::string& title, const std::string&, int maximum)
{
    m_progressTitle = title;
    m_progressMax = maximum > 0 ? maximum : 1;
    m_lastPercent = -1;
}

void ConsoleUi::SetProgress(int value)
{
    const int percent = value * 100 / m_progressMax;
    if (quiet || percent / 10 == m_lastPercent / 10)
        return;
    m_lastPercent = percent;
    std::fprintf(m_out, "%s: %d %%\n", m_progressTitle.c_str(), percent);
}

void ConsoleUi::CloseProgress()
{
    m_progressMax = 0;
}

bool ConsoleUi::RunReleaseDialog(FreigabeDlgModel& dialog)
{
    for (const auto& t : dialog.ReleasedTexts())
        found.push_back(t);
    for (const auto& t : dialog.NotReleasedTexts())
        found.push_back(t);
    if (!releaseAll)
        return false;
    dialog.SelectAll();
    return true;
}

bool ConsoleUi::RunModuleSelection(SlaveAuswahlModel& dialog)
{
    selected = dialog.SelectedAddress();
    return selected.has_value();
}

void ConsoleDocumentUi::ShowMessage(const std::string& text)
{
    messages.push_back(text);
    std::fprintf(m_out, "qortool: %s\n", text.c_str());
}

void LoopTimers::Start(int id, int ms)
{
    m_timers[id] = {ms > 0 ? ms : 1, m_clock.TickMs() + (ms > 0 ? ms : 1)};
}

void LoopTimers::Run(const std::function<void(int)>& fire, const std::function<bool()>& done, int sliceMs)
{
    while (!done() && !m_timers.empty()) {
        int id = -1;
        std::int64_t due = 0;
        for (const auto& [k, e] : m_timers)
            if (id < 0 || e.due < due) {
                id = k;
                due = e.due;
            }
        const std::int64_t now = m_clock.TickMs();
        if (due > now) {
            m_clock.SleepMs(due - now < sliceMs ? due - now : sliceMs);
            continue;
        }
        Entry& e = m_timers[id];
        // A late tick is not repeated: the next one follows a period after this one.
        e.due = std::max(e.due + e.periodMs, now);
        fire(id);
    }
}

}  // namespace qor::station
