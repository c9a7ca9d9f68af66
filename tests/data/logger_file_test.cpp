// The data logger file: reader, export and the graph it makes, on files written out here.
#include "data/logger_file.h"
#include "data/logger_graph.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace qor::data {
namespace {

constexpr std::int64_t kNoTime = 946684800;  // 1 January 2000, 00:00 (UTC in these tests)

struct Expected {
    std::int64_t time;
    std::vector<std::pair<std::string, double>> fields;  // NaN: no number
};

TEST(LoggerFile, LinesStampsAndValues)
{
    const struct {
        const char* name;
        std::string bytes;
        std::vector<Expected> samples;
        bool refused = false;  // no sample line with a valid stamp: not a data logger file
    } cases[] = {
        {"a sample with two fields",
         "0101230930pH   7.000mV  -250.0\n\r",
         {{1672565400, {{"pH  ", 7.0}, {"mV  ", -250.0}}}}},
        {"15 characters skipped, then 12.345",
         "0101230930pH  7\n\r0101230931pH  12.345",
         {{1672565460, {{"pH  ", 12.345}}}}},
        {"CR LF ends no line", "0101230930pH  12.3\r\n", {{1672565400, {{"pH  ", NAN}}}}},
        {"a lone LF ends no line", "0101230930\n0101230930\n\r", {}, true},
        {"day 32, month 13, hour 24, minute 60, day 0, a letter",
         "3201230930\n\r0113230930\n\r0101232430\n\r0101230960\n\r0001230930\n\r01x1230930\n\r",
         {{kNoTime, {}}, {kNoTime, {}}, {kNoTime, {}}, {kNoTime, {}}, {kNoTime, {}}, {kNoTime, {}}},
         true},
        {"the same hour on two days, and across the end of a month and of a year",
         "0101231000\n\r0201231000\n\r3101232330\n\r0102232330\n\r3112232330\n\r0101242330\n\r",
         {{1672567200, {}},
          {1672653600, {}},
          {1675207800, {}},
          {1675294200, {}},
          {1704065400, {}},
          {1704151800, {}}}},
        {"a document file under this name", std::string("QOR3\0\0\x01\x02\xff\n\r\x10\x20", 13), {}, true},
        {"last minute of 2099, values not numbers",
         "3112992359T   ------T    1.2.3\n\r",
         {{4102444740, {{"T   ", NAN}, {"T   ", NAN}}}}},
    };
    for (const auto& c : cases) {
        const LoggerFile f = LoggerFile::Parse(c.bytes);
        EXPECT_EQ(LoggerFile::HoldsSamples(c.bytes), !c.refused) << c.name;
        ASSERT_EQ(f.Samples().size(), c.samples.size()) << c.name;
        for (std::size_t s = 0; s < c.samples.size(); ++s) {
            EXPECT_EQ(f.Samples()[s].time, c.samples[s].time) << c.name;
            const auto fields = f.Fields(f.Samples()[s]);
            ASSERT_EQ(fields.size(), c.samples[s].fields.size()) << c.name;
            for (std::size_t k = 0; k < fields.size(); ++k) {
                EXPECT_EQ(std::string(fields[k].tag.data(), 4), c.samples[s].fields[k].first) << c.name;
                const double want = c.samples[s].fields[k].second;
                EXPECT_TRUE(std::isnan(want) ? std::isnan(fields[k].value) : fields[k].value == want)
                    << c.name;
            }
        }
    }
}

TEST(LoggerFile, ExportKeepsOnlyASampleAsFirstLine)
{
    const std::string line = "0101230930pH  12.345\n\r";
    const std::string table = "01.01.23\t09:30\tpH  \t12,345\t\r\n";
    const struct {
        std::string bytes, table;
    } cases[] = {
        {line + line, table + table},
        {"345mV   2\n\r" + line, table},                             // cut by the ring
        {"0132230930pH  12.345\n\r" + line, table},                  // right length, no valid stamp
        {line + "0101230930\r\n", table + "01.01.23\t09:30\t\n\r"},  // CR LF comes out reversed
    };
    for (const auto& c : cases)
        EXPECT_EQ(LoggerExportText(c.bytes), c.table) << c.bytes;
}

// 20 columns, one of them starting on the third line, and a line with the stamp alone.
TEST(LoggerFile, GraphHasOneCurvePerColumnAndOnePointPerSample)
{
    std::string wide = "0203240800";
    for (int k = 0; k < 20; ++k) {
        char field[64];
        std::snprintf(field, sizeof field, "C%02d %6.3f", 10 + k, k + 0.5);
        wide += field;
    }
    const std::string bytes = "0203240758A    1.000B    2.000\n\r0203240759\n\r" + wide + "\n\r";
    const LoggerFile file = LoggerFile::Parse(bytes);
    ASSERT_EQ(file.Columns(), 20);
    GraphDLModel model;
    model.m_lang = 1;
    graph::GraphModel g(GraphDLModel::kColumns);
    model.Prepare(g);
    model.Fill(g, file, "x.tx3");
    ASSERT_EQ(g.GetGraphCount(), 20);
    std::vector<graph::Rgb> colours;
    for (int k = 0; k < 20; ++k) {
        const graph::CGraphProps* c = g.GetGraph(model.m_curve[static_cast<std::size_t>(k)]);
        ASSERT_EQ(c->m_points.size(), 3u) << k;
        EXPECT_EQ(c->m_points[2].time, 1709366400) << k;  // 2 March 2024, 08:00
        EXPECT_TRUE(std::isnan(c->m_points.Y(1))) << k;
        EXPECT_EQ(c->m_points.Y(2), k + 0.5) << k;
        EXPECT_EQ(std::find(colours.begin(), colours.end(), c->m_colour), colours.end()) << k;
        colours.push_back(c->m_colour);
    }
    EXPECT_EQ(g.GetGraph(model.m_curve[0])->m_name, "Channel 0 [A   ]");
    EXPECT_EQ(g.GetGraph(model.m_curve[19])->m_name, "Channel 19 [C29 ]");
    EXPECT_TRUE(std::isnan(g.GetGraph(model.m_curve[2])->m_points.Y(0)));
    EXPECT_EQ(g.Range(), (graph::GraphRange{0.0, 2.0, 0.5, 19.5}));
}

}  // namespace
}  // namespace qor::data
