#include "bus/bus_link.h"
#include "bus/frame.h"
#include "common/clock.h"
#include "fake_link_host.h"

#include <gtest/gtest.h>
#include <vector>

using namespace qor;
using namespace qor::bus;

namespace {

struct CrcCase {
    std::vector<std::uint8_t> bytes;
    std::uint16_t crc;
};

// Published CRC-16/MODBUS values: the catalogue check value of "123456789" and the two
// request frames of the Modbus RTU documents, plus our own frames worked out by hand.
TEST(Crc16, PublishedCheckValues)
{
    const std::vector<CrcCase> cases = {
        {{}, 0xFFFF},
        {{'1', '2', '3', '4', '5', '6', '7', '8', '9'}, 0x4B37},
        {{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A}, 0xCDC5},  // sent as C5 CD
        {{0x11, 0x03, 0x00, 0x6B, 0x00, 0x03}, 0x8776},  // sent as 76 87
        {{0x02, 0x10, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00}, 0xC2D1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Crc16(c.bytes.data(), c.bytes.size()), c.crc) << c.bytes.size() << " bytes";
}

TEST(ChecksumFrame, AppendsLowByteFirstAndDetectsEveryChangedByte)
{
    SimClock clock;
    test::FakeLinkHost host;
    BusLink link(clock, host);
    std::uint8_t frame[10] = {0x02, 0x10, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(link.ChecksumFrame(frame, 8, false), 1);
    EXPECT_EQ(frame[8], 0xD1);
    EXPECT_EQ(frame[9], 0xC2);
    EXPECT_EQ(link.ChecksumFrame(frame, 8, true), 1);
    EXPECT_TRUE(host.messages.empty());

    for (int i = 0; i < 8; ++i) {
        std::uint8_t copy[10];
        std::copy(frame, frame + 10, copy);
        copy[i] ^= 0x01;
        EXPECT_EQ(link.ChecksumFrame(copy, 8, true), 0) << "byte " << i;
    }
    ASSERT_EQ(host.messages.size(), 8u);
    EXPECT_EQ(host.messages.front(), "Error CS protocol");
}

TEST(BuildRequest, LayoutAndHiddenPayloadByte)
{
    std::uint8_t f[16] = {};
    const std::uint8_t payload[] = {0x00, 0x80};
    EXPECT_EQ(BuildRequest(f, CMD_IDENTIFY, 7, payload), 10);
    const std::uint8_t expect[] = {0x02, 0xE0, 0x07, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80};
    EXPECT_TRUE(std::equal(expect, expect + 10, f));

    // Reading records sends one payload byte with the length field left 0.
    const std::uint8_t hundred[] = {100};
    EXPECT_EQ(BuildRequest(f, CMD_READ_POT_RECORDS, 3, hundred, 0), 9);
    EXPECT_EQ(f[3], 0);
    EXPECT_EQ(f[8], 100);
    EXPECT_EQ(HiddenPayloadBytes(CMD_READ_POT_RECORDS, 0), 1);
    EXPECT_EQ(HiddenPayloadBytes(CMD_READ_EIS_RECORDS, 0), 1);
    EXPECT_EQ(HiddenPayloadBytes(CMD_READ_MEASUREMENT, 0), 0);
}

}  // namespace
