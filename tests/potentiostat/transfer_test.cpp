// Programming, read-back and manual operation on the simulated bus, against a scripted module
// that answers each request from its own slots.
#include "bus/bus_link.h"
#include "bus/frame.h"
#include "common/clock.h"
#include "sim/sim_bus.h"
#include "sim/sim_byte_stream.h"
#include "station/console_ui.h"
#include "station/pot_program.h"

#include <gtest/gtest.h>
#include <map>

using namespace qor;
using namespace qor::potentiostat;

namespace {

struct ScriptedModule : sim::SimModule, bus::LinkListener {
    ScriptedModule() : SimModule(3, 0x50, 1) {}
    std::optional<sim::Reply> Handle(const sim::Request& q, std::int64_t) override
    {
        // The request frame as sent, without the checksum; bytes 5..7 are the bus layer's.
        std::vector<std::uint8_t> req{2, q.command, q.address, 0, 0, 0, 0, 0};
        bus::WriteU16(req.data() + 3, q.lengthField);
        req.insert(req.end(), q.payload.begin(), q.payload.end());
        requests.push_back(req);
        if (static_cast<int>(requests.size()) == silentAt)
            return std::nullopt;
        std::vector<std::uint8_t> answer;
        if (q.command == 0xD1) {
            slots[req[8]] = q.payload;
            answer = {1, 0};
        } else if (q.command == 0xD2) {
            answer = {1, 0};
        } else if (q.command == 0xE1) {
            answer = slots.count(req[8]) ? slots[req[8]] : std::vector<std::uint8_t>(40, 0);
            if (answer[23] == 1)  // an empty slot answers step number 0
                answer[0] = 0;
            if (!renumber.empty() && answer[0] != 0)
                answer[0] = renumber[req[8] - 1];
        } else if (q.command == 0xE2) {
            answer.assign(24, 0);
            answer[1] = 0x43, answer[4] = 150, answer[10] = 10;
        } else if (q.command == 0x19) {
            answer = q.payload;
        }
        return Answer(q, answer);
    }
    void OnLinkEvent(const bus::LinkEvent&) override {}

