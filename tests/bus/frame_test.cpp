#include "bus/answers.h"
#include "bus/frame.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace qor;
using namespace qor::bus;

namespace {

using Bytes = std::vector<std::uint8_t>;
using Word = std::array<std::uint8_t, 4>;

int Len(const Bytes& b)
{
    return static_cast<int>(b.size());
}

// Guards a wrong polynomial, start value or bit order: published CRC-16/MODBUS values and one by hand.
TEST(Crc16, PublishedCheckValues)
{
    const std::vector<std::pair<Bytes, std::uint16_t>> cases = {
        {{}, 0xFFFF},
        {{'1', '2', '3', '4', '5', '6', '7', '8', '9'}, 0x4B37},
        {{0x01, 0x03, 0x00, 0x00, 0x00, 0x0A}, 0xCDC5},
    };
    for (const auto& [bytes, crc] : cases)
        EXPECT_EQ(Crc16(bytes.data(), bytes.size()), crc) << bytes.size() << " bytes";
}

// Guards the request layout, the hidden payload byte of record reads, and the file-block request.
TEST(Requests, LayoutHiddenPayloadByteAndFileBlocks)
{
    const std::uint8_t identify[] = {0x00, 0x80};
    const std::uint8_t hundred[] = {100};
    std::uint8_t f[4][32] = {};
    const int n[] = {BuildRequest(f[0], CMD_IDENTIFY, 7, identify),
                     BuildRequest(f[1], CMD_READ_POT_RECORDS, 3, hundred, 0),
                     BuildFileBlockRequest(f[2], 6, "dl.ini", 1),
                     BuildFileBlockRequest(f[3], 0, "logbook.txt", 0x0102)};
    const Bytes expect[] = {
        {0x02, 0xE0, 0x07, 0x02, 0, 0, 0, 0, 0x00, 0x80},
        {0x02, 0x11, 0x03, 0x00, 0, 0, 0, 0, 100},
        {0x02, 0x29, 0x06, 0x0A, 0, 0, 0, 0, 0x06, 0x00, 0x01, 0x00, 'd', 'l', '.', 'i', 'n', 'i'},
        {0x02, 0x29, 0x00, 0x0F, 0,   0,   0,   0,   0x0B, 0x00, 0x02, 0x01,
         'l',  'o',  'g',  'b',  'o', 'o', 'k', '.', 't',  'x',  't'},
    };
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Bytes(f[i], f[i] + n[i]), expect[i]) << i;
}

// Identification of a linear amplifier at address 2: type 9 in data[10], calibration words
// at data[16], [20], [24], [52] and [44], the unit text at data[48].
const Bytes kLinearId = {
    0x02, 0xE0, 0x02, 0x38, 0,    0,    0,    0,  // header, 56 data bytes
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0x09, 0,    0, 0, 0, 0,  // data[0..15]
    0x11, 0x12, 0x13, 0x14, 0x21, 0x22, 0x23, 0x24, 0x31, 0x32, 0x33, 0x34,              // data[16..27]
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0, 0, 0, 0,  // data[28..43]
    0x51, 0x52, 0x53, 0x54, 'p',  'p',  'm',  ' ',  0x41, 0x42, 0x43, 0x44};             // data[44..55]

// Guards calibration, unit and channel byte read at wrong offsets or for other types, refused
// answers decoded, and a short answer passing off stale bytes.
TEST(Identification, CalibrationUnitAndChannelByteAtTheirOffsets)
{
    const std::array<Word, 5> calibration = {Word{0x11, 0x12, 0x13, 0x14}, Word{0x21, 0x22, 0x23, 0x24},
                                             Word{0x31, 0x32, 0x33, 0x34}, Word{0x41, 0x42, 0x43, 0x44},
                                             Word{0x51, 0x52, 0x53, 0x54}};
    const auto linear = DecodeIdentification(kLinearId.data(), Len(kLinearId));
    ASSERT_TRUE(linear);
    EXPECT_EQ(linear->type, 9);
    EXPECT_EQ(linear->unit, (std::array<char, 4>{'p', 'p', 'm', ' '}));
    EXPECT_EQ(linear->calibration, calibration);
    EXPECT_FALSE(linear->channelByte);

    Bytes ph = kLinearId;
    ph[18] = 0x01;
    const auto amp = DecodeIdentification(ph.data(), Len(ph));
    ASSERT_TRUE(amp);
    EXPECT_FALSE(amp->unit);
    EXPECT_EQ(amp->calibration, calibration);

    ph[5] = 0x01;  // refused
    EXPECT_FALSE(DecodeIdentification(ph.data(), Len(ph)));

    // A potentiostat carries its channel byte instead, and a short answer reads it as 0.
    Bytes pot(8 + 65, 0x00);
    const Bytes head = {0x02, 0xE0, 0x04, 0x41, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x53};
    std::copy(head.begin(), head.end(), pot.begin());
    pot[8 + 64] = 0x07;
    const auto id = DecodeIdentification(pot.data(), Len(pot));
    ASSERT_TRUE(id);
    EXPECT_EQ(id->type, 0x53);
    EXPECT_EQ(id->channelByte, 7);
    EXPECT_FALSE(id->calibration);
    pot[8 + 64] = 0xEE;  // behind the answer's end: stale
    EXPECT_EQ(DecodeIdentification(pot.data(), Len(head))->channelByte, 0);
}

