#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace qor::data {

// The documents opened last, newest first, each path once.
class RecentFileList {
public:
    explicit RecentFileList(std::size_t capacity = 4) : m_capacity(capacity) {}

    void Add(const std::string& path);
    void Remove(const std::string& path);
    // Takes stored entries as they are (newest first), dropping empty and repeated ones.
    void Load(const std::vector<std::string>& paths);
    const std::vector<std::string>& Files() const { return m_files; }

    // The menu text of entry `index`: "&1 name", shortened in the middle beyond `maxChars`.
    std::string MenuText(std::size_t index, std::size_t maxChars = 48) const;

private:
    std::size_t m_capacity;
    std::vector<std::string> m_files;
};

}  // namespace qor::data
