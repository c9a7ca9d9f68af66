#pragma once

#include "data/daten_object.h"
#include "data/eis_daten_object.h"
#include "data/pot_qor_daten_object.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qor::data {

// The sample journal: an append-only file beside a document that holds what was recorded
// since the document file was last written, so that a crash loses at most the last second.
//
// Layout (little-endian): the header "QORJ", u16 version (2), u16 0, the 16-byte identity of
// the recording and u32 CRC-32 (IEEE) of these 24 bytes; then entries of u8 kind, u32 payload
// length, the payload, and u32 CRC-32 of kind, length and payload. Version 1 had the first
// 8 bytes of the header alone. A damaged entry is skipped: reading goes on at the next
// entry that checks out.
//
// Payloads. Setup: the graph setup and the virtual channels as the document file holds them.
// Sample, potentiostat sample, impedance point: u32 index in the document's list, then the
// record's fields as the document file holds them. Logbook: u32 byte offset in the logbook
// text, then the text appended there.
enum class JournalKind : std::uint8_t { Setup = 1, Sample = 2, Logbook = 3, Pot = 4, Eis = 5 };

inline constexpr std::uint16_t kJournalVersion = 2;
inline constexpr std::size_t kJournalHeaderSize = 28;

// Names one recording in its document file and in its journal, so that a journal is never
// applied to another recording's file. All zero: a file of an older version, without one.
using RecordingId = std::array<std::uint8_t, 16>;
RecordingId NewRecordingId();
inline bool IsSet(const RecordingId& id)
{
    return id != RecordingId{};
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size);
// Flushes the folder holding `path`, so that a file created or renamed there stays after a
// power cut.
bool SyncFolderOf(const std::string& path);

// What a journal holds, in the order written.
struct JournalContents {
    template <class T> struct Indexed {
        std::uint32_t index;
        T record;
    };
    std::vector<std::uint8_t> setup;  // the last setup entry, empty when none
    std::vector<Indexed<CDatenObject>> samples;
    std::vector<Indexed<std::string>> logbook;
    std::vector<Indexed<CPotQORDatenObject>> pot;
    std::vector<Indexed<CEISDatenObject>> eis;
    RecordingId id{};            // zero for a version 1 journal
    bool idKnown = true;         // false when the header is damaged: the journal belongs nowhere
    std::size_t damaged = 0;     // runs of bytes skipped because they did not check out
    std::size_t validBytes = 0;  // up to the end of the last whole entry
    bool dropped = false;        // bytes after the last whole entry were dropped
};

// Reads journal bytes. False (with the reason) for bytes that are not a journal of a known
// version; a header cut short reads as an empty journal.
bool ParseJournal(const std::uint8_t* data, std::size_t size, JournalContents& out, std::string& error);
// The same for a file; a missing file is an empty journal.
bool ReadJournal(const std::string& path, JournalContents& out, std::string& error);

// The open journal file. Every entry goes to the system with one write, so a killed program
// loses nothing written; Sync puts it on the device.
class Journal {
public:
    Journal() = default;
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // Creates or empties the file and writes the header naming the recording `id`.
    bool Open(const std::string& path, const RecordingId& id);
    bool IsOpen() const { return m_fd >= 0; }
    const std::string& Path() const { return m_path; }
    const RecordingId& Id() const { return m_id; }
    // The file at Path() is still the one written (its folder may have gone, with the file).
    bool StillThere() const;
    // Back to the header alone.
    bool Truncate();
    void Close(bool remove);

    // One entry; a failed write leaves the file as it was before it.
    bool Append(JournalKind kind, const std::vector<std::uint8_t>& payload);
    // An entry with a u32 index or offset before the payload bytes.
    bool Append(JournalKind kind, std::uint32_t index, const void* data, std::size_t size);

    bool Dirty() const { return m_dirty; }
    // Puts what was written on the device (nothing when nothing is pending).
    bool Sync();
    // The system's error number of the last failure.
    int Error() const { return m_error; }

    // The bytes of one entry.
    static std::vector<std::uint8_t> Entry(JournalKind kind, const std::uint8_t* payload, std::size_t size);

private:
    int m_fd = -1;
    std::string m_path;
    RecordingId m_id{};
    std::uint64_t m_size = 0;
    bool m_dirty = false;
    int m_error = 0;
};

}  // namespace qor::data
