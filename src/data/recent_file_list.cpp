#include "data/recent_file_list.h"

#include <algorithm>

namespace qor::data {

void RecentFileList::Add(const std::string& path)
{
    if (path.empty())
        return;
    Remove(path);
    m_files.insert(m_files.begin(), path);
    if (m_files.size() > m_capacity)
        m_files.resize(m_capacity);
}

void RecentFileList::Remove(const std::string& path)
{
    m_files.erase(std::remove(m_files.begin(), m_files.end(), path), m_files.end());
}

void RecentFileList::Load(const std::vector<std::string>& paths)
{
    m_files.clear();
    for (auto it = paths.rbegin(); it != paths.rend(); ++it)
        Add(*it);
}

std::string RecentFileList::MenuText(std::size_t index, std::size_t maxChars) const
{
    if (index >= m_files.size())
        return {};
    std::string p = m_files[index];
    if (p.size() > maxChars && maxChars > 8) {
        // Keep the start of the path and the whole file name where possible.
        const std::size_t tail = std::min(p.size() - p.find_last_of('/'), maxChars - 4);
        const std::size_t head = maxChars - 3 - tail;
        p = p.substr(0, head) + "..." + p.substr(p.size() - tail);
    }
    // A '&' in a name would otherwise become a mnemonic.
    std::string escaped;
    for (char c : p) {
        escaped += c;
        if (c == '&')
            escaped += '&';
    }
    return "&" + std::to_string(index + 1) + " " + escaped;
}

}  // namespace qor::data
