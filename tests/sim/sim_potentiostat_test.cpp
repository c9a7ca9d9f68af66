#include "bus/frame.h"
#include "common/clock.h"
#include "sim/sim_bus.h"
#include "sim/sim_potentiostat.h"

#include <cmath>
#include <gtest/gtest.h>

namespace qor::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct PotBus {
    PotBus() : bus(clock) { pot = static_cast<SimPotentiostat*>(&bus.AddModule(4, 0x43)); }
    std::optional<Bytes> Send(const Bytes& request) { return bus.Exchange(request.data(), request.size()); }
    Bytes Ok(const Bytes& request)
    {
        auto a = Send(request);
        EXPECT_TRUE(a);
        return a ? *a : Bytes{};
    }
    SimClock clock;
    SimBus bus;
    SimPotentiostat* pot = nullptr;
};

const Bytes kMeasure = {0x02, 0x10, 0x04, 0, 0, 0, 0, 0};
const Bytes kStart = {0x02, 0x14, 0x04, 0x02, 0x00, 0, 0, 0, 0x01, 0x00};
const Bytes kCount1 = {0x02, 0x12, 0x04, 0, 0, 0, 0, 0};
const Bytes kRead1 = {0x02, 0x11, 0x04, 0, 0, 0, 0, 0, 100};

Bytes Frame(std::uint8_t command, const Bytes& data, std::uint8_t status = 0)
{
    Bytes f = {0x02, command, 0x04, static_cast<std::uint8_t>(data.size()), 0, status, 0, 0};
    f.insert(f.end(), data.begin(), data.end());
    return f;
}

Bytes FileRequest(const std::string& name, std::uint16_t block)
{
    Bytes data = {static_cast<std::uint8_t>(name.size()), 0, static_cast<std::uint8_t>(block),
                  static_cast<std::uint8_t>(block >> 8)};
    data.insert(data.end(), name.begin(), name.end());
    return Frame(0x29, data);
}

TEST(SimPotentiostat, QueuesSamplesWhileRunning)
{
    PotBus b;
    b.Ok(kStart);
    b.clock.Advance(1050);  // samples at 0, 100, ..., 1000 ms
    Bytes c = b.Ok(kCount1);
    ASSERT_EQ(c.size(), 12u);
    EXPECT_EQ(std::abs(bus::ReadU16(&c[8]) - bus::ReadU16(&c[10])), 11);
    Bytes r = b.Ok(kRead1);
    ASSERT_EQ(r.size(), 8u + 11 * 12);
    EXPECT_EQ(bus::ReadU16(&r[3]), 11 * 12);
    // Sample 5 (500 ms): counter, step 1, range 3 (as set by the type code), potential and target x10.
    const std::uint8_t* s = &r[8 + 5 * 12];
    EXPECT_EQ(bus::ReadU32(s), 500u);
    EXPECT_EQ(s[4], 1);
    EXPECT_EQ(s[5], 3);
    const double target = -190.0 + 280.0 * 0.5 / 60.0;  // the built-in scan
    EXPECT_EQ(bus::ReadI16(s + 10), std::lround(target * 10));
    EXPECT_NEAR(bus::ReadI16(s + 8) / 10.0, target, 1.0);
    EXPECT_EQ(b.Ok(kRead1).size(), 8u);  // drained
}

