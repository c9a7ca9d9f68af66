#include "bus/answers.h"
#include "bus/bus_link.h"
#include "bus/link_events.h"
#include "common/clock.h"
#include "sim/sim_bus.h"
#include "sim/sim_byte_stream.h"
#include "sim/sim_link.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <tuple>
#include <vector>

using namespace qor;
using namespace qor::bus;
using qor::sim::Fault;
using K = LinkEventKind;
using Bytes = std::vector<std::uint8_t>;

namespace {

// Measurement answer of a pH amplifier at address 0: mode bits 2, type 1, raw 7000, -1234, 251.
const Bytes kPhAnswer = {0x02, 0x10, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x00,  // header, 12 data bytes
                         0x00, 0x00, 0x00, 0x00, 0x80, 0x01, 0x58, 0x1B, 0x2E, 0xFB, 0xFB, 0x00,  // data
                         0x16, 0x6A};  // CRC low, high

Bytes WithCrc(Bytes f)
{
    const std::uint16_t crc = Crc16(f.data(), f.size());
    f.insert(f.end(), {static_cast<std::uint8_t>(crc), static_cast<std::uint8_t>(crc >> 8)});
    return f;
}

// A file-block answer with `n` data bytes and its checksum.
Bytes Frame(std::uint16_t n)
{
    Bytes f = {0x02, 0x29, 0x00, static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8), 0, 0, 0};
    f.resize(8u + n, 0x33);
    return WithCrc(f);
}

// Records what the link reports.
struct Host : LinkListener {
    void OnLinkEvent(const LinkEvent& e) override { kinds.push_back(e.kind), ethernet.push_back(e.ethernet); }
    long Count(K k) const { return std::count(kinds.begin(), kinds.end(), k); }
    std::vector<K> kinds;
    std::vector<bool> ethernet;
};

struct Link {
    explicit Link(int ethernet)
    {
        link.SetSerial(&stream);
        link.SetGateway(&gateway);
        link.Settings().ethernet = ethernet;
    }
    int Poll(std::uint8_t address)
    {
        link.PrepareMeasureRequest(address);
        return link.PollModule() ? 1 : 0;
    }
    SimClock clock;
    sim::SimBus bus{clock};
    sim::SimByteStream stream{bus};
    sim::SimLink gateway{bus};
    Host host;
    BusLink link{clock, host};
};

struct SerialExchange : ::testing::Test, Link {
    SerialExchange() : Link(0) {}
    void SetUp() override { ASSERT_EQ(link.OpenPort(), 1); }
};

struct TcpExchange : ::testing::Test, Link {
    TcpExchange() : Link(1) { bus.AddDefaultModules(); }
};

// Guards cut, late or corrupt answers taken, overlong waits, and a length field overrunning the buffer.
TEST_F(SerialExchange, AnswersWholeCutLateOrCorrupt)
{
    struct Case {
        const char* name;
        Bytes bytes;
        int delayMs, result;
        std::int64_t waitedMs;
        int checksumErrors;
    };
    const Bytes ph = kPhAnswer;
    auto cut = [&](std::size_t n) { return Bytes(ph.begin(), ph.begin() + static_cast<long>(n)); };
    Bytes corrupt = ph;
    corrupt[14] ^= 0x01;  // one bit of a raw value
    const Case cases[] = {
        {"whole", ph, 0, 20, 0, 0},
        {"late but in time", ph, 1990, 20, 1990, 0},
        {"too late", ph, 2010, -1, 2000, 0},
        {"nothing", {}, 0, -1, 2000, 0},
        {"header only", cut(8), 0, -1, 2000, 0},
        {"all but the checksum", cut(20), 0, -1, 2000, 0},
        {"checksum wrong", corrupt, 0, -1, 0, 1},
        // A length-0 answer is taken after ten bytes, its checksum unchecked.
        {"no data", {0x02, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0xEE, 0xEE}, 0, 8, 0, 0},
        {"largest that fits", Frame(1390), 0, 1398, 0, 0},
        {"length beyond the buffer", Frame(1391), 0, -1, 0, 0},
    };
    Bytes answer(kBufferSize);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        host.kinds.clear();
        stream.Inject(c.bytes, c.delayMs);
        const std::int64_t before = clock.TickMs();
        EXPECT_EQ(link.Transceive(link.Request(), 0, answer.data(), 2), c.result);
        EXPECT_EQ(clock.TickMs() - before, c.waitedMs);
        EXPECT_EQ(host.Count(K::ChecksumError), c.checksumErrors);
        EXPECT_TRUE(c.result < 0 || std::equal(answer.begin(), answer.begin() + c.result, c.bytes.begin()));
        EXPECT_TRUE(c.bytes.size() < 1000 || stream.BytesAvailable() == 0);
        stream.DiscardInput();
    }
}