// Guards setting and revision read from the wrong bytes or from short or refused answers.
TEST(Answers, SettingRevisionAndAcceptance)
{
    const Bytes setting = {0x02, 0xE4, 0x03, 0x05, 0x00, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0xC8, 0x41};
    const auto s = DecodeSetting(setting.data(), Len(setting));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->byte, 7);
    EXPECT_EQ(s->value, 25.0f);
    EXPECT_FALSE(DecodeSetting(setting.data(), Len(setting) - 1));

    Bytes revision = {0x02, 0x01, 0x03, 0x0C, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x40};
    EXPECT_EQ(DecodeRevision(revision.data(), Len(revision)), 2.0f);
    EXPECT_FALSE(DecodeRevision(revision.data(), Len(revision) - 1));
    EXPECT_TRUE(Accepted(revision.data(), Len(revision), CMD_READ_REVISION));
    EXPECT_FALSE(Accepted(revision.data(), Len(revision), CMD_IDENTIFY));
    revision[5] = 0x01;
    EXPECT_FALSE(DecodeRevision(revision.data(), Len(revision)));
    EXPECT_FALSE(Accepted(revision.data(), Len(revision), CMD_READ_REVISION));
}

// Guards pending counts that ignore the wrap of the 16-bit sample or signed-byte impedance positions.
TEST(Answers, PendingRecordCounts)
{
    struct Case {
        Bytes answer;
        int pot, eis;
    };
    const Case cases[] = {
        {{0x02, 0x12, 0x03, 0x04, 0, 0, 0, 0, 0x05, 0x00, 0x02, 0x00}, 3, 3},
        {{0x02, 0x12, 0x03, 0x04, 0, 0, 0, 0, 0x02, 0x01, 0x05, 0x00}, 253, 3},
        {{0x02, 0x17, 0x03, 0x03, 0, 0, 0, 0, 0x01, 0x00, 0xFE}, 0, 3},
        {{0x02, 0x17, 0x03, 0x03, 0, 0, 0, 0, 0x7F, 0x00, 0x80}, 0, 255},
        {{0x02, 0x17, 0x03, 0x02, 0, 0, 0, 0, 0x05, 0x00}, 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PendingPotRecords(c.answer.data(), Len(c.answer)), c.pot) << Len(c.answer);
        EXPECT_EQ(PendingEisRecords(c.answer.data(), Len(c.answer)), c.eis) << Len(c.answer);
    }
}

// Guards a cut last record being handed on, and impedance points read on the wrong stride.
TEST(Answers, RecordBlocksYieldWholeRecordsOnly)
{
    // 30 data bytes: two 12-byte samples and a cut third.
    Bytes samples = {0x02, 0x11, 0x03, 0x1E, 0x00, 0x00, 0x00, 0x00};
    for (int i = 0; i < 30; ++i)
        samples.push_back(static_cast<std::uint8_t>(i));
    auto pot = PotRecords(samples.data(), Len(samples));
    ASSERT_EQ(pot.size(), 2u);
    EXPECT_EQ(Bytes(pot[1].begin(), pot[1].end()), (Bytes{12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23}));
    // Impedance points: 18 bytes each on a stride of 20; 37 bytes hold one whole point.
    EXPECT_EQ(EisRecords(samples.data(), 8 + 37).size(), 1u);
    samples.resize(8 + 38, 0xAA);
    auto eis = EisRecords(samples.data(), 8 + 38);
    ASSERT_EQ(eis.size(), 2u);
    EXPECT_EQ(Bytes(eis[1].begin(), eis[1].end()), (Bytes{20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 0xAA, 0xAA,
                                                          0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA}));
    EXPECT_TRUE(PotRecords(samples.data(), 8).empty());
}

// Guards file blocks whose status, header or content is misread, and other answers taken for blocks.
TEST(Answers, FileBlocks)
{
    struct Case {
        const char* name;
        Bytes answer;
        int status;  // -2: no file-block answer at all
        bool headed;
        std::string content;
    };
    const Case cases[] = {
        {"last block", {0x02, 0x29, 0x06, 0x07, 0, 0, 0, 0, 0x02, 0, 0, 0, 'a', 'b', 'c'}, 2, true, "abc"},
        {"empty block", {0x02, 0x29, 0x06, 0x04, 0, 0, 0, 0, 0x01, 0, 0, 0}, 1, true, ""},
        {"status only", {0x02, 0x29, 0x06, 0x01, 0, 0, 0, 0, 0x00}, 0, false, ""},
        {"header only", {0x02, 0x29, 0x06, 0x00, 0, 0, 0, 0}, -1, false, ""},
        {"other command", {0x02, 0x28, 0x06, 0x01, 0, 0, 0, 0, 0x02}, -2, false, ""},
        {"no start byte", {0x03, 0x29, 0x06, 0x01, 0, 0, 0, 0, 0x02}, -2, false, ""},
        {"cut header", {0x02, 0x29, 0x06, 0x00, 0, 0, 0}, -2, false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto b = DecodeFileBlock(c.answer.data(), Len(c.answer));
        ASSERT_EQ(b.has_value(), c.status != -2);
        if (!b)
            continue;
        EXPECT_EQ(b->status, c.status);
        EXPECT_EQ(b->headed, c.headed);
        EXPECT_EQ(std::string(b->content.begin(), b->content.end()), c.content);
    }
}

}  // namespace
