#include "data/journal.h"

#include "data/archive.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace qor::data {
namespace {

constexpr std::uint8_t kMagic[4] = {'Q', 'O', 'R', 'J'};
// No entry comes near this; a larger length is a damaged one and is not allocated.
constexpr std::uint32_t kMaxPayload = 64u << 20;

std::uint32_t Le32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

template <class T>
bool ReadRecord(const std::uint8_t* p, std::size_t n, std::vector<JournalContents::Indexed<T>>& out)
{
    if (n < 4)
        return false;
    T record;
    try {
        Archive ar = Archive::Load(p + 4, n - 4);
        record.Serialize(ar);
        if (ar.Remaining() != 0)
            return false;
    } catch (const ArchiveError&) {
        return false;
    }
    out.push_back({Le32(p), std::move(record)});
    return true;
}

bool ReadEntry(JournalKind kind, const std::uint8_t* p, std::size_t n, JournalContents& out)
{
    switch (kind) {
    case JournalKind::Setup:
        out.setup.assign(p, p + n);
        return true;
    case JournalKind::Sample:
        return ReadRecord(p, n, out.samples);
    case JournalKind::Pot:
        return ReadRecord(p, n, out.pot);
    case JournalKind::Eis:
        return ReadRecord(p, n, out.eis);
    case JournalKind::Logbook:
        if (n < 4)
            return false;
        out.logbook.push_back({Le32(p), std::string(reinterpret_cast<const char*>(p) + 4, n - 4)});
        return true;
    }
    return false;
}

}  // namespace

bool SyncFolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size)
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i)
        c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

RecordingId NewRecordingId()
{
    RecordingId id{};
    if (::getentropy(id.data(), id.size()) != 0) {
        std::random_device rd;
        for (auto& b : id)
            b = static_cast<std::uint8_t>(rd());
    }
    if (!IsSet(id))
        id[0] = 1;  // zero means "no identity"
    return id;
}

namespace {

// Whether a whole entry that checks out starts at `pos`; its length when it does.
bool EntryAt(const std::uint8_t* data, std::size_t size, std::size_t pos, std::uint32_t& length)
{
    if (size - pos < 9 || data[pos] < 1 || data[pos] > 5)
        return false;
    length = Le32(data + pos + 1);
    return length <= kMaxPayload && size - pos - 9 >= length &&
           Crc32(data + pos, 5 + length) == Le32(data + pos + 5 + length);
}

}  // namespace

bool ParseJournal(const std::uint8_t* data, std::size_t size, JournalContents& out, std::string& error)
{
    out = JournalContents{};
    if (size < 8) {
        // Killed while the header was written: nothing was journalled yet.
        out.dropped = size != 0;
        return true;
    }
    if (std::memcmp(data, kMagic, 4) != 0) {
        error = "not a sample journal";
        return false;
    }
    const unsigned version = data[4] | data[5] << 8;
    if (version != 1 && version != kJournalVersion) {
        error = "sample journal of unknown version " + std::to_string(version);
        return false;
    }
    std::size_t pos = 8;
    if (version == kJournalVersion) {
        if (size < kJournalHeaderSize) {
            out.dropped = true;
            return true;
        }
        std::memcpy(out.id.data(), data + 8, out.id.size());
        pos = kJournalHeaderSize;
        if (Crc32(data, pos - 4) != Le32(data + pos - 4)) {
            out.idKnown = false;
            ++out.damaged;
        }
    }
    std::size_t end = pos;
    bool skipping = false;
    for (std::uint32_t length = 0; pos < size;) {
        if (EntryAt(data, size, pos, length) &&
            ReadEntry(static_cast<JournalKind>(data[pos]), data + pos + 5, length, out)) {
            pos += 9 + length;
            end = pos;
            skipping = false;
            continue;
        }
        // A damaged byte costs the entry it is in, not the ones behind it.
        if (!skipping)
            ++out.damaged;
        skipping = true;
        ++pos;
    }
    // Bytes behind the last entry that end before their entry would: a kill mid-write, not damage.
    if (skipping && (size - end < 9 || 9 + static_cast<std::uint64_t>(Le32(data + end + 1)) > size - end))
        --out.damaged;
    out.validBytes = end;
    out.dropped = end != size;
    return true;
}

