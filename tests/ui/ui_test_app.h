#pragma once

#include "cli/silent_document_ui.h"
#include "common/clock.h"
#include "data/logbook.h"
#include "data/qor_doc.h"
#include "graph/graph_props.h"
#include "station/timers.h"
#include "ui/document/grafik_setup_dlg.h"
#include "ui/potentiostat/info_copy.h"
#include "ui/shell/main_frame.h"
#include "ui/station/freigabe_dlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qor::test {

// One QApplication for the whole test program, there before the first test.
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
struct AppEnvironment : ::testing::Environment {
    void SetUp() override { App(); }
};
inline ::testing::Environment* const kAppEnvironment =
    ::testing::AddGlobalTestEnvironment(new AppEnvironment);

// Handles what is pending, deferred deletions included, as an idle event loop would.
inline void Settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// Runs `action` on the next modal dialog that opens (looked for from inside its event loop);
// `open` is one already open, which is passed over.
inline void OnNextModal(std::function<void(QWidget*)> action, const QWidget* open = nullptr)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action, open] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != open) {
            timer->stop();
            timer->deleteLater();
            action(modal);
        }
    });
    timer->start();
}

// Runs `action` on the next modal dialog, which must be a D; any other is rejected.
template <class D> void OnNext(std::function<void(D*)> action, const QWidget* open = nullptr)
{
    OnNextModal(
        [action](QWidget* w) {
            if (auto* d = qobject_cast<D*>(w))
                return action(d);
            ADD_FAILURE() << "unexpected " << w->metaObject()->className();
            QMetaObject::invokeMethod(w, "reject");
        },
        open);
}

// The next file dialog gets `path` (and the name filter `filter` when one is given).
inline void OnNextFileDialog(const QString& path, const QString& filter = {})
{
    OnNext<QFileDialog>([path, filter](QFileDialog* dlg) {
        if (!filter.isEmpty())
            dlg->selectNameFilter(filter);
        dlg->selectFile(path);
        QMetaObject::invokeMethod(dlg, "accept");
    });
}

// The text of the report a click on `button` opens, which is then closed.
inline std::string InfoOf(QAbstractButton* button)
{
    std::string text;
    OnNext<ui::CInfoCopy>([&text](ui::CInfoCopy* d) {
        text = d->Text().toStdString();
        d->accept();
    });
    button->click();
    return text;
}

// The bytes of a file, none when it cannot be read.
inline QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Every curve of a graph, in its order.
template <class Graph> std::vector<graph::CGraphProps*> Curves(const Graph& g)
{
    std::vector<graph::CGraphProps*> all;
    int pos = -1;
    for (graph::CGraphProps* c = g.GetFirstGraph(pos); c; c = g.GetNextGraph(pos))
        all.push_back(c);
    return all;
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

// A document without a window, on a simulated clock.
struct LoneDocument {
    SimClock clock;
    data::Logbook logbook;
    cli::SilentDocumentUi ui;
    data::CQORDoc doc{clock, logbook, ui};
};

// A main window on the simulated bus and clock, its configuration in a temporary folder. A
// dialog other than the one a helper expects is rejected and fails the test.
class SimFrame {
public:
    explicit SimFrame(std::int64_t startSeconds = 946684800) : m_time(startSeconds)
    {
        App();
        qputenv("APPDATA", m_dir.path().toLocal8Bit());
        Start();
    }
    ~SimFrame() { Quit(); }

    // A new run of the program: nothing kept in memory, the same configuration folder.
    void Start(int language = 0, const std::string& file = {})
    {
        Quit();
        ui::StartOptions o;
        o.transport = ui::StartOptions::Transport::Simulate;
        o.language = language;
        o.file = file;
        m_frame = std::make_unique<ui::CMainFrame>(o, m_time.clock, m_time);
        m_time.fire = [this](int id) { m_frame->OnTimer(id); };
        m_frame->show();
        Settle();  // the first activation
    }
    void Quit()
    {
        if (m_frame)
            m_frame->Document().SetModified(false);  // no save prompt
        m_frame.reset();
    }

    QString Path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    // Runs a file command whose file dialog gets `path`; `then` handles the next dialog.
    bool WithFile(station::Cmd cmd, const QString& path, std::function<void(QWidget*)> then = {})
    {
        OnNext<QFileDialog>([path, then](QFileDialog* dlg) {
            dlg->selectFile(path);
            if (then)
                OnNextModal(then);
            QMetaObject::invokeMethod(dlg, "accept");
        });
        return m_frame->Run(cmd);
    }

    // Searches and releases the modules at the given rows of the "not released" list.
    bool SearchAndRelease(std::vector<int> rows)
    {
        OnNext<ui::CFreigabeDlg>([rows](ui::CFreigabeDlg* dlg) {
            int moved = 0;
            for (int row : rows) {
                dlg->LeftList()->setCurrentRow(row - moved++);
                dlg->AddButton()->click();
            }
            dlg->OkButton()->click();
        });
        return m_frame->Run(station::Cmd::SearchModules);
    }

    // Starts recording the (module, value) curves once a second; `check` looks at the setup first.
    bool StartRecording(std::vector<std::pair<int, int>> curves,
                        std::function<void(ui::CGrafikSetupGlg*)> check = {})
    {
        OnNext<ui::CGrafikSetupGlg>([curves, check](ui::CGrafikSetupGlg* dlg) {
            if (check)
                check(dlg);
            dlg->IntervalEdit()->setTime(QTime(0, 0, 1));
            for (const auto& [module, value] : curves)
                dlg->Show(module, value)->setChecked(true);
            dlg->accept();
        });
        return m_frame->Run(station::Cmd::StartRecording);
    }

    QTemporaryDir m_dir;
    SimTime m_time;
    std::unique_ptr<ui::CMainFrame> m_frame;
};

}  // namespace qor::test