// Guards the slot, settings and operating-state layouts and the refusal of malformed requests; the
// exchanges run in order on one module.
TEST(SimPotentiostat, KeepsSlotsSettingsAndStateThroughFrames)
{
    // Step 3: POT ramp 100 -> -250.5 mV over 12 s, next 7, 2 passes, limit below 5000 uA, from rest,
    // 50 samples/s, modified.
    const Bytes slot3 = {3, 0x00, 0x00, 0xC8, 0x42, 0x00, 0x80, 0x7A, 0xC3, 0xB0, 0x04, 0x00, 0x00, 1,
                         7, 2,    0x00, 0x40, 0x9C, 0x45, 0x05, 10,   1,    0,    0,    0,    0,    0,
                         0, 0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0};
    const auto pad = [](Bytes b, std::size_t n) { return b.resize(n), b; };
    Bytes badMode = slot3;
    badMode[13] = 3;
    const Bytes empty4 = pad({4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, 40);
    const Bytes settings = pad({0x01, 0x47, 0x48, 0x02, 0x96, 0x52, 0x02, 0x20, 0x20, 0x30, 0x64}, 24);
    const Bytes readBack = pad({0x01, 0x47, 0x48, 0x02, 0x96, 0x52, 0x02, 0x20, 0x20, 0x30, 0x0A}, 24);
    const Bytes state(18, 0), badState = pad({1, 3}, 18);
    const Bytes setState = pad({1, 1, 1, 0, 0, 0, 0x7A, 0x43}, 18);  // 250.0f
    const Bytes readState = pad({0, 1, 1, 0, 0, 0, 0x7A, 0x43}, 18);
    const Bytes ok = {0x02, 0xD1, 0x04, 0x02, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00};
    const std::pair<Bytes, Bytes> cases[] = {
        {Frame(0xD1, slot3), ok},
        {Frame(0xE1, {3}), Frame(0xE1, slot3)},
        {Frame(0xD1, empty4), ok},
        {Frame(0xE1, {4}), Frame(0xE1, Bytes(40, 0))},
        {Frame(0xE1, {9}), Frame(0xE1, Bytes(40, 0))},
        {Frame(0xE1, {0}), Frame(0xE1, {}, 1)},
        {Frame(0xD1, badMode), Frame(0xD1, {}, 1)},
        {Frame(0xD1, Bytes(slot3.begin(), slot3.end() - 1)), Frame(0xD1, {}, 1)},
        {Frame(0xD2, settings), Frame(0xD2, {1, 0})},
        {Frame(0xE2, {}), Frame(0xE2, readBack)},
        {Frame(0xD2, Bytes(23, 0)), Frame(0xD2, {}, 1)},
        {Frame(0x19, setState), Frame(0x19, setState)},
        {Frame(0x19, state), Frame(0x19, readState)},
        {Frame(0x19, badState), Frame(0x19, {}, 1)},
    };
    PotBus b;
    for (const auto& [request, answer] : cases)
        EXPECT_EQ(b.Send(request), answer) << int(request[1]) << " " << int(request.size());
    // The manual state holds the idle cell at 250 mV; the manual 500 mA range shows in the type code, the
    // automatic potential range stays at 2000 mV.
    b.clock.Advance(1000);
    const Bytes m = b.Ok(kMeasure);
    EXPECT_EQ(m[8 + 5], 0x47);
    EXPECT_NEAR(bus::ReadI16(&m[16]), 2500, 5);
    EXPECT_EQ(bus::ReadI16(&m[18]), 250);
}

// Guards the file-block answer layout: status 1 while more follows, 2 on the last block (also of an empty
// file), 0 past the end.
TEST(SimPotentiostat, ServesFilesInBlocks)
{
    PotBus b;
    std::string content(1300, 'x');
    content[0] = 'A';
    content[1299] = 'C';
    b.pot->SetFile("dl.txt", content);
    Bytes a0 = b.Ok(FileRequest("dl.txt", 0));
    ASSERT_EQ(a0.size(), 8u + 4 + 1000);
    EXPECT_EQ(Bytes(a0.begin(), a0.begin() + 13),
              (Bytes{0x02, 0x29, 0x04, 0xEC, 0x03, 0, 0, 0, 1, 0, 0, 0, 'A'}));
    Bytes a1 = b.Ok(FileRequest("dl.txt", 1));
    ASSERT_EQ(a1.size(), 8u + 4 + 300);
    EXPECT_EQ(a1[8], 2);
    EXPECT_EQ(a1.back(), 'C');
    EXPECT_EQ(b.Ok(FileRequest("dl.txt", 2)), (Bytes{0x02, 0x29, 0x04, 4, 0, 0, 0, 0, 0, 0, 0, 0}));
    b.pot->SetFile("empty", std::string());
    EXPECT_EQ(b.Ok(FileRequest("empty", 0)), (Bytes{0x02, 0x29, 0x04, 4, 0, 0, 0, 0, 2, 0, 0, 0}));
}

}  // namespace
}  // namespace qor::sim
