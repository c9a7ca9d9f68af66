#pragma once

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qor::data {

class CListRecord;

static_assert(std::endian::native == std::endian::little, "the archive copies little-endian fields in bulk");

// A malformed, truncated or unwritable archive. Only the archive and the records throw it;
// the document turns it into a message and keeps what was read.
class ArchiveError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What an object reference in a list resolved to.
struct ObjectRef {
    enum class Kind { Null, New, Known };
    Kind kind = Kind::Null;
    std::string className;        // New: the class of the object that follows
    std::uint32_t number = 0;     // New: the number the object takes; Known: the object referred to
    std::uint16_t schema = 0;     // New: format version of its class record
    bool newClassRecord = false;  // the class record itself was read here
};

// The sequential archive of the document files: little-endian fields, length-prefixed
// strings, counted lists of class-tagged objects with one numbering per file.
class Archive {
public:
    // Loading from a file read through a buffer, or from bytes in memory.
    static Archive Load(std::FILE* file);
    static Archive Load(const void* data, std::size_t size);
    // Storing into a file through a buffer, or appending to a byte vector.
    static Archive Store(std::FILE* file);
    static Archive Store(std::vector<std::uint8_t>& out);

    Archive(Archive&&) noexcept = default;
    Archive& operator=(Archive&&) = delete;
    ~Archive() = default;

    bool IsStoring() const { return m_storing; }
    bool IsLoading() const { return !m_storing; }

    // Format version of the file being read; a sample's class record sets it. Files
    // written by this program are version 3, and so is a file without samples.
    int FileVersion() const { return m_fileVersion; }
    void SetFileVersion(int v) { m_fileVersion = v; }

    // Bytes not yet read (loading).
    std::uint64_t Remaining() const { return m_end - m_pos + m_sourceLeft; }
    // Bytes written or read so far.
    std::uint64_t Position() const { return m_consumed + m_pos; }

    // Raw bytes.
    void Write(const void* p, std::size_t n);
    void Read(void* p, std::size_t n);
    // Loading: a pointer to n contiguous bytes (n <= 4096), consumed.
    const std::uint8_t* Take(std::size_t n);
    // Storing: room for n contiguous bytes (n <= 4096), counted as written.
    std::uint8_t* Put(std::size_t n);

    template <class T> void WriteValue(T v) { std::memcpy(Put(sizeof(T)), &v, sizeof(T)); }
    template <class T> T ReadValue()
    {
        T v;
        std::memcpy(&v, Take(sizeof(T)), sizeof(T));
        return v;
    }
    // Stores or loads one plain field depending on the direction.
    template <class T> void Io(T& v)
    {
        if (m_storing)
            WriteValue<T>(v);
        else
            v = ReadValue<T>();
    }

    void WriteTime(std::int64_t t);
    std::int64_t ReadTime();
    void IoTime(std::int64_t& t);

    // Strings are UTF-8 in memory. They go out in Windows-1252, or in the 2-byte form
    // when a character has no Windows-1252 byte.
    void WriteString(std::string_view utf8);
    std::string ReadString();
    void IoString(std::string& s);

    void WriteCount(std::uint32_t n);
    std::uint32_t ReadCount();

    // Object references. Writing: the tag (and on first use the class record) of a new
    // object of the class. Reading: the next reference; objects take their number here.
    void WriteObjectTag(std::string_view className);
    void WriteNull();
    ObjectRef ReadObjectRef();
    // Where a loaded object went, so that later references to it can be resolved; `bytes`
    // is what a copy of it takes in memory.
    void NoteObject(std::uint32_t number, int list, std::uint32_t index, std::uint64_t bytes = 0);
    struct Placed {
        int list;
        std::uint32_t index;
        std::uint64_t bytes;
    };
    // The list and index of an object read earlier (throws when the number is unknown).
    Placed PlacedObject(std::uint32_t number) const;
    // A reference copies the object it refers to, so a small file could ask for gigabytes.
    // The copies of one file may take at most CopyAllowance(file size) bytes; beyond that
    // the file is refused.
    static constexpr std::uint64_t CopyAllowance(std::uint64_t fileBytes)
    {
        return 16 * fileBytes + (1 << 20);
    }
    void ChargeCopy(std::uint64_t bytes);
    // Copies of the objects of a list read earlier, for references from a list that takes
    // any class. The function must stay valid while the archive reads.
    using Copier = std::function<std::unique_ptr<CListRecord>(std::uint32_t index)>;
    void SetCopier(int list, Copier copier);
    // A copy of an object read earlier into any list with a copier (throws otherwise).
    std::unique_ptr<CListRecord> CopyOf(const Placed& at);
    // A name from the file fit for a message: bytes outside printable ASCII as \xNN.
    static std::string Printable(std::string_view name);

    // Storing: writes out what is buffered. Throws on a write error.
    void Flush();

    [[noreturn]] void Fail(const std::string& what) const;

private:
    Archive() = default;
    void Refill(std::size_t need);
    void Drain();

    bool m_storing = false;
    int m_fileVersion = 3;
    std::FILE* m_file = nullptr;
    std::vector<std::uint8_t>* m_out = nullptr;
    std::vector<std::uint8_t> m_buffer;
    const std::uint8_t* m_base = nullptr;  // loading: start of the bytes at hand
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
    std::uint64_t m_sourceLeft = 0;  // loading from a file: bytes not yet in the buffer
    std::uint64_t m_consumed = 0;    // bytes before m_base

    // One numbering per file: class records and objects share it, 0 is the null object.
    struct Entry {
        std::int32_t classIndex;  // into m_classes
        std::int16_t list;        // -1 for a class record or an object not noted
        bool isClass;
        std::uint32_t index;
        std::uint64_t bytes = 0;
    };
    std::vector<Entry> m_entries{Entry{-1, -1, false, 0}};
    std::uint64_t m_loadSize = 0;  // loading: the bytes of the whole source
    std::uint64_t m_copied = 0;    // loading: what the copies of referenced objects took
    std::vector<Copier> m_copiers;
    std::vector<std::string> m_classes;
    std::vector<std::uint32_t> m_classNumber;  // number of each class in m_classes
    std::vector<std::uint16_t> m_classSchema;
    std::uint32_t m_stored = 1;  // storing: the next number
};

}  // namespace qor::data
