#include "data/document_file.h"

#include "common/text.h"
#include "data/archive.h"
#include "data/journal.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace qor::data {
namespace {

constexpr const char* kTempSuffix = ".qo3tmp";
constexpr TextPair kNoSpace = {"kein Platz mehr auf dem Datenträger", "no space left on the device"};

std::string SystemError()
{
    return std::strerror(errno);
}

// Writes the document through `f`, flushed to the device.
IoResult WriteThrough(std::FILE* f, const std::function<void(Archive&)>& write)
{
    IoResult r;
    errno = 0;
    try {
        Archive ar = Archive::Store(f);
        write(ar);
        ar.Flush();
        if (::fsync(::fileno(f)) != 0)
            r = {false, SystemError(), errno};
    } catch (const ArchiveError& e) {
        r = {false, e.what(), errno};
    } catch (const std::bad_alloc&) {
        r = {false, "out of memory", ENOMEM};
    }
    return r;
}

// A folder that refuses new names, with a file that may be written: in place, flushed.
IoResult WriteInPlace(const std::string& path, const std::function<void(Archive&)>& write,
                      const std::string& inPlaceCopy)
{
    // A save cut short would leave the file half old, half new: a whole copy goes to the
    // configuration folder first, and a save found interrupted is finished from it.
    if (!inPlaceCopy.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(FolderOf(inPlaceCopy), ec);
        if (IoResult c = WriteDocumentFile(inPlaceCopy, write, {}); !c.ok)
            return c;
    }
    const int in = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    std::FILE* f = in >= 0 ? ::fdopen(in, "wb") : nullptr;
    if (!f) {
        IoResult r{false, SystemError(), errno};
        if (in >= 0)
            ::close(in);
        if (!inPlaceCopy.empty())
            ::unlink(inPlaceCopy.c_str());  // the file was not touched
        return r;
    }
    IoResult r = WriteThrough(f, write);
    if (r.ok && (::ftruncate(in, ::ftello(f)) != 0 || ::fsync(in) != 0))
        r = {false, SystemError(), errno};
    std::fclose(f);
    if (r.ok && !inPlaceCopy.empty())
        ::unlink(inPlaceCopy.c_str());
    r.inPlace = true;
    return r;
}

// The whole contents of a file; nothing when it cannot be read whole.
std::optional<std::vector<std::uint8_t>> ReadWhole(const std::string& path)
{
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in)
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    std::uint8_t buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, in)) > 0;)
        bytes.insert(bytes.end(), buf, buf + n);
    const bool whole = !std::ferror(in);
    std::fclose(in);
    if (!whole)
        return std::nullopt;
    return bytes;
}

}  // namespace

std::string FileErrorText(int code, const std::string& fallback, int language)
{
    if (code == ENOSPC || code == EDQUOT)
        return kNoSpace[language == 1 ? 1 : 0];
    return code != 0 ? std::string(std::strerror(code)) : fallback;
}

std::string LowerExtension(const std::string& path)
{
    auto slash = path.find_last_of('/');
    auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::optional<Layout> LayoutOf(const std::string& path)
{
    const std::string ext = LowerExtension(path);
    if (ext == "qo3")
        return Layout::Qo3;
    if (ext == "qrv")
        return Layout::Qrv;
    if (ext == "xrv")
        return Layout::Xrv;
    return std::nullopt;
}

IoResult ReadDocumentFile(const std::string& path, const std::function<void(Archive&)>& read, int& version)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return {false, SystemError()};
    IoResult r;
    struct stat st {};
    if (::fstat(::fileno(f), &st) == 0 && st.st_size == 0) {
        std::fclose(f);  // an empty file is an empty document
        return r;
    }
    try {
        Archive ar = Archive::Load(f);
        try {
            read(ar);
        } catch (...) {
            version = ar.FileVersion();
            throw;
        }
        version = ar.FileVersion();
    } catch (const ArchiveError& e) {
        r = {false, e.what()};
    } catch (const std::bad_alloc&) {
        r = {false, "out of memory"};
    }
    std::fclose(f);
    return r;
}

