// Lost links, lost and corrupted answers: what the station stores and says.
#include "station_rig.h"

#include <cmath>
#include <gtest/gtest.h>

namespace qor::station::testing {
namespace {

// Guards a first sample of zeros when the first polls fail, and a first sample that waits for ever.
TEST(FirstSample, WaitsForEveryModuleOrItsSecondFailure)
{
    struct Case {
        int failures, cyclesToSample;
        bool measured;
    };
    for (const Case c : {Case{0, 0, true}, Case{1, 1, true}, Case{2, 1, false}}) {
        SCOPED_TRACE(c.failures);
        Rig r;
        r.bus.AddModule(0, 1);
        r.bus.AddModule(1, 1).SetRawValues({4000, 0, 200});
        r.SearchAll();
        for (int i = 0; i < c.failures; ++i)
            r.bus.QueueFault(1, sim::Fault::NoAnswer);
        ASSERT_TRUE(r.station->StartRecording());
        for (int i = 0; i < c.cyclesToSample; ++i) {
            EXPECT_TRUE(r.doc.Samples().empty());
            r.station->PollCycle();
        }
        ASSERT_EQ(r.doc.Samples().size(), 1u);
        const float v = r.doc.Samples()[0].m_value[1];
        EXPECT_TRUE(c.measured ? v == 4.0f : std::isnan(v));
        EXPECT_EQ(Has(r.logbook.m_text, "Slave 1 antwortet nicht"), !c.measured);
    }
}

// Guards a module dropped for one lost, corrupted, refused or unready answer during the search.
TEST(Search, MissedAnswersAreAskedAgain)
{
    struct Case {
        sim::Fault fault;
        int count;
        bool found;
        std::int64_t ms;  // a silent ask costs 2 s; address 1 is empty: asked twice
    };
    for (const Case c :
         {Case{sim::Fault::BadChecksum, 2, true, 4000}, Case{sim::Fault::WrongEcho, 2, true, 4000},
          Case{sim::Fault::StatusError, 2, true, 4000}, Case{sim::Fault::StatusNotReady, 1, true, 4000},
          Case{sim::Fault::BadChecksum, 3, false, 4000}, Case{sim::Fault::NoAnswer, 1, true, 6000},
          Case{sim::Fault::NoAnswer, 2, false, 8000}}) {
        SCOPED_TRACE(sim::FaultName(c.fault) + std::to_string(c.count));
        StationConfig cfg;
        cfg.idCount = 1;
        Rig r(Wire::Serial, cfg);
        r.bus.AddModule(0, 1);
        for (int i = 0; i < c.count; ++i)
            r.bus.QueueFault(0, c.fault);
        const std::int64_t t0 = r.clock.TickMs();
        r.SearchAll();
        EXPECT_EQ(r.station->Modules()[0].m_enabled, c.found ? 1 : 0);
        EXPECT_EQ(r.clock.TickMs() - t0, c.ms);
    }
}

// Guards zeros recorded for a module that was not found, and for one identified but not yet polled.
TEST(Search, WhatWasNotMeasuredIsStoredAsNoValue)
{
    Rig r;
    r.bus.AddModule(0, 1).SetRawValues({7000, 0, 200});
    r.bus.AddModule(1, 1);
    r.bus.QueueFault(1, sim::Fault::NoAnswer);
    r.bus.QueueFault(1, sim::Fault::NoAnswer);
    r.SearchAll();
    ASSERT_EQ(r.station->Modules()[1].m_enabled, 0);
    EXPECT_TRUE(std::isnan(r.station->Modules()[0].m_value1) && std::isnan(r.station->Modules()[0].m_value3));
    r.doc.SetRecordingInterval(0, 0, 1);
    ASSERT_TRUE(r.station->StartRecording());
    r.Run(2000);
    ASSERT_EQ(r.doc.Samples().size(), 3u);
    for (const auto& s : r.doc.Samples()) {
        EXPECT_EQ(s.m_value[0], 7.0f);
        EXPECT_TRUE(std::isnan(s.m_value[1]) && std::isnan(s.m_value2[1]) && std::isnan(s.m_temperature[1]));
        EXPECT_TRUE(std::isnan(s.m_value[5]));
    }
}

// Guards the checksum message held open in the middle of a poll, and a logbook flooded by a noisy line.
TEST(Checksum, ErrorIsNoticedAndLoggedWithoutAMessageBox)
{
    Rig r;
    r.bus.AddModule(0, 1).SetRawValues({7000, 0, 200});
    r.SearchAll();
    r.doc.SetRecordingInterval(0, 0, 1);
    ASSERT_TRUE(r.station->StartRecording());
    for (int i = 0; i < 3; ++i)
        r.bus.QueueFault(0, sim::Fault::BadChecksum);
    r.Run(5000);
    EXPECT_TRUE(r.ui.messages.empty());
    EXPECT_EQ(r.ui.notices, std::vector<std::string>(3, "Error CS protocol"));
    auto lines = [&] {
        std::size_t n = 0;
        for (auto p = r.logbook.m_text.find("\tError CS protocol\n"); p != std::string::npos;
             p = r.logbook.m_text.find("\tError CS protocol\n", p + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(lines(), 1u);
    r.Run(60000);
    r.bus.QueueFault(0, sim::Fault::BadChecksum);
    r.Run(2000);
    EXPECT_EQ(lines(), 2u);
    EXPECT_TRUE(r.station->Recording());
}

// Guards value 2 of the first poll read with the display mode of the record instead of the answer.
TEST(Measuring, FirstPollReadsTheDisplayModeItCarries)
{
    Rig r;
    auto& cond = r.bus.AddModule(0, 5);
    cond.SetRawValues({1234, 567, 200});
    cond.SetDisplayMode(2);  // TDS: value 2 with the decimals of value 1
    r.SearchAll();
    r.station->StartMeasuring();
    r.station->PollCycle();
    EXPECT_DOUBLE_EQ(r.station->Modules()[0].m_value2, 5.67);
}

// A port that will not open, for the reason given.
struct RefusingPort : bus::ByteStream {
    bool Open(const bus::SerialSettings&) override { return false; }
    void Close() override {}
    bool IsOpen() const override { return false; }
    bool Write(const std::uint8_t*, std::size_t) override { return false; }
    bool WaitForBytes(std::size_t, int) override { return false; }
    std::size_t BytesAvailable() override { return 0; }
    std::size_t Read(std::uint8_t*, std::size_t) override { return 0; }
    void DiscardInput() override {}
    void DiscardOutput() override {}
    bus::PortFailure LastFailure() const override { return failure; }
    bus::PortFailure failure;
};

// Guards a port that will not open reported as an empty bus, and its reason not shown in the user's language.
TEST(Search, PortThatWillNotOpenSaysWhy)
{
    Rig r;
    RefusingPort port;
    port.failure = {bus::PortProblem::Busy, "/dev/ttyUSB7", "ignored"};
    r.station->Link().SetSerial(&port);
    r.station->SetLanguage(1);
    r.SearchAll();
    const std::string text = "The port /dev/ttyUSB7 cannot be opened: in use by another program";
    EXPECT_EQ(r.ui.messages, std::vector<std::string>{text});
    EXPECT_TRUE(r.ui.errors.empty() && Has(r.logbook.m_text, text));
}

}  // namespace
}  // namespace qor::station::testing