bool ReadJournal(const std::string& path, JournalContents& out, std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        out = JournalContents{};
        return true;
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
    return ParseJournal(bytes.data(), bytes.size(), out, error);
}

Journal::~Journal()
{
    Close(false);
}

std::vector<std::uint8_t> Journal::Entry(JournalKind kind, const std::uint8_t* payload, std::size_t size)
{
    std::vector<std::uint8_t> e;
    e.reserve(size + 9);
    e.push_back(static_cast<std::uint8_t>(kind));
    PutLe32(e, static_cast<std::uint32_t>(size));
    e.insert(e.end(), payload, payload + size);
    PutLe32(e, Crc32(e.data(), e.size()));
    return e;
}

bool Journal::Open(const std::string& path, const RecordingId& id)
{
    Close(false);
    m_id = id;
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        m_error = errno;
        return false;
    }
    m_path = path;
    if (!Truncate()) {
        Close(false);
        return false;
    }
    // The new name itself must survive a power cut.
    SyncFolderOf(path);
    return true;
}

bool Journal::Truncate()
{
    std::vector<std::uint8_t> header = {
        kMagic[0], kMagic[1], kMagic[2], kMagic[3], kJournalVersion & 0xFF, kJournalVersion >> 8, 0, 0};
    header.insert(header.end(), m_id.begin(), m_id.end());
    PutLe32(header, Crc32(header.data(), header.size()));
    if (::ftruncate(m_fd, 0) != 0 ||
        ::pwrite(m_fd, header.data(), header.size(), 0) != static_cast<ssize_t>(header.size())) {
        m_error = errno;
        return false;
    }
    m_size = header.size();
    m_dirty = true;
    return true;
}

bool Journal::StillThere() const
{
    struct stat open {
    }, named{};
    return m_fd >= 0 && ::fstat(m_fd, &open) == 0 && ::stat(m_path.c_str(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

void Journal::Close(bool remove)
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (remove && !m_path.empty())
        ::unlink(m_path.c_str());
    m_path.clear();
    m_dirty = false;
}

bool Journal::Append(JournalKind kind, const std::vector<std::uint8_t>& payload)
{
    if (m_fd < 0) {
        m_error = EBADF;
        return false;
    }
    const std::vector<std::uint8_t> e = Entry(kind, payload.data(), payload.size());
    const ssize_t n = ::pwrite(m_fd, e.data(), e.size(), static_cast<off_t>(m_size));
    if (n != static_cast<ssize_t>(e.size())) {
        m_error = n < 0 ? errno : ENOSPC;
        // A part written would read as a torn entry; it goes, so later entries follow whole
        // ones. Should that fail too, the next Append retries at the same place.
        while (::ftruncate(m_fd, static_cast<off_t>(m_size)) != 0 && errno == EINTR) {
        }
        return false;
    }
    m_size += e.size();
    m_dirty = true;
    return true;
}

bool Journal::Append(JournalKind kind, std::uint32_t index, const void* data, std::size_t size)
{
    std::vector<std::uint8_t> payload;
    payload.reserve(size + 4);
    PutLe32(payload, index);
    const auto* p = static_cast<const std::uint8_t*>(data);
    payload.insert(payload.end(), p, p + size);
    return Append(kind, payload);
}

bool Journal::Sync()
{
    if (m_fd < 0 || !m_dirty)
        return true;
    if (::fdatasync(m_fd) != 0) {
        m_error = errno;
        return false;
    }
    m_dirty = false;
    return true;
}

}  // namespace qor::data
