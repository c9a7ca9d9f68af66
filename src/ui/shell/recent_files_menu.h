#pragma once

#include "data/recent_file_list.h"

#include <array>
#include <functional>
#include <string>

class QAction;
class QMenu;

namespace qor::ui {

// The File menu's entries for the documents opened last. The list is kept beside the
// configuration file, so it outlives the window.
class RecentFilesMenu {
public:
    // Adds a separator and the entries to `menu` and loads the stored list; choosing entry
    // i calls `open(i)`.
    RecentFilesMenu(QMenu& menu, const std::function<void(int)>& open);

    const data::RecentFileList& List() const { return m_list; }
    QAction* Action(int index) const { return m_actions[static_cast<std::size_t>(index)]; }
    void SetEnabled(bool enabled);
    // Puts `path` (made absolute) on top and stores the list.
    void Remember(const std::string& path);
    void Forget(const std::string& path);

private:
    void Load();
    void Store();
    void UpdateMenu();

    data::RecentFileList m_list;
    std::array<QAction*, 4> m_actions{};
    QAction* m_separator = nullptr;
};

}  // namespace qor::ui
