#include "station_rig.h"

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
    EXPECT_FALSE(r.ui.waitOpen);
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
    EXPECT_EQ(s.m_address, 2);
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

// Guards an empty bus opening the release dialog or counting silent addresses as link failures.
TEST(Search, NobodyAnswers)
{
    Rig r;
    r.station->Config().sEnable = 6;
    r.station->SearchModules();
    EXPECT_EQ(r.ui.errors.size(), 1u);
    EXPECT_EQ(r.ui.releaseRuns, 0);
    EXPECT_FALSE(r.ui.waitOpen);
    EXPECT_FALSE(r.station->ModulesReleased());
    EXPECT_TRUE(r.ui.messages.empty());
    EXPECT_EQ(r.station->Link().PollErrors(), 0);
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

// Guards a search over a dead gateway ending in the release dialog instead of the socket message.
TEST(Search, TcpLinkDownShowsTheSocketMessageOnly)
{
    Rig r(Wire::Tcp);
    r.bus.AddModule(0, 1);
    r.gateway.SetDown(true);
    r.station->SearchModules();
    EXPECT_EQ(r.ui.messages, (std::vector<std::string>{"TCP Socket not connected!"}));
    EXPECT_EQ(r.ui.releaseRuns, 0);
    EXPECT_TRUE(Has(r.ui.panes[1], "closed"));
}

// Guards the choice offering other module types or none being reported as a choice.
TEST(ChoosePotentiostat, ListsOnlyTypes40To5F)
{
    Rig r;
    r.bus.AddModule(0, 1);
    r.AddPot(3);
    r.AddPot(7, 0x4B);
    r.SearchAll();
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

}  // namespace
}  // namespace qor::station::testing
