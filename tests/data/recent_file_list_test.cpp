#include "data/recent_file_list.h"

#include <gtest/gtest.h>

using qor::data::RecentFileList;

namespace {

TEST(RecentFileList, NewestFirstOrAsStoredEachOnceAtMostFourAndTheirMenuTexts)
{
    RecentFileList r;
    for (const char* p : {"/a.qo3", "/b.qo3", "/c.qo3", "/b.qo3", "/d.qo3", "/e.qo3", ""})
        r.Add(p);
    EXPECT_EQ(r.Files(), (std::vector<std::string>{"/e.qo3", "/d.qo3", "/b.qo3", "/c.qo3"}));
    r.Remove("/d.qo3");
    EXPECT_EQ(r.Files(), (std::vector<std::string>{"/e.qo3", "/b.qo3", "/c.qo3"}));
    // Loaded, the stored order stays.
    r.Load({"/x.qo3", "", "/y.qo3", "/x.qo3", "/z.qo3", "/w.qo3", "/v.qo3"});
    EXPECT_EQ(r.Files(), (std::vector<std::string>{"/x.qo3", "/y.qo3", "/z.qo3", "/w.qo3"}));

    // The menu text numbers, shortens and escapes.
    r.Load({});
    r.Add("/home/lab/very/long/folder/name/that/goes/on/and/on/reactor-2.qo3");
    r.Add("/data/R&D.qo3");
    EXPECT_EQ(r.MenuText(0), "&1 /data/R&&D.qo3");
    const std::string t = r.MenuText(1, 30);
    EXPECT_EQ(t.rfind("&2 ", 0), 0u);
    EXPECT_EQ(t.size(), 3u + 30u);
    EXPECT_NE(t.find("..."), std::string::npos);
    EXPECT_EQ(t.substr(t.size() - 14), "/reactor-2.qo3");
    EXPECT_EQ(r.MenuText(5), "");
}

}  // namespace
