#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace qor::bus {

// Request and answer buffers both hold 1400 bytes.
inline constexpr std::size_t kBufferSize = 1400;
inline constexpr std::size_t kHeaderSize = 8;
inline constexpr std::uint8_t kStartByte = 0x02;

// Status bits of an answer (byte 5).
inline constexpr std::uint8_t kStatusRefused = 0x01;
inline constexpr std::uint8_t kStatusNotReady = 0x40;

// Command codes used by the station.
enum Command : std::uint8_t {
    CMD_LINK_TEST = 0x00,
    CMD_READ_REVISION = 0x01,
    CMD_READ_MEASUREMENT = 0x10,
    CMD_READ_POT_RECORDS = 0x11,
    CMD_COUNT_POT_RECORDS = 0x12,
    CMD_START_PROGRAM = 0x14,
    CMD_STOP_PROGRAM = 0x15,
    CMD_READ_EIS_RECORDS = 0x16,
    CMD_COUNT_EIS_RECORDS = 0x17,
    CMD_OPERATING_STATE = 0x19,
    CMD_READ_FILE_BLOCK = 0x29,
    CMD_WRITE_STEP = 0xD1,
    CMD_WRITE_SETTINGS = 0xD2,
    CMD_IDENTIFY = 0xE0,
    CMD_READ_STEP = 0xE1,
    CMD_READ_POT_SETTINGS = 0xE2,
    CMD_READ_SETTINGS = 0xE4,
};

// CRC-16 with initial value 0xFFFF and the reflected polynomial 0xA001 (Modbus RTU).
std::uint16_t Crc16(const std::uint8_t* data, std::size_t length);

// Writes 02 cmd addr len(LE) 00 00 00 followed by the payload; returns the frame length
// without checksum. The length field is given separately because some commands send a
// payload byte while leaving it 0.
int BuildRequest(std::uint8_t* frame, std::uint8_t command, std::uint8_t address,
                 std::span<const std::uint8_t> payload, std::uint16_t lengthField);
inline int BuildRequest(std::uint8_t* frame, std::uint8_t command, std::uint8_t address,
                        std::span<const std::uint8_t> payload = {})
{
    return BuildRequest(frame, command, address, payload, static_cast<std::uint16_t>(payload.size()));
}

inline std::uint16_t ReadU16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::int16_t ReadI16(const std::uint8_t* p)
{
    return static_cast<std::int16_t>(ReadU16(p));
}
inline std::uint32_t ReadU32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
float ReadF32(const std::uint8_t* p);
inline void WriteU16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void WriteU32(std::uint8_t* p, std::uint32_t v);
void WriteF32(std::uint8_t* p, float v);

// Extra request bytes a command carries beyond its length field.
int HiddenPayloadBytes(std::uint8_t command, std::uint16_t lengthField);

}  // namespace qor::bus
