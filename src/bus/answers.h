#pragma once

#include "bus/frame.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace qor::bus {

// Answers are given as the answer buffer and the length the exchange returned (8 header
// bytes and the data, without checksum).

// A valid measurement answer (command 0x10), decoded.
struct MeasurementAnswer {
    std::uint8_t address = 0;  // header byte 2: the address, or a running potentiostat's fast-mode number
    std::uint8_t status = 0;   // data[5]: the module's type code (potentiostats: with run and end bits)
    // data[4] bits 6..7: the conductivity display mode; only for the types that carry it.
    std::optional<std::uint8_t> displayMode;
    std::array<std::int16_t, 3> raw{};  // data[6..11]: values 1..3 as raw words
    // A potentiostat's answer in the fast mode numbers itself 1..10 in header byte 2: its
    // slot 0..9 then (only the fast mode makes it one); nullopt for an amplifier's answer.
    std::optional<std::uint8_t> slot;
};
// Nullopt for anything that is no usable measurement answer: a wrong start byte or command,
// a refused or not-ready status, or fewer than the 12 data bytes.
std::optional<MeasurementAnswer> DecodeMeasurement(const std::uint8_t* answer, int length);

// True when the answer echoes `command` and the module did not refuse it.
bool Accepted(const std::uint8_t* answer, int length, std::uint8_t command);

// The description a module gives of itself (command 0xE0).
struct Identification {
    std::uint8_t type = 0;
    // Linear amplifiers (types 9 and 10) carry their unit text.
    std::optional<std::array<char, 4>> unit;
    // Amplifiers (types below 64): five calibration values as stored.
    std::optional<std::array<std::array<std::uint8_t, 4>, 5>> calibration;
    // Potentiostats (types from 64).
    std::optional<std::uint8_t> channelByte;
};
// Nullopt when the module refused. Bytes beyond `length` read as 0, so a short answer
// never passes off bytes of an earlier one.
std::optional<Identification> DecodeIdentification(const std::uint8_t* answer, int length);

// The module's setting (command 0xE4): a byte and a value.
struct ModuleSetting {
    std::uint8_t byte = 0;
    float value = 0.0f;
};
std::optional<ModuleSetting> DecodeSetting(const std::uint8_t* answer, int length);
// The firmware revision (command 0x01).
std::optional<float> DecodeRevision(const std::uint8_t* answer, int length);

// The number of records a potentiostat holds back (commands 0x12 and 0x17): the distance
// between its write and read positions; 0 for an answer too short to tell.
int PendingPotRecords(const std::uint8_t* answer, int length);
int PendingEisRecords(const std::uint8_t* answer, int length);

// The records of a read-records answer (commands 0x11 and 0x16), whole ones only: a cut
// last record would carry bytes of an older answer.
inline constexpr std::size_t kPotRecordSize = 12;
inline constexpr std::size_t kEisRecordSize = 18;
std::vector<std::span<const std::uint8_t>> PotRecords(const std::uint8_t* answer, int length);
std::vector<std::span<const std::uint8_t>> EisRecords(const std::uint8_t* answer, int length);

// A file read in blocks (command 0x29): the request names the file and the block number.
int BuildFileBlockRequest(std::uint8_t* frame, std::uint8_t address, std::string_view name,
                          std::uint16_t block);

// One block of a file: a 4-byte block header (status first), then the content.
struct FileBlock {
    static constexpr int kMissing = 0;  // no such file
    static constexpr int kMore = 1;     // more blocks follow
    static constexpr int kLast = 2;
    int status = -1;      // -1: the answer ends before the status byte
    bool headed = false;  // the block header is complete
    std::span<const std::uint8_t> content;
};
// Nullopt when the answer is no file-block answer at all.
std::optional<FileBlock> DecodeFileBlock(const std::uint8_t* answer, int length);

}  // namespace qor::bus
