#include "station_rig.h"

#include <gtest/gtest.h>

namespace qor::station::testing {
namespace {

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST(Search, IdCountThreePollsZeroToThreeAndDisablesTheRest)
{
    StationConfig cfg;
    cfg.idCount = 3;
    Rig r(Wire::Serial, cfg);
    r.bus.AddModule(0, 1);
    r.bus.AddModule(2, 4);
    r.bus.AddModule(5, 8);  // beyond IDCOUNT: never asked
    for (auto& s : r.doc.m_slave)
        s.m_enabled = 1;
    r.SearchAll();
    const std::vector<std::string> shown = r.ui.releaseShownLeft;
    EXPECT_TRUE(r.ui.releaseShownLeft.empty());
    EXPECT_EQ(r.ui.releaseShownRight,
              (std::vector<std::string>{"Slave  0: pH - Verstärker", "Slave  2: 2000µS - Verstärker"}));
    for (int n = 0; n < 16; ++n)
        EXPECT_EQ(r.doc.m_slave[n].m_enabled, n == 0 || n == 2) << n;
    EXPECT_EQ(r.station->Config().sEnable, 5u);
    // The wait window named each address 0..3 and none beyond.
    int slaves = 0;
    for (const auto& w : r.ui.waits)
        if (Has(w, "Slave "))
            ++slaves;
    EXPECT_EQ(slaves, 4);
    EXPECT_EQ(r.ui.waits[1], "Bitte warten, versuche Module anzusprechen.\nSlave  0 ");
    EXPECT_FALSE(r.ui.waitOpen);
}

TEST(Search, ReleasedAtPreviousSearchIsOnTheReleasedSide)
{
    Rig r;
    r.bus.AddModule(0, 1);
    r.bus.AddModule(1, 4);
    r.bus.AddModule(2, 8);
    r.ui.release = [](FreigabeDlgModel& d) {
        d.Add(1);  // module 1 only
        return true;
    };
    r.station->SearchModules();
    EXPECT_EQ(r.ui.releaseShownLeft.size(), 3u);
    r.ui.release = [](FreigabeDlgModel&) { return true; };
    r.station->SearchModules();
    EXPECT_EQ(r.ui.releaseShownRight, (std::vector<std::string>{"Slave  1: 2000µS - Verstärker"}));
    EXPECT_EQ(r.ui.releaseShownLeft,
              (std::vector<std::string>{"Slave  0: pH - Verstärker", "Slave  2: Sauerstoff - Verstärker"}));
}

TEST(Search, CancelKeepsFlagsAndTypesOfThePollStep)
{
    Rig r;
    r.bus.AddModule(0, 1);
    r.bus.AddModule(2, 8);
    r.doc.m_slave[0].m_enabled = 1;
    r.doc.m_slave[1].m_enabled = 1;  // gone from the bus
    r.doc.m_slave[1].m_type = 5;
    r.ui.release = [](FreigabeDlgModel& d) {
        d.SelectAll();
        return false;
    };
    r.station->SearchModules();
    EXPECT_EQ(r.doc.m_slave[0].m_enabled, 1);
    EXPECT_EQ(r.doc.m_slave[0].m_type, 1);
    EXPECT_EQ(r.doc.m_slave[1].m_enabled, 0);
    EXPECT_EQ(r.doc.m_slave[1].m_type, 5);
    EXPECT_EQ(r.doc.m_slave[2].m_enabled, 0);
    EXPECT_EQ(r.doc.m_slave[2].m_type, 8);
    EXPECT_FALSE(Has(r.logbook.m_text, "Freigabe Slaves"));
    EXPECT_EQ(r.station->Config().sEnable, 1u);
}

TEST(Search, ReleasingZeroAndTwoIdentifiesThemAndLogs)
{
    Rig r;
    r.bus.AddModule(0, 1);
    r.bus.AddModule(1, 4);
    r.bus.AddModule(2, 9);
    r.ui.release = [](FreigabeDlgModel& d) {
        d.Add(2);  // module 2
        d.Add(0);  // module 0
        return true;
    };
    r.station->SearchModules();
    EXPECT_EQ(r.station->Config().sEnable, 5u);
    EXPECT_EQ(r.station->ConfigToSave().sEnable, 5u);
    EXPECT_TRUE(r.station->ModulesReleased());
    EXPECT_EQ(r.doc.m_slave[1].m_type, 0);  // not released: type cleared
    // Identification of module 2 (linear amplifier): unit text, calibration, settings, revision.
    const auto& s = r.doc.m_slave[2];
    EXPECT_EQ(s.m_address, 2);
    EXPECT_EQ(s.m_type, 9);
    EXPECT_EQ(std::string(s.m_unit.data(), 4), "ppm ");
    EXPECT_EQ(s.m_calibration[1], (std::array<std::uint8_t, 4>{0xD7, 0xA3, 0x6C, 0x42}));  // 59.16f
    EXPECT_EQ(s.m_calibration[3], (std::array<std::uint8_t, 4>{0x00, 0x00, 0x00, 0x3F}));  // 0.5f (data[52])
    EXPECT_EQ(s.m_calibration[4], (std::array<std::uint8_t, 4>{0x00, 0x00, 0x80, 0x3F}));  // 1.0f (data[44])
    EXPECT_EQ(s.m_settingByte, 2);
    EXPECT_FLOAT_EQ(s.m_settingValue, 25.0f);
    EXPECT_FLOAT_EQ(s.m_revision, 1.0f);
    EXPECT_EQ(r.ui.panes[3], "Module angemeldet");
    // Logbook: release, then each released module in array order.
    const std::string& log = r.logbook.m_text;
    const auto rel = log.find("\tFreigabe Slaves\n");
    const auto m2 = log.find("\t\tSlave 2  linearer - Verstärker\n");
    const auto m0 = log.find("\t\tSlave 0  pH - Verstärker\n");
    ASSERT_NE(rel, std::string::npos);
    ASSERT_NE(m2, std::string::npos);
    ASSERT_NE(m0, std::string::npos);
    EXPECT_LT(rel, m2);
    EXPECT_LT(m2, m0);
}

TEST(Search, NobodyAnswers)
{
    Rig r;
    r.station->Config().sEnable = 6;
    r.station->SearchModules();
    EXPECT_EQ(r.ui.errors, (std::vector<std::string>{"Kein Slave am Bus."}));
    EXPECT_EQ(r.ui.releaseRuns, 0);
    EXPECT_TRUE(Has(r.logbook.m_text, "\t\t Kein Slave am Bus.\n"));
    EXPECT_FALSE(r.ui.waitOpen);
    EXPECT_EQ(r.ui.panes[3], "keine Module angemeldet");
    EXPECT_FALSE(r.station->ModulesReleased());
    // Silent addresses are no link failures: no connection message, counter untouched.
    EXPECT_TRUE(r.ui.messages.empty());
    EXPECT_EQ(r.station->Link().PollErrors(), 0);
}

TEST(Search, IdentificationFailureShowsTheCheckMessage)
{
    Rig r;
    r.bus.AddModule(3, 1);
    // The poll answers, the identification does not.
    r.ui.release = [&](FreigabeDlgModel& d) {
        d.SelectAll();
        r.bus.QueueFault(3, sim::Fault::NoAnswer);
        return true;
    };
    r.station->SearchModules();
    ASSERT_EQ(r.ui.errors.size(), 1u);
    EXPECT_TRUE(Has(r.ui.errors[0], "Prüfen Sie ob dieser Slave am Bus ist"));
    EXPECT_EQ(r.doc.m_slave[3].m_enabled, 1);
}

TEST(Search, PotentiostatsAreListedUpToFour)
{
    Rig r;
    for (std::uint8_t a = 0; a < 5; ++a)
        r.AddPot(a);
    r.bus.AddModule(6, 1);
    r.SearchAll();
    EXPECT_EQ(r.station->Potentiostats(), (std::vector<std::uint8_t>{0, 1, 2, 3}));
    EXPECT_EQ(r.ui.messages, (std::vector<std::string>{"Nur 4 Potentiostaten sind erlaubt!"}));
    EXPECT_TRUE(r.station->PotentiostatPresent());
    EXPECT_FALSE(r.station->PotentiostatRunning());
    EXPECT_FLOAT_EQ(r.doc.m_slave[0].m_revision, 2.0f);
    EXPECT_EQ(r.doc.m_slave[0].m_channelByte, 1);

    // A potentiostat whose program runs sets the running flag.
    Rig running;
    running.AddPot(4).Start(0);
    running.SearchAll();
    EXPECT_TRUE(running.station->PotentiostatRunning());
    EXPECT_TRUE(running.doc.m_potRunning);
}

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
    EXPECT_EQ(r.ui.releaseShownRight, (std::vector<std::string>{"Slave  2: 2000µS - Verstärker"}));
    EXPECT_EQ(r.ui.releaseShownLeft, (std::vector<std::string>{"Slave  0: pH - Verstärker"}));

