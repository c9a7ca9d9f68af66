#include "ui/shell/toolkit_language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTranslator>

namespace qor::ui {

ToolkitLanguage::ToolkitLanguage() : m_german(std::make_unique<QTranslator>()) {}

ToolkitLanguage::~ToolkitLanguage()
{
    if (m_installed)
        QCoreApplication::removeTranslator(m_german.get());
}

void ToolkitLanguage::Use(int lang)
{
    const bool german = lang != 1;
    if (german && !m_loaded)
        m_loaded = m_german->load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"),
                                  QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (german && m_loaded && !m_installed)
        m_installed = QCoreApplication::installTranslator(m_german.get());
    else if (!german && m_installed) {
        QCoreApplication::removeTranslator(m_german.get());
        m_installed = false;
    }
}

void ToolkitLanguage::Retranslate(QMdiArea& area) const
{
    static const char* const kContext = "QMdiSubWindow";
    static const char* const kTexts[] = {"&Restore",  "&Move",        "&Size", "Mi&nimize",
                                         "Ma&ximize", "Stay on &Top", "&Close"};
    for (QMdiSubWindow* w : area.subWindowList()) {
        if (!w->systemMenu())
            continue;
        for (QAction* a : w->systemMenu()->actions())
            for (const char* text : kTexts)
                if (a->text() == QLatin1String(text) ||
                    (m_loaded && a->text() == m_german->translate(kContext, text)))
                    a->setText(QCoreApplication::translate(kContext, text));
    }
}

}  // namespace qor::ui
