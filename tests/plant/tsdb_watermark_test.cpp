// The watermark file: what a database acknowledged of a recording, read and written as text.
#include "data/data_test_util.h"
#include "plant/tsdb_watermark.h"

#include <fstream>
#include <gtest/gtest.h>

using namespace qor;
using plant::TsdbWatermark;

namespace {

std::string ReadText(const std::string& path)
{
    const data::test::Bytes b = data::test::ReadBytes(path);
    return {b.begin(), b.end()};
}

data::RecordingId Id(std::uint8_t first)
{
    data::RecordingId id{};
    for (std::size_t i = 0; i < id.size(); ++i)
        id[i] = static_cast<std::uint8_t>(first + i);
    return id;
}

// The count the file at `path` holds for recording Id(first); the test fails when it cannot be read.
std::size_t Acknowledged(const std::string& path, std::uint8_t first, const std::string& url,
                         const std::string& station)
{
    std::size_t n = 99;
    std::string error;
    EXPECT_TRUE(TsdbWatermark::Read(path, Id(first), url, station, n, error)) << error;
    return n;
}

TEST(TsdbWatermark, OneLinePerDatabaseAndStationAndDamagedFilesRefused)
{
    data::test::TempDir dir;
    const std::string path = TsdbWatermark::PathFor(dir / "a.qo3");
    EXPECT_EQ(path, dir / "a.qo3.tsdb");
    EXPECT_EQ(Acknowledged(path, 0xf0, "http://db/write", "lab 1"), 0u) << "no file: nothing acknowledged";
    std::string error;

    ASSERT_TRUE(TsdbWatermark::Write(path, Id(0xf0), "http://db/write", "lab 1", 12, error)) << error;
    ASSERT_TRUE(TsdbWatermark::Write(path, Id(0xf0), "http://other/write", "lab 1", 3, error)) << error;
    ASSERT_TRUE(TsdbWatermark::Write(path, Id(0xf0), "http://db/write", "lab 1", 20, error)) << error;
    EXPECT_EQ(ReadText(path), "QORTSDB 1\n"
                              "f0f1f2f3f4f5f6f7f8f9fafbfcfdfeff\n"
                              "20\thttp://db/write\tlab 1\n"
                              "3\thttp://other/write\tlab 1\n");
    EXPECT_EQ(Acknowledged(path, 0xf0, "http://db/write", "lab 1"), 20u);
    EXPECT_EQ(Acknowledged(path, 0xf0, "http://other/write", "lab 1"), 3u);
    EXPECT_EQ(Acknowledged(path, 0xf0, "http://db/write", "lab 2"), 0u);
    EXPECT_EQ(Acknowledged(path, 0x10, "http://db/write", "lab 1"),
              0u);  // another recording into the same name

    // Another recording's marks are replaced, not mixed with this one's.
    ASSERT_TRUE(TsdbWatermark::Write(path, Id(0x10), "http://db/write", "lab 1", 1, error)) << error;
    EXPECT_EQ(ReadText(path), "QORTSDB 1\n101112131415161718191a1b1c1d1e1f\n1\thttp://db/write\tlab 1\n");

    // Foreign or damaged files are refused on read.
    for (const char* text :
         {"QORJ", "QORTSDB 1\nshort\n", "QORTSDB 1\nf0f1f2f3f4f5f6f7f8f9fafbfcfdfeff\nx\tu\ts\n",
          "QORTSDB 1\nf0f1f2f3f4f5f6f7f8f9fafbfcfdfeff\n12 http://db/write\n"}) {
        std::ofstream(path, std::ios::binary) << text;
        std::size_t n = 7;
        error.clear();
        EXPECT_FALSE(TsdbWatermark::Read(path, Id(0xf0), "u", "s", n, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
        // Writing replaces it with a good one.
        ASSERT_TRUE(TsdbWatermark::Write(path, Id(0xf0), "u", "s", 5, error)) << error;
        EXPECT_EQ(Acknowledged(path, 0xf0, "u", "s"), 5u);
    }
    // A station name with a TAB or line break cannot split its line.
    ASSERT_TRUE(TsdbWatermark::Write(path, Id(0xf0), "u", "a\tb\nc", 4, error)) << error;
    EXPECT_EQ(Acknowledged(path, 0xf0, "u", "a\tb\nc"), 4u);
    EXPECT_FALSE(TsdbWatermark::Write(dir / "gone/x.qo3.tsdb", Id(0xf0), "u", "s", 5, error));
    EXPECT_TRUE(data::test::Has(error, "gone"));
}

}  // namespace
