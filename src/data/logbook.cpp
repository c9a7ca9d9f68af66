#include "data/logbook.h"

#include "common/text.h"
#include "data/local_time.h"

namespace qor::data {

std::string LogbookEntry(std::int64_t now, std::string_view text)
{
    LocalTm t = ToLocal(now);
    std::string s =
        Format("%02d.%02d.%4d %02d:%02d:%02d\t", t.day, t.month, t.year, t.hour, t.minute, t.second);
    s.append(text);
    s += '\n';
    return s;
}

std::string ManualEntryText(std::string_view typed, int language)
{
    std::string raw = TextPair{"manueller Eintrag", "private entry"}[language];
    raw += '\n';
    raw.append(typed);
    std::string out;
    out.reserve(raw.size() + 16);
    for (char c : raw) {
        out += c;
        if (c == '\n')
            out += "\t\t\t\t";
    }
    return out;
}

std::string FileLoadedText(std::string_view path, int language)
{
    const std::string p(path);
    return Format("%s %s %s", TextPair{"Datei", "File"}[language], p.c_str(),
                  TextPair{"geladen", "load"}[language]);
}

void Logbook::Add(std::int64_t now, std::string_view text)
{
    m_text += LogbookEntry(now, text);
    m_changed = true;
}

void Logbook::MergeLoaded(std::string_view fromFile)
{
    m_text.insert(0, fromFile);
    m_changed = true;
}

}  // namespace qor::data
