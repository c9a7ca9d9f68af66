#include "data/local_time.h"
#include "data/logbook.h"

#include <gtest/gtest.h>

using namespace qor::data;

TEST(Logbook, EntryFormat)
{
    const std::int64_t t = FromLocal(2010, 2, 1, 9, 5, 3);
    EXPECT_EQ(LogbookEntry(t, "Programmstart"), "01.02.2010 09:05:03\tProgrammstart\n");
    EXPECT_EQ(LogbookEntry(FromLocal(2009, 12, 31, 23, 59, 59), ""), "31.12.2009 23:59:59\t\n");
}

TEST(Logbook, ManualEntryText)
{
    struct Case {
        const char* typed;
        int lang;
        const char* text;
    };
    const Case cases[] = {
        {"A\r\nB", 0, "manueller Eintrag\n\t\t\t\tA\r\n\t\t\t\tB"},
        {"", 0, "manueller Eintrag\n\t\t\t\t"},
        {"x", 1, "private entry\n\t\t\t\tx"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ManualEntryText(c.typed, c.lang), c.text);

    Logbook log;
    log.Add(FromLocal(2009, 3, 5, 14, 7, 9), ManualEntryText("A\r\nB", 0));
    EXPECT_EQ(log.m_text, "05.03.2009 14:07:09\tmanueller Eintrag\n\t\t\t\tA\r\n\t\t\t\tB\n");
    EXPECT_TRUE(log.m_changed);
}

TEST(Logbook, MergeOnLoad)
{
    Logbook log;
    log.m_text = "Y\n";
    log.MergeLoaded("X\n");
    log.Add(FromLocal(2010, 2, 1, 9, 5, 3), FileLoadedText("/tmp/a.qo3", 0));
    EXPECT_EQ(log.m_text, "X\nY\n01.02.2010 09:05:03\tDatei /tmp/a.qo3 geladen\n");
    EXPECT_EQ(FileLoadedText("a.qo3", 1), "File a.qo3 load");
}
