#include "data/archive.h"

#include "common/codec.h"
#include "common/text.h"
#include "data/record.h"

#include <algorithm>

namespace qor::data {
namespace {

constexpr std::size_t kBufferSize = 1 << 20;
constexpr std::uint32_t kTimeMarker = 0x8000000A;
constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kClassTag = 0x8000;
constexpr std::uint16_t kBigObjectTag = 0x7FFF;
constexpr std::uint32_t kBigClassTag = 0x80000000;
constexpr std::uint16_t kSchema = 3;
constexpr std::size_t kMaxClassName = 64;

}  // namespace

Archive Archive::Load(std::FILE* file)
{
    Archive ar;
    ar.m_file = file;
    ar.m_buffer.resize(kBufferSize);
    ar.m_base = ar.m_buffer.data();
    long here = std::ftell(file);
    if (here >= 0 && std::fseek(file, 0, SEEK_END) == 0) {
        long size = std::ftell(file);
        std::fseek(file, here, SEEK_SET);
        if (size > here)
            ar.m_sourceLeft = static_cast<std::uint64_t>(size - here);
    }
    ar.m_loadSize = ar.m_sourceLeft;
    return ar;
}

Archive Archive::Load(const void* data, std::size_t size)
{
    Archive ar;
    ar.m_base = static_cast<const std::uint8_t*>(data);
    ar.m_end = size;
    ar.m_loadSize = size;
    return ar;
}

Archive Archive::Store(std::FILE* file)
{
    Archive ar;
    ar.m_storing = true;
    ar.m_file = file;
    ar.m_buffer.resize(kBufferSize);
    return ar;
}

Archive Archive::Store(std::vector<std::uint8_t>& out)
{
    Archive ar;
    ar.m_storing = true;
    ar.m_out = &out;
    ar.m_buffer.resize(8192);  // small documents and tests: little to buffer
    return ar;
}

void Archive::Fail(const std::string& what) const
{
    throw ArchiveError(Format("%s (byte %llu)", what.c_str(), static_cast<unsigned long long>(Position())));
}

void Archive::Refill(std::size_t need)
{
    if (!m_file || m_storing)
        Fail("unexpected end of file");
    std::size_t have = m_end - m_pos;
    if (have + m_sourceLeft < need)
        Fail("unexpected end of file");
    std::memmove(m_buffer.data(), m_buffer.data() + m_pos, have);
    m_consumed += m_pos;
    m_pos = 0;
    m_end = have;
    std::size_t want = std::min<std::uint64_t>(m_buffer.size() - have, m_sourceLeft);
    std::size_t got = std::fread(m_buffer.data() + have, 1, want, m_file);
    m_end += got;
    m_sourceLeft -= got;
    if (got < want)
        m_sourceLeft = 0;  // the file shrank or failed under us
    if (m_end < need)
        Fail("unexpected end of file");
}

const std::uint8_t* Archive::Take(std::size_t n)
{
    if (m_end - m_pos < n)
        Refill(n);
    const std::uint8_t* p = m_base + m_pos;
    m_pos += n;
    return p;
}

void Archive::Read(void* p, std::size_t n)
{
    auto* out = static_cast<std::uint8_t*>(p);
    if (n > Remaining())
        Fail("unexpected end of file");
    while (n > 0) {
        if (m_pos == m_end)
            Refill(1);
        std::size_t k = std::min(n, m_end - m_pos);
        std::memcpy(out, m_base + m_pos, k);
        m_pos += k;
        out += k;
        n -= k;
    }
}

void Archive::Drain()
{
    if (m_pos == 0)
        return;
    if (m_out) {
        m_out->insert(m_out->end(), m_buffer.begin(), m_buffer.begin() + static_cast<long>(m_pos));
    } else if (std::fwrite(m_buffer.data(), 1, m_pos, m_file) != m_pos) {
        m_pos = 0;
        Fail("cannot write the file");
    }
    m_consumed += m_pos;
    m_pos = 0;
}

std::uint8_t* Archive::Put(std::size_t n)
{
    if (m_buffer.size() - m_pos < n)
        Drain();
    std::uint8_t* p = m_buffer.data() + m_pos;
    m_pos += n;
    return p;
}

void Archive::Write(const void* p, std::size_t n)
{
    const auto* in = static_cast<const std::uint8_t*>(p);
    while (n > 0) {
        if (m_pos == m_buffer.size())
            Drain();
        std::size_t k = std::min(n, m_buffer.size() - m_pos);
        std::memcpy(m_buffer.data() + m_pos, in, k);
        m_pos += k;
        in += k;
        n -= k;
    }
}

void Archive::Flush()
{
    Drain();
    if (m_file && std::fflush(m_file) != 0)
        Fail("cannot write the file");
}

void Archive::WriteTime(std::int64_t t)
{
    std::uint8_t* p = Put(12);
    std::memcpy(p, &kTimeMarker, 4);
    std::memcpy(p + 4, &t, 8);
}

std::int64_t Archive::ReadTime()
{
    auto first = ReadValue<std::uint32_t>();
    if (first != kTimeMarker)
        return static_cast<std::int32_t>(first);  // the short form: the seconds themselves
    return ReadValue<std::int64_t>();
}

void Archive::IoTime(std::int64_t& t)
{
    if (m_storing)
        WriteTime(t);
    else
        t = ReadTime();
}

namespace {
void WriteLength(Archive& ar, std::uint64_t n)
{
    if (n < 0xFF) {
        ar.WriteValue<std::uint8_t>(static_cast<std::uint8_t>(n));
    } else {
        ar.WriteValue<std::uint8_t>(0xFF);
        if (n < 0xFFFE) {
            ar.WriteValue<std::uint16_t>(static_cast<std::uint16_t>(n));
        } else {
            if (n > 0xFFFFFFFFu)
                ar.Fail("string too long");
            ar.WriteValue<std::uint16_t>(0xFFFF);
            ar.WriteValue<std::uint32_t>(static_cast<std::uint32_t>(n));
        }
    }
}
}  // namespace

void Archive::WriteString(std::string_view utf8)
{
    bool lossless = true;
    std::string cp = Utf8ToCp1252(utf8, &lossless);
    if (lossless) {
        WriteLength(*this, cp.size());
        Write(cp.data(), cp.size());
        return;
    }
    // Characters outside the code page: the 2-byte form keeps them.
    std::u16string wide = Utf8ToUtf16(utf8);
    WriteValue<std::uint8_t>(0xFF);
    WriteValue<std::uint16_t>(0xFFFE);
    WriteLength(*this, wide.size());
    Write(wide.data(), wide.size() * 2);
}

std::string Archive::ReadString()
{
    bool wide = false;
    std::uint64_t n = 0;
    for (;;) {
        auto b = ReadValue<std::uint8_t>();
        if (b < 0xFF) {
            n = b;
            break;
        }
        auto w = ReadValue<std::uint16_t>();
        if (w == 0xFFFE) {
            if (wide)
                Fail("bad string length");
            wide = true;
            continue;
        }
        n = w == 0xFFFF ? ReadValue<std::uint32_t>() : w;
        break;
    }
    const std::uint64_t bytes = wide ? n * 2 : n;
    if (bytes > Remaining())
        Fail("string longer than the file");
    if (wide) {
        std::u16string s(n, u'\0');
        Read(s.data(), bytes);
        return Utf16ToUtf8(s);
    }
    std::string s(n, '\0');
    Read(s.data(), n);
    return Cp1252ToUtf8(s);
}

void Archive::IoString(std::string& s)
{
    if (m_storing)
        WriteString(s);
    else
        s = ReadString();
}

void Archive::WriteCount(std::uint32_t n)
{
    if (n < 0xFFFF) {
        WriteValue<std::uint16_t>(static_cast<std::uint16_t>(n));
    } else {
        WriteValue<std::uint16_t>(0xFFFF);
        WriteValue<std::uint32_t>(n);
    }
}

std::uint32_t Archive::ReadCount()
{
    auto w = ReadValue<std::uint16_t>();
    return w == 0xFFFF ? ReadValue<std::uint32_t>() : w;
}

void Archive::WriteNull()
{
    WriteValue<std::uint16_t>(0);
}

void Archive::WriteObjectTag(std::string_view className)
{
    std::size_t i = 0;
    while (i < m_classes.size() && m_classes[i] != className)
        ++i;
    if (i == m_classes.size()) {
        if (className.size() > kMaxClassName)
            Fail("class name too long");
        WriteValue<std::uint16_t>(kNewClassTag);
        WriteValue<std::uint16_t>(kSchema);
        WriteValue<std::uint16_t>(static_cast<std::uint16_t>(className.size()));
        Write(className.data(), className.size());
        m_classes.emplace_back(className);
        m_classNumber.push_back(m_stored);
        m_classSchema.push_back(kSchema);
        m_stored += 2;  // the class, then its first object
        return;
    }
    const std::uint32_t cls = m_classNumber[i];
    if (cls < kBigObjectTag) {
        WriteValue<std::uint16_t>(static_cast<std::uint16_t>(kClassTag | cls));
    } else {
        WriteValue<std::uint16_t>(kBigObjectTag);
        WriteValue<std::uint32_t>(kBigClassTag | cls);
    }
    ++m_stored;
}

ObjectRef Archive::ReadObjectRef()
{
    ObjectRef ref;
    const auto tag = ReadValue<std::uint16_t>();
    if (tag == kNewClassTag) {
        ref.schema = ReadValue<std::uint16_t>();
        const auto len = ReadValue<std::uint16_t>();
        if (len == 0 || len > kMaxClassName)
            Fail("bad class name");
        ref.className.resize(len);
        Read(ref.className.data(), len);
        const auto ci = static_cast<std::int32_t>(m_classes.size());
        m_classes.push_back(ref.className);
        m_classNumber.push_back(static_cast<std::uint32_t>(m_entries.size()));
        m_classSchema.push_back(ref.schema);
        m_entries.push_back(Entry{ci, -1, true, 0});
        ref.kind = ObjectRef::Kind::New;
        ref.newClassRecord = true;
        ref.number = static_cast<std::uint32_t>(m_entries.size());
        m_entries.push_back(Entry{ci, -1, false, 0});
        return ref;
    }
    std::uint32_t ob = tag == kBigObjectTag
                           ? ReadValue<std::uint32_t>()
                           : (static_cast<std::uint32_t>(tag & 0x8000) << 16) | (tag & 0x7FFF);
    if (ob & kBigClassTag) {
        const std::uint32_t cls = ob & ~kBigClassTag;
        if (cls >= m_entries.size() || !m_entries[cls].isClass)
            Fail("reference to an unknown class");
        const auto ci = m_entries[cls].classIndex;
        ref.kind = ObjectRef::Kind::New;
        ref.className = m_classes[static_cast<std::size_t>(ci)];
        ref.schema = m_classSchema[static_cast<std::size_t>(ci)];
        ref.number = static_cast<std::uint32_t>(m_entries.size());
        m_entries.push_back(Entry{ci, -1, false, 0});
        return ref;
    }
    if (ob == 0)
        return ref;
    if (ob >= m_entries.size() || m_entries[ob].isClass)
        Fail("reference to an unknown object");
    ref.kind = ObjectRef::Kind::Known;
    ref.number = ob;
    ref.className = m_classes[static_cast<std::size_t>(m_entries[ob].classIndex)];
    return ref;
}

void Archive::NoteObject(std::uint32_t number, int list, std::uint32_t index, std::uint64_t bytes)
{
    if (number < m_entries.size()) {
        m_entries[number].list = static_cast<std::int16_t>(list);
        m_entries[number].index = index;
        m_entries[number].bytes = bytes;
    }
}

Archive::Placed Archive::PlacedObject(std::uint32_t number) const
{
    if (number >= m_entries.size() || m_entries[number].isClass || m_entries[number].list < 0)
        Fail("reference to an object that was not read");
    return Placed{m_entries[number].list, m_entries[number].index, m_entries[number].bytes};
}

void Archive::ChargeCopy(std::uint64_t bytes)
{
    m_copied += bytes;
    if (m_copied > CopyAllowance(m_loadSize))
        Fail(Format("references to earlier objects would take more than %llu bytes",
                    static_cast<unsigned long long>(CopyAllowance(m_loadSize))));
}

void Archive::SetCopier(int list, Copier copier)
{
    if (list < 0 || list > 64)
        return;
    if (m_copiers.size() <= static_cast<std::size_t>(list))
        m_copiers.resize(static_cast<std::size_t>(list) + 1);
    m_copiers[static_cast<std::size_t>(list)] = std::move(copier);
}

std::unique_ptr<CListRecord> Archive::CopyOf(const Placed& at)
{
    const auto list = static_cast<std::size_t>(at.list);
    std::unique_ptr<CListRecord> copy;
    if (at.list >= 0 && list < m_copiers.size() && m_copiers[list])
        copy = m_copiers[list](at.index);
    if (!copy)
        Fail("reference to an object that cannot be copied");
    ChargeCopy(at.bytes);
    return copy;
}

std::string Archive::Printable(std::string_view name)
{
    std::string out;
    for (const char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F && b != '\\')
            out += c;
        else
            out += Format("\\x%02X", b);
    }
    return out;
}

}  // namespace qor::data
