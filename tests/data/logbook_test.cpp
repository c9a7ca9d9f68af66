#include "data/local_time.h"
#include "data/logbook.h"

#include <gtest/gtest.h>

using namespace qor::data;

// How an entry is stamped and merged on load is checked through opening a document.
TEST(Logbook, EntryAndManualEntryText)
{
    EXPECT_EQ(LogbookEntry(FromLocal(2009, 12, 31, 23, 59, 59), ""), "31.12.2009 23:59:59\t\n");
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
}
