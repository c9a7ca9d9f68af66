#include "bus/frame.h"

#include <cstring>

namespace qor::bus {

std::uint16_t Crc16(const std::uint8_t* data, std::size_t length)
{
    std::uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<std::uint16_t>(crc >> 1);
    }
    return crc;
}

int BuildRequest(std::uint8_t* frame, std::uint8_t command, std::uint8_t address,
                 std::span<const std::uint8_t> payload, std::uint16_t lengthField)
{
    frame[0] = kStartByte;
    frame[1] = command;
    frame[2] = address;
    WriteU16(frame + 3, lengthField);
    frame[5] = frame[6] = frame[7] = 0;
    std::size_t n =
        payload.size() <= kBufferSize - kHeaderSize - 2 ? payload.size() : kBufferSize - kHeaderSize - 2;
    if (n)
        std::memcpy(frame + kHeaderSize, payload.data(), n);
    return static_cast<int>(kHeaderSize + n);
}

float ReadF32(const std::uint8_t* p)
{
    std::uint32_t u = ReadU32(p);
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}

void WriteU32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void WriteF32(std::uint8_t* p, float v)
{
    std::uint32_t u;
    std::memcpy(&u, &v, sizeof u);
    WriteU32(p, u);
}

int HiddenPayloadBytes(std::uint8_t command, std::uint16_t lengthField)
{
    if ((command == CMD_READ_POT_RECORDS || command == CMD_READ_EIS_RECORDS) && lengthField == 0)
        return 1;
    return 0;
}

}  // namespace qor::bus