// Guards the display mode (conductivity types only) and the fast-mode slot (potentiostats
// numbering their answers 1..10), and that no unusable answer passes as a measurement.
TEST(DecodeMeasurement, ModeSlotAndRefusals)
{
    struct Case {
        std::uint8_t address, headerStatus, command, type;
        int length;
        bool valid;
        std::optional<std::uint8_t> mode, slot;
    };
    using O = std::optional<std::uint8_t>;
    for (const Case& c : {
             Case{0, 0x00, 0x10, 0x01, 20, true, O{}, O{}},   // pH: mode bits are no mode
             Case{2, 0x00, 0x10, 0x03, 20, true, O{2}, O{}},  // conductivity: mode 2
             Case{4, 0x00, 0x10, 0x42, 20, true, O{}, O{3}},  // potentiostat answer number 4
             Case{0, 0x00, 0x10, 0xC2, 20, true, O{}, O{}},   // ended program, no number
             Case{11, 0x00, 0x10, 0x42, 20, true, O{}, O{}},  // address 11: no number
             Case{5, 0x00, 0x10, 0x01, 20, true, O{}, O{}},   // an amplifier at 5: no slot
             Case{0, 0x01, 0x10, 0x01, 20, false, O{}, O{}},  // refused
             Case{0, 0x40, 0x10, 0x01, 20, false, O{}, O{}},  // not ready
             Case{0, 0x00, 0x11, 0x01, 20, false, O{}, O{}},  // another command's answer
             Case{0, 0x00, 0x10, 0x01, 19, false, O{}, O{}},  // one data byte short
         }) {
        SCOPED_TRACE(testing::Message() << int{c.address} << " " << int{c.type} << " " << c.length);
        const Bytes a = {0x02, c.command, c.address, 0x0C,   0x00, c.headerStatus, 0x00, 0x00, 0x00, 0x00,
                         0x00, 0x00,      0x80,      c.type, 0x58, 0x1B,           0x2E, 0xFB, 0xFB, 0x00};
        const std::optional<MeasurementAnswer> m = DecodeMeasurement(a.data(), c.length);
        ASSERT_EQ(m.has_value(), c.valid);
        if (!m)
            continue;
        EXPECT_EQ(std::tuple(m->address, m->status, m->displayMode, m->slot),
                  std::tuple(c.address, c.type, c.mode, c.slot));
        EXPECT_EQ(m->raw, (std::array<std::int16_t, 3>{7000, -1234, 251}));
    }
}

// Guards refused answers counted as link failures (lost, corrupt or foreign ones are), stale raw
// values, and a poll on a busy link exchanging or waiting for ever.
TEST_F(SerialExchange, FaultyAnswersAndABusyLinkGiveNoMeasurement)
{
    struct Case {
        Fault fault;
        int errors;
    };
    bus.AddModule(2, 8);
    for (Case c : {Case{Fault::StatusNotReady, 0}, Case{Fault::StatusError, 0}, Case{Fault::WrongEcho, 1},
                   Case{Fault::BadChecksum, 1}, Case{Fault::CutAfterHeader, 1}, Case{Fault::None, 0}}) {
        SCOPED_TRACE(sim::FaultName(c.fault));
        link.SetPollErrors(0);
        if (c.fault != Fault::None)
            bus.QueueFault(2, c.fault);
        else
            stream.SetTransform(
                [](Bytes& a) { a = {0x02, 0x10, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}; });
        EXPECT_EQ(Poll(2), 0);
        EXPECT_EQ(link.PollErrors(), c.errors);
        EXPECT_FALSE(link.Busy());
    }
    EXPECT_EQ(host.kinds, (std::vector<K>{K::ChecksumError}));
    // Two data bytes short with a right checksum: raw value 3 would be left from an earlier answer.
    stream.SetTransform([](Bytes& a) {
        a = WithCrc({0x02, 0x10, 0x02, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x58,
                     0x1B, 0x2E, 0xFB});
    });
    EXPECT_EQ(Poll(2), 0);
    stream.SetTransform(nullptr);
    EXPECT_EQ(Poll(2), 1);
    // A busy link: no exchange, and no wait beyond one poll time-out.
    link.SetBusy(true);
    const auto before = bus.Exchanges();
    const auto t0 = clock.TickMs();
    EXPECT_EQ(Poll(2), 0);
    EXPECT_EQ(bus.Exchanges(), before);
    EXPECT_LE(clock.TickMs() - t0, 2000);
}

