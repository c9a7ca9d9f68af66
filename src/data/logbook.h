#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qor::data {

// "DD.MM.YYYY hh:mm:ss\t" in local time, the text, and a line feed.
std::string LogbookEntry(std::int64_t now, std::string_view text);
// The text of a manual entry: heading, line feed, what was typed; every line feed is
// followed by four TABs so continuation lines sit under the first line's text.
std::string ManualEntryText(std::string_view typed, int language);
// "Datei <path> geladen" / "File <path> load".
std::string FileLoadedText(std::string_view path, int language);

// The station's running logbook.
class Logbook {
public:
    std::string m_text;
    bool m_changed = false;  // cleared by the view once it showed the text

    void Add(std::int64_t now, std::string_view text);
    // After a file was read: its logbook comes first, then what was running.
    void MergeLoaded(std::string_view fromFile);
};

}  // namespace qor::data
