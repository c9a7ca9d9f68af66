#pragma once

#include <QApplication>
#include <cstdlib>
#include <memory>

namespace qor::cli {

// Drawing text needs a GUI application; commands that draw own one (offscreen unless the
// caller chose a platform) only while the picture is made.
inline std::unique_ptr<QApplication> OwnGuiApplication()
{
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (QCoreApplication::instance())
        return nullptr;
    static int argc = 1;
    static char name[] = "qortool";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QApplication>(argc, argv);
}

}  // namespace qor::cli
