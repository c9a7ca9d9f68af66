#pragma once

#include "common/clock.h"
#include "station/timers.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <map>

namespace qor::test {

// One QApplication for the whole test program, created by the first test that needs it.
inline QApplication& App()
{
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        return *app;
    static int argc = 1;
    static char name[] = "test_ui";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

// Handles what is pending, deferred deletions included, as an idle event loop would.
inline void Settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// Runs `action` on the next modal dialog that opens (looked for from inside its event loop).
inline void OnNextModal(std::function<void(QWidget*)> action)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        }
    });
    timer->start();
}

// The window's timers on a simulated clock: Advance moves the clock and fires each timer as it
// falls due, as the event loop would, without waiting.
class SimTime final : public station::Timers {
public:
    explicit SimTime(std::int64_t startSeconds = 946684800) : clock(startSeconds) {}
    void Start(int id, int ms) override
    {
        const int period = std::max(1, ms);
        m_timers[id] = {period, clock.TickMs() + period};
    }
    void Stop(int id) override { m_timers.erase(id); }
    bool Active(int id) const { return m_timers.count(id) != 0; }

    void Advance(std::int64_t ms)
    {
        const std::int64_t end = clock.TickMs() + ms;
        for (;;) {
            Settle();
            auto next = std::min_element(m_timers.begin(), m_timers.end(), [](const auto& a, const auto& b) {
                return a.second.due < b.second.due;
            });
            if (next == m_timers.end() || next->second.due > end)
                break;
            clock.Advance(next->second.due - clock.TickMs());
            next->second.due = clock.TickMs() + next->second.period;
            fire(next->first);  // may start and stop timers
        }
        clock.Advance(end - clock.TickMs());
        Settle();
    }

    SimClock clock;
    std::function<void(int)> fire;

private:
    struct Entry {
        int period;
        std::int64_t due;
    };
    std::map<int, Entry> m_timers;
};

}  // namespace qor::test
