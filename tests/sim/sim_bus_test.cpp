#include "bus/frame.h"
#include "common/clock.h"
#include "sim/sim_bus.h"

#include <gtest/gtest.h>
#include <vector>

using namespace qor;
using namespace qor::bus;
using qor::sim::Fault;
using qor::sim::SimBus;

namespace {

std::vector<std::uint8_t> WithCrc(std::vector<std::uint8_t> f)
{
    std::uint16_t c = Crc16(f.data(), f.size());
    f.push_back(static_cast<std::uint8_t>(c));
    f.push_back(static_cast<std::uint8_t>(c >> 8));
    return f;
}

TEST(SimBus, SerialFrameLengthFindsCompleteRequests)
{
    auto poll = WithCrc({0x02, 0x10, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00});
    EXPECT_EQ(SimBus::SerialFrameLength(poll.data(), poll.size()), 10);
    EXPECT_EQ(SimBus::SerialFrameLength(poll.data(), 9), 0);
    EXPECT_EQ(SimBus::SerialFrameLength(poll.data(), 4), 0);
    // The record read carries a payload byte its length field leaves out.
    auto records = WithCrc({0x02, 0x11, 0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 100});
    EXPECT_EQ(SimBus::SerialFrameLength(records.data(), records.size()), 11);
    // A byte that cannot start a frame, and a frame whose checksum never fits.
    const std::uint8_t junk[] = {0x55};
    EXPECT_EQ(SimBus::SerialFrameLength(junk, 1), -1);
    auto bad = poll;
    bad[9] ^= 1;
    bad.push_back(0);
    EXPECT_EQ(SimBus::SerialFrameLength(bad.data(), bad.size()), -1);
}

TEST(SimBus, FaultRateHitsAboutThatShare)
{
    SimClock clock;
    SimBus bus(clock, 7);
    bus.AddModule(0, 1);
    bus.SetFaultRateAll(0.05, Fault::NoAnswer);
    const std::uint8_t req[] = {0x02, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
    int lost = 0;
    for (int i = 0; i < 4000; ++i)
        lost += !bus.Exchange(req, sizeof req);
    EXPECT_GT(lost, 120);
    EXPECT_LT(lost, 280);
}

}  // namespace
