#include "ui/main_frame.h"
#include "ui/start_options.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

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
        m_frame = std::make_unique<qor::ui::CMainFrame>(*options);
        m_frame->show();
        return exec();
    }

private:
    std::unique_ptr<qor::ui::CMainFrame> m_frame;
};

}  // namespace

int main(int argc, char** argv)
{
    CQORApp app(argc, argv);
    return app.Start();
}
