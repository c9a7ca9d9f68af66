#pragma once

#include <QCoreApplication>

namespace qor::cli {

// Qt's serial port and socket want an application object; the commands that use the
// bus create one of these first.
class CoreApp {
public:
    CoreApp() : m_app(m_argc, m_argv) {}

private:
    int m_argc = 1;
    char m_name[8] = "qortool";
    char* m_argv[2] = {m_name, nullptr};
    QCoreApplication m_app;
};

}  // namespace qor::cli