std::string ResolveLink(const std::string& path)
{
    // A link stays a link: the file it points to is the one replaced.
    std::error_code ec;
    if (std::filesystem::is_symlink(path, ec)) {
        auto target = std::filesystem::weakly_canonical(path, ec);
        if (!ec)
            return target.string();
    }
    return path;
}

IoResult WriteDocumentFile(const std::string& bound, const std::function<void(Archive&)>& write,
                           const std::string& inPlaceCopy)
{
    const std::string path = ResolveLink(bound);
    RemoveSaveLeftovers(path);
    std::string tmp = path + ".XXXXXX" + kTempSuffix;
    int fd = ::mkstemps(tmp.data(), static_cast<int>(std::strlen(kTempSuffix)));
    const int why = errno;
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (fd < 0) {
        // Not on a full disk, where the file would be left half overwritten.
        const bool refused = why == EACCES || why == EPERM || why == EROFS;
        if (!exists || !refused || ::access(path.c_str(), W_OK) != 0)
            return {false, std::strerror(why), why};
        return WriteInPlace(path, write, inPlaceCopy);
    }
    // The new file gets the old one's permissions, or the usual ones for a new file.
    if (exists) {
        ::fchmod(fd, st.st_mode & 07777);
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    std::FILE* f = ::fdopen(fd, "wb");
    if (!f) {
        IoResult r{false, SystemError(), errno};
        ::close(fd);
        ::unlink(tmp.c_str());
        return r;
    }
    IoResult r = WriteThrough(f, write);
    if (std::fclose(f) != 0 && r.ok)
        r = {false, SystemError(), errno};
    // The data reached the disk before the rename, so a crash leaves either the old file
    // or the whole new one; the folder is flushed so that the rename survives a power cut.
    if (r.ok && std::rename(tmp.c_str(), path.c_str()) != 0)
        r = {false, SystemError(), errno};
    if (!r.ok) {
        ::unlink(tmp.c_str());
    } else {
        SyncFolderOf(path);
        // A whole new file: a copy of an earlier interrupted save in place is older than it.
        if (!inPlaceCopy.empty())
            ::unlink(inPlaceCopy.c_str());
    }
    return r;
}

bool FinishInterruptedSave(const std::string& path, const std::string& copy,
                           const std::function<bool(const std::string&)>& readsAsDocument)
{
    std::error_code ec;
    if (copy.empty() || !std::filesystem::exists(copy, ec))
        return false;
    // A file that still reads as a document was not cut: the copy is left from a save that
    // never touched the file, or one that a later save replaced, and must not go back over it.
    if (readsAsDocument(path)) {
        ::unlink(copy.c_str());
        return false;
    }
    // The copy was whole before the file was touched; the file itself may be cut anywhere.
    // A copy that cannot be read whole, or is no document, is never written over the file.
    const auto bytes = ReadWhole(copy);
    if (!bytes || bytes->empty() || !readsAsDocument(copy))
        return false;
    const int out = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (out < 0)
        return false;
    bool ok = true;
    for (std::size_t at = 0; ok && at < bytes->size();) {
        const ssize_t n = ::pwrite(out, bytes->data() + at, bytes->size() - at, static_cast<off_t>(at));
        ok = n > 0;
        at += ok ? static_cast<std::size_t>(n) : 0;
    }
    ok = ok && ::ftruncate(out, static_cast<off_t>(bytes->size())) == 0 && ::fsync(out) == 0;
    ::close(out);
    if (ok)
        ::unlink(copy.c_str());
    return ok;
}

void RemoveSaveLeftovers(const std::string& path)
{
    namespace fs = std::filesystem;
    const std::string name = fs::path(path).filename().string() + ".";
    const std::size_t length = name.size() + 6 + std::strlen(kTempSuffix);
    std::error_code ec;
    for (fs::directory_iterator it(FolderOf(path), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string n = it->path().filename().string();
        if (n.size() == length && n.compare(0, name.size(), name) == 0 &&
            n.compare(n.size() - std::strlen(kTempSuffix), std::string::npos, kTempSuffix) == 0)
            fs::remove(it->path(), ec);
    }
}

}  // namespace qor::data
