#include "bus/bus_link.h"
#include "common/clock.h"
#include "fake_link_host.h"
#include "sim/sim_bus.h"
#include "sim/sim_byte_stream.h"
#include "sim/sim_link.h"

#include <gtest/gtest.h>
#include <vector>

using namespace qor;
using namespace qor::bus;
using qor::sim::Fault;
using K = LinkEventKind;

namespace {

// Measurement answer of a pH amplifier at address 0: raw 7000, -1234, 251.
const std::vector<std::uint8_t> kPhAnswer = {
    0x02, 0x10, 0x00, 0x0C, 0x00, 0x00, 0x00, 0x00,                          // header, 12 data bytes
    0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x58, 0x1B, 0x2E, 0xFB, 0xFB, 0x00,  // data
    0x1E, 0x0A};                                                             // CRC low, high

class SerialExchange : public ::testing::Test {
protected:
    void SetUp() override
    {
        link.SetSerial(&stream);
        link.Settings().ethernet = 0;
        ASSERT_EQ(link.OpenPort(), 1);
    }
    int TransceiveOnly(std::uint8_t* answer) { return link.Transceive(link.Request(), 0, answer, 2); }

    SimClock clock;
    sim::SimBus bus{clock};
    sim::SimByteStream stream{bus};
    test::FakeLinkHost host;
    BusLink link{clock, host};
    std::vector<std::uint8_t> answer = std::vector<std::uint8_t>(kBufferSize);
};

TEST_F(SerialExchange, ValidAnswerYieldsLengthWithoutChecksum)
{
    stream.Inject(kPhAnswer);
    EXPECT_EQ(TransceiveOnly(answer.data()), 20);
    EXPECT_TRUE(std::equal(kPhAnswer.begin(), kPhAnswer.end(), answer.begin()));
    // A length-0 answer is taken after ten bytes, its checksum unchecked.
    stream.Inject({0x02, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0xEE, 0xEE});
    EXPECT_EQ(TransceiveOnly(answer.data()), 8);
    EXPECT_TRUE(host.events.empty());
}

struct CutCase {
    const char* name;
    std::size_t bytes;
};

TEST_F(SerialExchange, AnswerCutShortTimesOutAfterTheFullTimeOut)
{
    for (CutCase c : {CutCase{"nothing", 0}, CutCase{"header only", 8}, CutCase{"first ten bytes", 10},
                      CutCase{"all but the checksum", 20}}) {
        std::vector<std::uint8_t> part(kPhAnswer.begin(), kPhAnswer.begin() + static_cast<long>(c.bytes));
        stream.Inject(part);
        const std::int64_t before = clock.TickMs();
        EXPECT_EQ(TransceiveOnly(answer.data()), -1) << c.name;
        EXPECT_EQ(clock.TickMs() - before, 2000) << c.name;
        stream.DiscardInput();
    }
    EXPECT_TRUE(host.events.empty());
}

TEST_F(SerialExchange, ChecksumMismatchIsReportedAndFails)
{
    auto bad = kPhAnswer;
    bad.back() ^= 0xFF;
    stream.Inject(bad);
    EXPECT_EQ(TransceiveOnly(answer.data()), -1);
    EXPECT_EQ(host.Count(LinkEventKind::ChecksumError), 1);
}

// Guards against the length field driving the read past the 1400-byte answer buffer.
TEST_F(SerialExchange, LengthFieldBeyondTheAnswerBufferIsRefusedAndDiscarded)
{
    std::vector<std::uint8_t> huge(10 + 1391 + 2, 0x55);
    huge[0] = 0x02;
    huge[1] = 0x10;
    huge[3] = 0x6F;  // 1391 = 0x056F
    huge[4] = 0x05;
    stream.Inject(huge);
    EXPECT_EQ(TransceiveOnly(answer.data()), -1);
    EXPECT_EQ(stream.BytesAvailable(), 0u);

    // The largest answer that fits is still taken.
    std::vector<std::uint8_t> full(8 + 1390, 0x33);
    full[0] = 0x02;
    full[1] = 0x29;
    full[3] = 0x6E;  // 1390
    full[4] = 0x05;
    full[5] = 0x00;
    std::uint16_t crc = Crc16(full.data(), full.size());
    full.push_back(static_cast<std::uint8_t>(crc));
    full.push_back(static_cast<std::uint8_t>(crc >> 8));
    stream.Inject(full);
    EXPECT_EQ(TransceiveOnly(answer.data()), 1398);
}

TEST_F(SerialExchange, RequestGoesOutWithChecksumAndModuleAnswers)
{
    bus.AddModule(0, 1).SetRawValues({7000, -1234, 251});
    link.PrepareMeasureRequest(0);
    const std::uint8_t expect[] = {0x02, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_TRUE(std::equal(expect, expect + 8, link.Request()));
    ASSERT_EQ(link.PollModule(), 1);
    const Measurement& m = link.LastMeasurement();
    EXPECT_EQ(m.address, 0);
    EXPECT_EQ(m.status, 1);
    EXPECT_EQ(m.raw[0], 7000);
    EXPECT_EQ(m.raw[1], -1234);
    EXPECT_EQ(m.raw[2], 251);
    EXPECT_FALSE(link.Busy());

    // Conductivity amplifiers carry their display mode in the mode bits.
    bus.AddModule(4, 5).SetDisplayMode(2);
    link.PrepareMeasureRequest(4);
    ASSERT_EQ(link.PollModule(), 1);
    EXPECT_EQ(link.LastMeasurement().modeBits, 2);
    EXPECT_TRUE(IsConductivityType(5));
    EXPECT_TRUE(IsConductivityType(31));
    EXPECT_FALSE(IsConductivityType(7));
}

// Refused, unready and wrong answers are no measurement but no link failure either; a
// lost or corrupt one is a failure. A measurement answer without its twelve data bytes
// must not pass off stale raw values.
TEST_F(SerialExchange, FaultyAnswersAreNoMeasurement)
{
    struct Case {
        Fault fault;
        int errors;
    };
    bus.AddModule(2, 8);
    for (Case c : {Case{Fault::StatusNotReady, 0}, Case{Fault::StatusError, 0}, Case{Fault::WrongEcho, 0},
                   Case{Fault::BadChecksum, 1}, Case{Fault::CutAfterHeader, 1}, Case{Fault::None, 0}}) {
        link.SetPollErrors(0);
        if (c.fault != Fault::None)
            bus.QueueFault(2, c.fault);
        else
            stream.SetTransform([](std::vector<std::uint8_t>& a) {
                a = {0x02, 0x10, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
            });
        link.PrepareMeasureRequest(2);
        EXPECT_EQ(link.PollModule(), 0) << sim::FaultName(c.fault);
        EXPECT_EQ(link.PollErrors(), c.errors) << sim::FaultName(c.fault);
        EXPECT_FALSE(link.Busy());
    }
    EXPECT_EQ(host.events.size(), 1u);
    EXPECT_EQ(host.Last(), LinkEventKind::ChecksumError);
    stream.SetTransform(nullptr);
    EXPECT_EQ(link.PollModule(), 1);
}

TEST_F(SerialExchange, SixthNetFailureStopsRecordingAndEveryFurtherOneToo)
{
    bus.AddModule(1, 4);
    auto poll = [&] {
        link.PrepareMeasureRequest(1);
        return link.PollModule();
    };
    for (int i = 0; i < 5; ++i) {
        bus.QueueFault(1, Fault::NoAnswer);
        EXPECT_EQ(poll(), 0);
    }
    EXPECT_EQ(link.PollErrors(), 5);
    EXPECT_TRUE(host.events.empty());

    // One success in between takes one failure back.
    EXPECT_EQ(poll(), 1);
    EXPECT_EQ(link.PollErrors(), 4);
    bus.QueueFault(1, Fault::NoAnswer);
    EXPECT_EQ(poll(), 0);
    EXPECT_TRUE(host.events.empty());

    bus.QueueFault(1, Fault::NoAnswer);
    EXPECT_EQ(poll(), 0);
    ASSERT_EQ(host.events.size(), 1u);
    EXPECT_EQ(host.Last(), LinkEventKind::PollsFailing);
    EXPECT_FALSE(host.events[0].ethernet);

    bus.QueueFault(1, Fault::NoAnswer);
    EXPECT_EQ(poll(), 0);
    EXPECT_EQ(host.Count(LinkEventKind::PollsFailing), 2);
}

// A counter stuck at its top must keep reporting instead of wrapping to 0.
TEST_F(SerialExchange, PollErrorCounterSaturates)
{
    for (int i = 0; i < 300; ++i) {
        link.PrepareMeasureRequest(5);
        link.PollModule();
    }
    EXPECT_EQ(link.PollErrors(), 255);
    EXPECT_EQ(host.Count(LinkEventKind::PollsFailing), 295);
}

TEST_F(SerialExchange, PortThatWentAwayIsOpenedAgainByTheNextExchange)
{
    bus.AddModule(0, 1);
    stream.Close();
    link.PrepareMeasureRequest(0);
    EXPECT_EQ(link.PollModule(), 1);
    EXPECT_EQ(stream.Opens(), 2);
}

TEST_F(SerialExchange, BusyLinkMakesThePollGiveUpWithoutExchange)
{
    bus.AddModule(0, 1);
    link.SetBusy(true);
    const auto before = bus.Exchanges();
    link.PrepareMeasureRequest(0);
    EXPECT_EQ(link.PollModule(), 0);
    EXPECT_EQ(bus.Exchanges(), before);
    EXPECT_LE(clock.TickMs(), 2000);
}

class TcpExchange : public ::testing::Test {
protected:
    void SetUp() override
    {
        link.SetGateway(&gateway);
        link.Settings().ethernet = 1;
        bus.AddDefaultModules();
    }
    SimClock clock;
    sim::SimBus bus{clock};
    sim::SimLink gateway{bus};
    test::FakeLinkHost host;
    BusLink link{clock, host};
    std::vector<K> Kinds() const
    {
        std::vector<K> k;
        for (const auto& e : host.events)
            k.push_back(e.kind);
        return k;
    }
};

TEST_F(TcpExchange, OpenPortConnectsAndWantsTheKeepAlive)
{
    EXPECT_EQ(link.OpenPort(), 1);
    EXPECT_TRUE(link.Connected());
    EXPECT_EQ(Kinds(), (std::vector<K>{K::GatewayOpen, K::KeepAliveWanted}));
    EXPECT_TRUE(host.events[0].ethernet);

    host.events.clear();
    link.CloseEthernet();
    gateway.SetDown(true);
    EXPECT_EQ(link.OpenPort(), 0);
    EXPECT_EQ(Kinds(), (std::vector<K>{K::GatewayClosed, K::KeepAliveWanted, K::NotConnected}));
}

TEST_F(TcpExchange, FailedCommandClosesTheLinkAndThePollReconnects)
{
    ASSERT_EQ(link.OpenPort(), 1);
    std::uint8_t req[8];
    BuildRequest(req, CMD_READ_REVISION, 9);  // nobody at address 9
    EXPECT_EQ(link.SendCommand(req, 8, link.Answer(), 2), -1);
    EXPECT_FALSE(link.Connected());
    EXPECT_EQ(host.Last(), K::GatewayFailed);

    link.PrepareMeasureRequest(0);
    EXPECT_EQ(link.PollModule(), 1);
    EXPECT_TRUE(link.Connected());
    EXPECT_EQ(gateway.Connects(), 2);
}

TEST_F(TcpExchange, RefusedCommandFailsWithoutClosingAndNoConnectionGivesZero)
{
    ASSERT_EQ(link.OpenPort(), 1);
    bus.QueueFault(1, Fault::StatusError);
    std::uint8_t req[8];
    BuildRequest(req, CMD_READ_REVISION, 1);
    EXPECT_EQ(link.SendCommand(req, 8, link.Answer(), 2), -1);
    EXPECT_TRUE(link.Connected());
    EXPECT_EQ(link.SendCommand(req, 8, link.Answer(), 2), 20);
    link.CloseEthernet();
    gateway.SetDown(true);
    EXPECT_EQ(link.SendCommand(req, 8, link.Answer(), 2), 0);
}

TEST_F(TcpExchange, KeepAliveTestsTheLinkAndDropsADeadOne)
{
    ASSERT_EQ(link.OpenPort(), 1);
    host.events.clear();
    link.KeepAlive();
    EXPECT_TRUE(link.Connected());
    EXPECT_EQ(Kinds(), (std::vector<K>{K::GatewayOpen}));
    gateway.SetDown(true);
    link.KeepAlive();
    EXPECT_FALSE(link.Connected());
    EXPECT_EQ(host.Last(), K::GatewayFailed);
}

TEST_F(TcpExchange, SixthFailureReportsFailingPollsOnTheGateway)
{
    ASSERT_EQ(link.OpenPort(), 1);
    for (int i = 0; i < 6; ++i) {
        link.PrepareMeasureRequest(12);
        link.PollModule();
    }
    ASSERT_EQ(host.Count(K::PollsFailing), 1);
    EXPECT_TRUE(host.events.back().ethernet);
    EXPECT_FALSE(link.Connected());
}

}  // namespace