// Guards another module's answer taken for this one, and the numbered answers of a running potentiostat
// refused.
TEST_F(SerialExchange, AnswerMustBelongToTheRequest)
{
    struct Case {
        std::uint8_t address, carried, status;  // the answer carries `carried` in place of the address
        int result;
    };
    bus.AddModule(0, 1);
    bus.AddModule(4, 66);
    const Case cases[] = {
        {0, 0, 0x01, 1},  {0, 1, 0x01, 0},
        {4, 3, 0x52, 1},                    // a running potentiostat numbers its answers 1..10
        {4, 11, 0x52, 0}, {0, 3, 0x52, 0},  // address 0 answered as an amplifier before
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int{c.carried});
        stream.SetTransform([&](Bytes& a) {
            a[2] = c.carried;
            a[13] = c.status;
            a = WithCrc(Bytes(a.begin(), a.begin() + 20));
        });
        link.SetPollErrors(0);
        EXPECT_EQ(Poll(c.address), c.result);
        EXPECT_EQ(link.PollErrors(), 1 - c.result);
    }
}

// Guards a failure count that is not net, a report before the sixth failure or only once, and wrapping.
TEST_F(SerialExchange, SixthNetFailureReportsAndEveryFurtherOneToo)
{
    bus.AddModule(1, 4);
    for (int i = 0; i < 5; ++i) {
        bus.QueueFault(1, Fault::NoAnswer);
        EXPECT_EQ(Poll(1), 0);
    }
    EXPECT_EQ(Poll(1), 1);
    EXPECT_EQ(link.PollErrors(), 4);
    bus.QueueFault(1, Fault::NoAnswer);
    Poll(1);
    EXPECT_TRUE(host.kinds.empty());
    bus.QueueFault(1, Fault::NoAnswer);
    Poll(1);
    EXPECT_EQ(host.kinds, (std::vector<K>{K::PollsFailing}));
    EXPECT_FALSE(host.ethernet[0]);
    for (int i = 0; i < 300; ++i)
        Poll(9);
    EXPECT_EQ(link.PollErrors(), 255);
    EXPECT_EQ(host.Count(K::PollsFailing), 301);
}

// Guards a dead gateway kept after a failed command, a refused command closing a good one, and no link.
TEST_F(TcpExchange, FailedCommandClosesTheLinkAndThePollReconnects)
{
    ASSERT_EQ(link.OpenPort(), 1);
    std::uint8_t req[8];
    BuildRequest(req, CMD_READ_REVISION, 9);  // nobody at address 9
    EXPECT_EQ(link.SendCommand(req, 8, link.Answer(), 2), -1);
    EXPECT_FALSE(link.Connected());
    EXPECT_EQ(host.kinds.back(), K::GatewayFailed);
    EXPECT_EQ(Poll(0), 1);
    EXPECT_TRUE(link.Connected());
    EXPECT_EQ(gateway.Connects(), 2);

    bus.QueueFault(1, Fault::StatusError);
    BuildRequest(req, CMD_READ_REVISION, 1);
    EXPECT_EQ(link.SendCommand(req, 8, link.Answer(), 2), -1);
    EXPECT_TRUE(link.Connected());
    EXPECT_EQ(link.SendCommand(req, 8, link.Answer(), 2), 20);
    link.CloseEthernet();
    gateway.SetDown(true);
    EXPECT_EQ(link.SendCommand(req, 8, link.Answer(), 2), 0);
}

// Guards a lost gateway being asked again at every poll instead of once a second.
TEST_F(TcpExchange, LostGatewayIsAskedAgainOnceASecond)
{
    ASSERT_EQ(link.OpenPort(), 1);
    gateway.SetDown(true);
    Poll(1);
    Poll(1);  // the connection is lost, and connecting again fails
    const std::int64_t failed = clock.TickMs();
    gateway.SetDown(false);
    for (clock.Advance(100); clock.TickMs() - failed < 1000; clock.Advance(100))
        EXPECT_EQ(Poll(1), 0) << clock.TickMs() - failed;
    EXPECT_EQ(Poll(1), 1);
}

// Guards the gateway connection or a live keep-alive not being reported, the keep-alive not asked
// for, and failing polls not dropping the link.
TEST_F(TcpExchange, OpenKeepAliveAndFailingPollsDropADeadLink)
{
    ASSERT_EQ(link.OpenPort(), 1);
    link.KeepAlive();
    EXPECT_EQ(host.kinds, (std::vector<K>{K::GatewayOpen, K::KeepAliveWanted, K::GatewayOpen}));
    for (int i = 0; i < 6; ++i)
        Poll(12);
    ASSERT_EQ(host.Count(K::PollsFailing), 1);
    EXPECT_TRUE(host.ethernet.back());
    EXPECT_FALSE(link.Connected());
}

}  // namespace
