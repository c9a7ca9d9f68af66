#include "ui/graph/graph_panel.h"
#include "ui/graph/graph_wnd.h"
#include "ui/shell/main_frame.h"
#include "ui/shell/screenshot_windows.h"
#include "ui/shell/start_options.h"

#include <QApplication>
#include <QFileInfo>
#include <QImage>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// SIGTERM and SIGINT reach the event loop through a pipe, so the window ends as if closed.
int g_signalPipe[2] = {-1, -1};

void OnSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

// The application: reads the start options and creates the main window.
class CQORApp : public QApplication {
public:
    CQORApp(int& argc, char** argv) : QApplication(argc, argv)
    {
        setApplicationName(QStringLiteral("QORremote"));
        setOrganizationName(QStringLiteral("QORremote"));
    }

    int Start()
    {
        std::vector<std::string> args;
        for (const QString& a : arguments().mid(1))
            args.push_back(a.toStdString());
        std::string error;
        const auto options = qor::ui::ParseStartOptions(args, &error);
        if (!options) {
            std::fprintf(stderr, "qorremote: %s\n%s", error.c_str(), qor::ui::StartOptionsUsage());
            return 2;
        }
        if (options->help) {
            std::fputs(qor::ui::StartOptionsUsage(), stdout);
            return 0;
        }
        if (!options->screenshot.empty())
            return Screenshot(*options);
        m_frame = std::make_unique<qor::ui::CMainFrame>(*options);
        WatchSignals();
        m_frame->show();
        return exec();
    }

private:
    // Opens the file, lays the window out once as it would appear, draws it into the picture
    // and ends; nothing is shown on the screen and no question is asked. Besides the size it
    // prints where each graph's plot lies in the picture, so a check can look for the curves.
    int Screenshot(const qor::ui::StartOptions& options)
    {
        if (!options.file.empty() && !QFileInfo(QString::fromStdString(options.file)).isFile()) {
            std::fprintf(stderr, "qorremote: %s: no such file\n", options.file.c_str());
            return 1;
        }
        m_frame = std::make_unique<qor::ui::CMainFrame>(options);
        m_frame->setAttribute(Qt::WA_DontShowOnScreen);
        m_frame->show();
        // The first activation runs from the event loop; the panes are laid out after it.
        for (int i = 0; i < 100 && !m_frame->Activated(); ++i)
            processEvents();
        processEvents();
        if (!m_frame->Activated() || !m_frame->QuietMessages().empty()) {
            std::fprintf(stderr, "qorremote: no picture written\n");
            return 1;
        }
        QWidget* window = OpenScreenshotWindow(*m_frame, options.window);
        if (!window) {
            std::fprintf(stderr,
                         "qorremote: the document holds no data for the %s window; no picture written\n",
                         options.window.c_str());
            return 1;
        }
        if (window != m_frame.get()) {
            window->hide();
            window->setAttribute(Qt::WA_DontShowOnScreen);
            if (options.width > 0)
                window->resize(options.width, options.height);
            window->show();
            processEvents();
        }
        const QImage picture = window->grab().toImage();
        const QString out = QString::fromStdString(options.screenshot);
        if (picture.isNull() || !picture.save(out, "PNG")) {
            std::fprintf(stderr, "qorremote: cannot write %s\n", options.screenshot.c_str());
            return 1;
        }
        std::printf("%s: %dx%d\n", options.screenshot.c_str(), picture.width(), picture.height());
        int n = 0;
        for (const qor::ui::CGraphWnd* g : window->findChildren<qor::ui::CGraphWnd*>()) {
            if (!g->isVisible())
                continue;
            const QRect plot(g->Panel()->mapTo(window, QPoint(0, 0)), g->Panel()->size());
            std::printf("graph %d: %d,%d %dx%d\n", ++n, plot.x(), plot.y(), plot.width(), plot.height());
        }
        return 0;
    }

    void WatchSignals()
    {
        if (::pipe(g_signalPipe) != 0)
            return;
        auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this, notifier] {
            char byte = 0;
            [[maybe_unused]] const ssize_t n = ::read(g_signalPipe[0], &byte, 1);
            notifier->setEnabled(false);
            m_frame->EndWithoutQuestions();
            quit();
        });
        std::signal(SIGTERM, OnSignal);
        std::signal(SIGINT, OnSignal);
    }

    std::unique_ptr<qor::ui::CMainFrame> m_frame;
};

}  // namespace

int main(int argc, char** argv)
{
    // Help needs no display.
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--help" || std::string(argv[i]) == "-h") {
            std::fputs(qor::ui::StartOptionsUsage(), stdout);
            return 0;
        }
    CQORApp app(argc, argv);
    return app.Start();
}
