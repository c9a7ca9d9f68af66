#include "ui/shell/recent_files_menu.h"

#include "station/config.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>
#include <vector>

namespace qor::ui {

namespace {

QString StorePath()
{
    return QString::fromStdString(station::ConfigDirectory()) + QStringLiteral("/recent.ini");
}

QString Key(std::size_t index)
{
    return QStringLiteral("Recent File List/File%1").arg(index + 1);
}

}  // namespace

RecentFilesMenu::RecentFilesMenu(QMenu& menu, const std::function<void(int)>& open)
{
    m_separator = menu.addSeparator();
    for (std::size_t i = 0; i < m_actions.size(); ++i) {
        m_actions[i] = menu.addAction(QString());
        QObject::connect(m_actions[i], &QAction::triggered, &menu, [open, i] { open(static_cast<int>(i)); });
    }
    Load();
}

void RecentFilesMenu::SetEnabled(bool enabled)
{
    for (QAction* a : m_actions)
        a->setEnabled(enabled);
}

void RecentFilesMenu::Load()
{
    QSettings store(StorePath(), QSettings::IniFormat);
    std::vector<std::string> files;
    for (std::size_t i = 0; i < m_actions.size(); ++i)
        files.push_back(store.value(Key(i)).toString().toStdString());
    m_list.Load(files);
    UpdateMenu();
}

void RecentFilesMenu::Remember(const std::string& path)
{
    const std::string full = QFileInfo(QString::fromStdString(path)).absoluteFilePath().toStdString();
    if (!m_list.Files().empty() && m_list.Files().front() == full)
        return;
    m_list.Add(full);
    Store();
}

void RecentFilesMenu::Forget(const std::string& path)
{
    m_list.Remove(path);
    Store();
}

void RecentFilesMenu::Store()
{
    QSettings store(StorePath(), QSettings::IniFormat);
    for (std::size_t i = 0; i < m_actions.size(); ++i) {
        if (i < m_list.Files().size())
            store.setValue(Key(i), QString::fromStdString(m_list.Files()[i]));
        else
            store.remove(Key(i));
    }
    UpdateMenu();
}

void RecentFilesMenu::UpdateMenu()
{
    const auto& files = m_list.Files();
    for (std::size_t i = 0; i < m_actions.size(); ++i) {
        QAction* a = m_actions[i];
        a->setVisible(i < files.size());
        if (i < files.size()) {
            a->setText(QString::fromStdString(m_list.MenuText(i)));
            a->setToolTip(QString::fromStdString(files[i]));
        }
    }
    m_separator->setVisible(!files.empty());
}

}  // namespace qor::ui