    r.station->Config().autoEnable = 0;
    r.station->AutoEnable();
    EXPECT_EQ(r.ui.releaseRuns, 1);
}

TEST(Search, TcpLinkDownShowsTheSocketMessageOnly)
{
    Rig r(Wire::Tcp);
    r.bus.AddModule(0, 1);
    r.gateway.SetDown(true);
    r.station->SearchModules();
    EXPECT_EQ(r.ui.messages, (std::vector<std::string>{"TCP Socket not connected!"}));
    EXPECT_EQ(r.ui.releaseRuns, 0);
    EXPECT_EQ(r.ui.panes[1], "Ethernet to 192.168.2.10:50000 closed");
}

TEST(ChoosePotentiostat, ListsOnlyTypes40To5F)
{
    Rig r;
    r.bus.AddModule(0, 1);
    r.AddPot(3);
    r.AddPot(7, 0x4B);
    r.SearchAll();
    r.ui.selectRow = 1;
    EXPECT_EQ(r.station->ChoosePotentiostat(), 7);
    EXPECT_EQ(r.ui.selectionShown,
              (std::vector<std::string>{"Slave  3: Potentiostat", "Slave  7: Potentiostat"}));
    r.ui.selectOk = false;
    EXPECT_FALSE(r.station->ChoosePotentiostat());

    r.ui.selectOk = true;
    r.doc.m_slave[3].m_enabled = r.doc.m_slave[7].m_enabled = 0;
    r.station->SetLanguage(1);
    EXPECT_FALSE(r.station->ChoosePotentiostat());
    EXPECT_EQ(r.ui.messages, (std::vector<std::string>{"No necessary slave available"}));
}

}  // namespace
}  // namespace qor::station::testing
