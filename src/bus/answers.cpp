#include "bus/answers.h"

#include "catalogue/catalogue.h"

#include <algorithm>
#include <cstdlib>

namespace qor::bus {

namespace {
constexpr std::size_t kPotRecordStride = 12;
// Impedance records are padded to 20 bytes.
constexpr std::size_t kEisRecordStride = 20;
constexpr std::size_t kFileBlockHeader = 4;

std::size_t DataLength(int length)
{
    return length > static_cast<int>(kHeaderSize) ? static_cast<std::size_t>(length) - kHeaderSize : 0;
}

std::vector<std::span<const std::uint8_t>> Records(const std::uint8_t* answer, int length, std::size_t size,
                                                   std::size_t stride)
{
    std::vector<std::span<const std::uint8_t>> records;
    const std::size_t d = DataLength(length);
    for (std::size_t off = 0; off + size <= d; off += stride)
        records.emplace_back(answer + kHeaderSize + off, size);
    return records;
}
}  // namespace

std::optional<MeasurementAnswer> DecodeMeasurement(const std::uint8_t* answer, int length)
{
    constexpr int kLength = static_cast<int>(kHeaderSize) + 12;
    // A short answer would leave the raw values of an earlier answer in the buffer.
    if (length < kLength || answer[0] != kStartByte || answer[1] != CMD_READ_MEASUREMENT ||
        (answer[5] & (kStatusRefused | kStatusNotReady)))
        return std::nullopt;
    const std::uint8_t* data = answer + kHeaderSize;
    MeasurementAnswer m;
    m.address = answer[2];
    m.status = data[5];
    if (catalogue::HasDisplayMode(m.status))
        m.displayMode = static_cast<std::uint8_t>(data[4] >> 6);
    for (std::size_t i = 0; i < 3; ++i)
        m.raw[i] = ReadI16(data + 6 + 2 * i);
    if (catalogue::IsPotentiostat(m.status) && m.address >= 1 && m.address <= 10)
        m.slot = static_cast<std::uint8_t>(m.address - 1);
    return m;
}

bool Accepted(const std::uint8_t* answer, int length, std::uint8_t command)
{
    return length >= static_cast<int>(kHeaderSize) && answer[0] == kStartByte && answer[1] == command &&
           !(answer[5] & kStatusRefused);
}

std::optional<Identification> DecodeIdentification(const std::uint8_t* answer, int length)
{
    std::array<std::uint8_t, kBufferSize> a{};
    std::copy(answer, answer + std::clamp<int>(length, 0, static_cast<int>(kBufferSize)), a.begin());
    if (a[5] & kStatusRefused)
        return std::nullopt;
    const std::uint8_t* data = a.data() + kHeaderSize;
    Identification id;
    id.type = data[10];
    if (catalogue::IsPotentiostat(id.type)) {
        id.channelByte = data[64];
        return id;
    }
    if (id.type == 9 || id.type == 10) {
        std::array<char, 4> unit{};
        std::copy(data + 48, data + 52, unit.begin());
        id.unit = unit;
    }
    const int offsets[5] = {16, 20, 24, 52, 44};
    std::array<std::array<std::uint8_t, 4>, 5> calibration{};
    for (std::size_t i = 0; i < 5; ++i)
        std::copy(data + offsets[i], data + offsets[i] + 4, calibration[i].begin());
    id.calibration = calibration;
    return id;
}

std::optional<ModuleSetting> DecodeSetting(const std::uint8_t* answer, int length)
{
    if (length < static_cast<int>(kHeaderSize) + 5 || (answer[5] & kStatusRefused))
        return std::nullopt;
    return ModuleSetting{answer[kHeaderSize], ReadF32(answer + kHeaderSize + 1)};
}

std::optional<float> DecodeRevision(const std::uint8_t* answer, int length)
{
    if (length < static_cast<int>(kHeaderSize) + 12 || (answer[5] & kStatusRefused))
        return std::nullopt;
    return ReadF32(answer + kHeaderSize + 8);
}

int PendingPotRecords(const std::uint8_t* answer, int length)
{
    if (length < static_cast<int>(kHeaderSize) + 4)
        return 0;
    return std::abs(static_cast<int>(ReadU16(answer + 8)) - static_cast<int>(ReadU16(answer + 10)));
}

int PendingEisRecords(const std::uint8_t* answer, int length)
{
    if (length < static_cast<int>(kHeaderSize) + 3)
        return 0;
    return std::abs(static_cast<std::int8_t>(answer[8]) - static_cast<std::int8_t>(answer[10]));
}

std::vector<std::span<const std::uint8_t>> PotRecords(const std::uint8_t* answer, int length)
{
    return Records(answer, length, kPotRecordSize, kPotRecordStride);
}

std::vector<std::span<const std::uint8_t>> EisRecords(const std::uint8_t* answer, int length)
{
    return Records(answer, length, kEisRecordSize, kEisRecordStride);
}

int BuildFileBlockRequest(std::uint8_t* frame, std::uint8_t address, std::string_view name,
                          std::uint16_t block)
{
    std::vector<std::uint8_t> payload(kFileBlockHeader + name.size());
    WriteU16(payload.data(), static_cast<std::uint16_t>(name.size()));
    WriteU16(payload.data() + 2, block);
    std::copy(name.begin(), name.end(), payload.begin() + kFileBlockHeader);
    return BuildRequest(frame, CMD_READ_FILE_BLOCK, address, payload);
}

std::optional<FileBlock> DecodeFileBlock(const std::uint8_t* answer, int length)
{
    if (length < static_cast<int>(kHeaderSize) || answer[0] != kStartByte || answer[1] != CMD_READ_FILE_BLOCK)
        return std::nullopt;
    FileBlock b;
    const std::size_t d = DataLength(length);
    if (d >= 1)
        b.status = answer[kHeaderSize];
    if (d >= kFileBlockHeader) {
        b.headed = true;
        b.content = {answer + kHeaderSize + kFileBlockHeader, d - kFileBlockHeader};
    }
    return b;
}

}  // namespace qor::bus