    int silentAt = -1;
    std::vector<std::uint8_t> renumber;  // step numbers the module reports instead of its own
    std::vector<std::vector<std::uint8_t>> requests;
    std::map<int, std::vector<std::uint8_t>> slots;
};

struct Rig {
    Rig()
    {
        link.SetSerial(&stream);
        ui.quiet = true;
    }
    station::PotProgram Program() { return station::PotProgram(link, ui, 1, 3); }
    SimClock clock;
    sim::SimBus bus{clock};
    ScriptedModule& module = static_cast<ScriptedModule&>(bus.AddModule(std::make_unique<ScriptedModule>()));
    sim::SimByteStream stream{bus};
    bus::BusLink link{clock, module};
    station::ConsoleUi ui{clock};
};

TEST(PotTransfer, ProgramSendsAllSlotsAndReadBackFillsTheTableInOrder)
{
    Rig rig;
    PotStepSetupModel m(1);
    for (int i = 0; i < 3; ++i)
        m.Append();
    m.Select(1);
    std::string msg;
    StepText t = *m.BeginChange(msg);
    t[F_VALUE1] = "1234.567", t[F_TYPE] = "GAL", t[F_UNIT1] = "µA", t[F_NEXT] = "3";
    m.EndChange(t);
    ASSERT_TRUE(rig.Program().Program(m));
    const auto& req = rig.module.requests;
    ASSERT_EQ(req.size(), 256u);
    // The settings, then slots 1..255 in order, the empty ones too; their bytes are checked in
    // step_program_test.
    EXPECT_EQ(std::vector<std::uint8_t>(req[0].begin(), req[0].begin() + 4),
              (std::vector<std::uint8_t>{2, 0xD2, 3, 24}));
    for (std::size_t k = 1; k < req.size(); ++k)
        ASSERT_EQ((std::vector<int>{req[k][1], req[k][3], req[k][8]}), (std::vector<int>{0xD1, 40, int(k)}));
    EXPECT_FALSE(m.Modified(1));

    // A module that numbers its steps its own way: the rows still come in the order read.
    rig.module.renumber = {9, 1, 1};
    PotStepSetupModel back(1);
    ASSERT_TRUE(rig.Program().ReadBack(back));
    ASSERT_EQ(back.Rows(), 3);
    for (int r = 0; r < 3; ++r) {
        DeviceStep a = ToDevice(m.Row(r)), b = ToDevice(back.Row(r));
        EXPECT_EQ(a, b) << "row " << r;
    }
    EXPECT_EQ(back.Settings().currentRange, 3);

    // An empty module leaves an empty table and still reads the settings; a silent one
    // stops with the message.
    Rig empty;
    ASSERT_TRUE(empty.Program().ReadBack(back));
    EXPECT_EQ(back.Rows(), 0);
    EXPECT_EQ(back.Settings().aux, 100u);
    Rig silent;
    silent.module.silentAt = 2;
    EXPECT_FALSE(silent.Program().Program(m));
    EXPECT_EQ(silent.ui.messages, std::vector<std::string>{"Error data transfer!"});
    EXPECT_EQ(silent.module.requests.size(), 2u);

    // Regression: a row no editor allows (a next step beyond the program) was programmed.
    Rig refused;
    PotStepSetupModel bad(1);
    DeviceStep d = ToDevice(DefaultStepText());
    d.next = 231;
    bad.AddReadStep(d);
    EXPECT_FALSE(refused.Program().Program(bad));
    EXPECT_TRUE(refused.module.requests.empty());
    EXPECT_EQ(refused.ui.messages,
              std::vector<std::string>{
                  "Not programmed, the editor does not allow this value:\nstep 1: Next 231 → End"});
}

TEST(PotTransfer, ManualReadsAndApplies)
{
    Rig rig;
    PotManuellModel m;
    ASSERT_TRUE(rig.Program().ManualRead(m));
    EXPECT_EQ(rig.module.requests[1], (std::vector<std::uint8_t>{2, 0x19, 3, 18, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                                 0, 0,    0, 0,  0, 0, 0, 0, 0, 0, 0, 0, 0}));
    m.SetMode(1);
    m.SetRelay(true);
    m.SetValue(-2.5f);
    ASSERT_TRUE(rig.Program().ManualApply(m));
    const auto& req = rig.module.requests;
    EXPECT_EQ(req[2][1], 0xD2);
    EXPECT_EQ(req[2][9], 0x43);
    EXPECT_EQ(req[3], (std::vector<std::uint8_t>{2, 0x19, 3,    18, 0, 0, 0, 0, 1, 1, 1, 0, 0,
                                                 0, 0x20, 0xC0, 0,  0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_FLOAT_EQ(m.State().setValue, -2.5f);

    // Regression: a galvanostat set value went out unclamped; the editor's ±500 mA apply.
    m.SetMode(0);
    m.SetValue(1e30f);
    ASSERT_TRUE(rig.Program().ManualApply(m));
    EXPECT_EQ(std::vector<std::uint8_t>(req[5].begin() + 8, req[5].begin() + 16),
              (std::vector<std::uint8_t>{1, 0, 1, 0, 0x00, 0x24, 0xF4, 0x48}));
    EXPECT_EQ(PotManuellModel::SentText(m.SentState(), 1), "Sent: Galvanostat, cell On, 500000 µA");

    // Guards the window's live read of a silent module counting toward ending a recording.
    rig.module.silentAt = static_cast<int>(req.size()) + 1;
    rig.link.SetPollErrors(3);
    EXPECT_FALSE(rig.Program().ManualMeasure(m));
    EXPECT_EQ(rig.link.PollErrors(), 3);
}

}  // namespace
