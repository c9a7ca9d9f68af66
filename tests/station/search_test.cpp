#include "station_rig.h"

#include <cmath>
#include <gtest/gtest.h>

namespace qor::station::testing {
namespace {

// Guards the search asking addresses beyond IDCOUNT (or stopping before it) and old flags surviving it.
TEST(Search, IdCountThreeAsksZeroToThreeAndDisablesTheRest)
{
    StationConfig cfg;
    cfg.idCount = 3;
    Rig r(Wire::Serial, cfg);
    r.bus.AddModule(0, 1);
    r.bus.AddModule(3, 4);
    r.bus.AddModule(4, 8);  // beyond IDCOUNT: never asked
    for (auto& s : r.station->Modules())
        s.m_enabled = 1;
    r.SearchAll();
    EXPECT_TRUE(r.ui.shownLeft.empty());
    EXPECT_EQ(r.ui.shownRight, (std::vector<int>{0, 3}));
    for (int n = 0; n < 16; ++n)
        EXPECT_EQ(r.station->Modules()[n].m_enabled, n == 0 || n == 3) << n;
    EXPECT_EQ(r.station->Config().sEnable, 9u);
}

// Guards a cancelled release changing the released set or losing what the poll step found.
TEST(Search, CancelKeepsFlagsAndTypesOfThePollStep)
{
    Rig r;
    r.bus.AddModule(0, 1);
    r.bus.AddModule(2, 8);
    r.station->Modules()[0].m_enabled = 1;
    r.station->Modules()[1].m_enabled = 1;  // gone from the bus
    r.station->Modules()[1].m_type = 5;
    r.ui.release = [](FreigabeDlgModel& d) { return d.SelectAll(), false; };
    r.station->SearchModules();
    const int expect[3][2] = {{1, 1}, {0, 5}, {0, 8}};  // enabled, type
    for (int n = 0; n < 3; ++n)
        EXPECT_EQ(std::make_pair(int{r.station->Modules()[n].m_enabled}, int{r.station->Modules()[n].m_type}),
                  std::make_pair(expect[n][0], expect[n][1]))
            << n;
    EXPECT_FALSE(Has(r.logbook.m_text, "Freigabe Slaves"));
    EXPECT_EQ(r.station->Config().sEnable, 1u);
}

// Guards released modules not identified (unit, calibration, setting, revision) or logged out of order.
TEST(Search, ReleasingZeroAndTwoIdentifiesThemAndLogs)
{
    Rig r;
    r.bus.AddModule(0, 1);
    r.bus.AddModule(1, 4);
    r.bus.AddModule(2, 9);
    r.ui.release = [](FreigabeDlgModel& d) { return d.Add(2) && d.Add(0); };  // module 2, then module 0
    r.station->SearchModules();
    EXPECT_EQ(r.station->Config().sEnable, 5u);
    EXPECT_EQ(r.station->ConfigToSave().sEnable, 5u);
    EXPECT_TRUE(r.station->ModulesReleased());
    EXPECT_EQ(r.station->Modules()[1].m_type, 0);  // not released: type cleared
    const auto& s = r.station->Modules()[2];
    EXPECT_EQ(s.m_type, 9);
    EXPECT_EQ(std::string(s.m_unit.data(), 4), "ppm ");
    EXPECT_EQ(s.m_calibration[4], (std::array<std::uint8_t, 4>{0x00, 0x00, 0x80, 0x3F}));  // 1.0f
    EXPECT_EQ(s.m_settingByte, 2);
    EXPECT_FLOAT_EQ(s.m_settingValue, 25.0f);
    EXPECT_FLOAT_EQ(s.m_revision, 1.0f);
    // The release entry, then each released module in array order.
    const std::string& log = r.logbook.m_text;
    const auto rel = log.find("\tFreigabe Slaves\n");
    const auto m2 = log.find("\t\tSlave 2  ");
    const auto m0 = log.find("\t\tSlave 0  ");
    ASSERT_TRUE(rel != std::string::npos && m2 != std::string::npos && m0 != std::string::npos);
    EXPECT_LT(rel, m2);
    EXPECT_LT(m2, m0);
}

// Guards a released module whose identification fails being dropped silently.
TEST(Search, IdentificationFailureShowsTheCheckMessage)
{
    Rig r;
    r.bus.AddModule(3, 1);
    // The poll answers, the identification does not.
    r.ui.release = [&](FreigabeDlgModel& d) {
        r.bus.QueueFault(3, sim::Fault::NoAnswer);
        return d.SelectAll(), true;
    };
    r.station->SearchModules();
    ASSERT_EQ(r.ui.errors.size(), 1u);
    EXPECT_TRUE(Has(r.ui.errors[0], "Prüfen Sie ob dieser Slave am Bus ist"));
    EXPECT_EQ(r.station->Modules()[3].m_enabled, 1);
}

// Guards more than four potentiostats being taken, a program already running going unseen, and
// potentiostat commands left enabled after a search that found none.
TEST(Search, PotentiostatsAreListedUpToFour)
{
    Rig r;
    for (std::uint8_t a = 0; a < 5; ++a)
        r.AddPot(a);
    static_cast<sim::SimPotentiostat*>(r.bus.Module(2))->Start(0);
    r.bus.AddModule(6, 1);
    r.SearchAll();
    EXPECT_EQ(r.station->Potentiostats(), (std::vector<std::uint8_t>{0, 1, 2, 3}));
    EXPECT_EQ(r.ui.messages.size(), 1u);
    EXPECT_TRUE(r.station->PotentiostatRunning() && r.doc.PotRunning());
    EXPECT_FLOAT_EQ(r.station->Modules()[0].m_revision, 2.0f);
    EXPECT_EQ(r.station->Modules()[0].m_channelByte, 1);
    EXPECT_TRUE(r.station->Commands().potPresent);
    for (std::uint8_t a = 0; a < 5; ++a)
        r.bus.RemoveModule(a);
    r.SearchAll();
    EXPECT_FALSE(r.station->Commands().potPresent);  // no commands left open after a search that found none
}

// Guards the saved or last released set not shown as released, and an automatic release when switched off.
TEST(Search, AutoEnableRestoresTheReleasedSet)
{
    StationConfig cfg;
    cfg.autoEnable = 1;
    cfg.sEnable = 0b100;
    Rig r(Wire::Serial, cfg);
    r.bus.AddModule(0, 1);
    r.bus.AddModule(2, 4);
    r.ui.release = [](FreigabeDlgModel&) { return true; };
    const auto t0 = r.clock.TickMs();
    r.station->AutoEnable();
    EXPECT_GE(r.clock.TickMs() - t0, 1000);
    EXPECT_EQ(r.ui.shownRight, (std::vector<int>{2}));
    EXPECT_EQ(r.ui.shownLeft, (std::vector<int>{0}));
    r.station->Config().autoEnable = 0;
    r.station->AutoEnable();
    EXPECT_EQ(r.ui.releaseRuns, 1);
    r.station->SearchModules();  // the next search keeps the set on the released side
    EXPECT_EQ(r.ui.shownRight, (std::vector<int>{2}));
}

// Guards the choice offering other module types, or no preselected one, or none being reported as a choice.
TEST(ChoosePotentiostat, ListsOnlyTypes40To5F)
{
    Rig r;
    r.bus.AddModule(0, 1);
    r.AddPot(3);
    r.AddPot(7, 0x4B);
    r.SearchAll();
    EXPECT_EQ(r.station->ChoosePotentiostat(), 3);  // the first one preselected
    r.ui.selectRow = 1;
    EXPECT_EQ(r.station->ChoosePotentiostat(), 7);
    EXPECT_EQ(r.ui.selectionShown, 2u);
    r.ui.selectOk = false;
    EXPECT_FALSE(r.station->ChoosePotentiostat());
    r.ui.selectOk = true;
    r.station->Modules()[3].m_enabled = r.station->Modules()[7].m_enabled = 0;
    EXPECT_FALSE(r.station->ChoosePotentiostat());
    EXPECT_EQ(r.ui.messages.size(), 1u);
}

// Lost links, lost and corrupted answers: what the station stores and says.
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
    ASSERT_TRUE(r.RecordEachSecond());
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
    r.SearchPh(1);
    ASSERT_TRUE(r.RecordEachSecond());
    for (int i = 0; i < 3; ++i)
        r.bus.QueueFault(0, sim::Fault::BadChecksum);
    r.Run(5000);
    EXPECT_TRUE(r.ui.messages.empty());
    EXPECT_EQ(r.ui.notices, std::vector<std::string>(3, "Error CS protocol"));
    EXPECT_EQ(Count(r.logbook.m_text, "\tError CS protocol\n"), 1u);
    r.Run(60000);
    r.bus.QueueFault(0, sim::Fault::BadChecksum);
    r.Run(2000);
    EXPECT_EQ(Count(r.logbook.m_text, "\tError CS protocol\n"), 2u);
    EXPECT_TRUE(r.station->Recording());
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

// Guards a search that finds no bus opening the release dialog, counting silent addresses as link
// failures, or not saying why: nobody answers, the gateway is down, or the port will not open (the
// reason in the user's language).
TEST(Search, NoBusOpensNoReleaseDialogAndSaysWhy)
{
    RefusingPort busy;
    busy.failure = {bus::PortProblem::Busy, "/dev/ttyUSB7", "ignored"};
    const std::string refused = "The port /dev/ttyUSB7 cannot be opened: in use by another program";
    const std::tuple<Wire, RefusingPort*, std::vector<std::string>, std::size_t> cases[] = {
        {Wire::Serial, nullptr, {}, 1},
        {Wire::Tcp, nullptr, {"TCP Socket not connected!"}, 0},
        {Wire::Serial, &busy, {refused}, 0},
    };
    for (const auto& [wire, port, messages, errors] : cases) {
        SCOPED_TRACE(messages.empty() ? "nobody answers" : messages[0]);
        Rig r(wire);
        r.gateway.SetDown(true);
        if (port)
            r.station->Link().SetSerial(port);
        r.station->SetLanguage(1);
        r.SearchAll();
        EXPECT_EQ(r.ui.messages, messages);
        EXPECT_EQ(r.ui.errors.size(), errors);
        EXPECT_EQ(r.ui.releaseRuns, 0);
        EXPECT_FALSE(r.ui.waitOpen || r.station->ModulesReleased());
        EXPECT_EQ(Has(r.ui.panes[1], "closed"), wire == Wire::Tcp);
        EXPECT_EQ(Has(r.logbook.m_text, refused), port != nullptr);
        EXPECT_EQ(r.station->Link().PollErrors(), 0);
    }
}

}  // namespace
}  // namespace qor::station::testing
