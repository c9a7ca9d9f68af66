// qortool convert and dump: a recording made by the station, converted as the station's
// Open and Save would, reads back with the same samples.
#include "support/recording.h"

#include <filesystem>
#include <gtest/gtest.h>

using qor::test::BinPath;
using qor::test::RunProgram;

namespace {

std::string Section(const std::string& json, const std::string& key)
{
    auto at = json.find("\"" + key + "\"");
    if (at == std::string::npos)
        return {};
    auto end = json.find("\"setup\"", at);
    return json.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

TEST(QortoolConvert, KeepsTheSamplesAndAddsTheLoadEntry)
{
    const qor::test::TempDir dir;
    const std::string in = dir / "in.qo3", out = dir / "out.qo3";

    std::string text;
    ASSERT_EQ(
        RunProgram({"/usr/bin/env", "APPDATA=" + dir.path.string(), BinPath("qortool"), "record", "--sim",
                    "--out", in, "--interval", "1", "--samples", "2", "--idcount", "3", "--quiet"},
                   &text),
        0)
        << text;
    ASSERT_EQ(RunProgram({BinPath("qortool"), "convert", in, out}, &text), 0) << text;

    const std::string a = qor::test::Dump(in), b = qor::test::Dump(out);
    const std::string samples = Section(a, "samples");
    ASSERT_FALSE(samples.empty()) << a;
    EXPECT_NE(samples.find("\"time\""), std::string::npos);
    EXPECT_EQ(Section(b, "samples"), samples);
    EXPECT_NE(b.find("in.qo3 geladen"), std::string::npos) << b.substr(0, 400);

    // Converting something that is not a document, the program itself, is refused with a status.
    EXPECT_NE(RunProgram({BinPath("qortool"), "convert", BinPath("qortool"), dir / "x.qo3"}, &text), 0);
}

}  // namespace
