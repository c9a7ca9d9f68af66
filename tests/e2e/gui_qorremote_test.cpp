// qorremote as a program: its options, and a start on the simulated bus ended by a signal.
#include "support/process.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>

using qor::test::BinPath;
using qor::test::Process;
using qor::test::RunProgram;

namespace {

TEST(Qorremote, OptionsAndUsage)
{
    std::string out;
    EXPECT_EQ(RunProgram({BinPath("qorremote"), "--help"}, &out), 0);
    EXPECT_NE(out.find("--simulate"), std::string::npos);
    const std::string env = "QT_QPA_PLATFORM=offscreen";
    EXPECT_EQ(RunProgram({"/usr/bin/env", env, BinPath("qorremote"), "--tcp", "nowhere"}), 2);
}

TEST(Qorremote, SimulatedStartAndCleanEndOnSignal)
{
    const qor::test::TempDir dir;
    const std::string config = dir / "QORremote/config.ini";
    // Started with SIGTERM ignored, so one that comes before the window takes it over is lost
    // rather than fatal, however slowly the window starts.
    Process app({"/bin/sh", "-c",
                 "trap '' TERM; exec /usr/bin/env APPDATA=" + dir.path.string() +
                     " QT_QPA_PLATFORM=offscreen " + BinPath("qorremote") + " --simulate --lang en"});
    // The first start writes the configuration file.
    for (int i = 0; i < 1200 && !std::filesystem::exists(config); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(std::filesystem::exists(config));
    std::filesystem::remove(config);
    // SIGTERM ends the window as a close would: the configuration is written again.
    EXPECT_EQ(app.StopOnceHandled(SIGTERM), 0);
    ASSERT_TRUE(std::filesystem::exists(config));
    std::ifstream in(config, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    // The simulated bus was for this run only: the file keeps the serial default.
    EXPECT_NE(text.str().find("ETHERNET=0\n\r"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("SPRACHE=1\n\r"), std::string::npos);
}

}  // namespace
