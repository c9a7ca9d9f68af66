#include "plant/tsdb_watermark.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace qor::plant {
namespace {

constexpr const char* kMagic = "QORTSDB 1";

std::string Hex(const data::RecordingId& id)
{
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (std::uint8_t b : id) {
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

// Names as a line of the file holds them: no TAB or line break can split the line.
std::string Clean(std::string s)
{
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    return s;
}

struct Mark {
    std::size_t acknowledged = 0;
    std::string url, station;
};

// The file's marks of the recording it names; `exists` false for a missing file.
bool Load(const std::string& path, std::string& recording, std::vector<Mark>& marks, bool& exists,
          std::string& error)
{
    std::ifstream in(path, std::ios::binary);
    exists = static_cast<bool>(in);
    if (!exists) {
        if (errno == ENOENT)
            return true;
        error = path + ": " + std::strerror(errno);
        return false;
    }
    std::string line;
    if (!std::getline(in, line) || line != kMagic || !std::getline(in, recording) || recording.size() != 32) {
        error = path + " is no watermark file of a time-series database";
        return false;
    }
    while (std::getline(in, line)) {
        if (line.empty())
            continue;
        const auto t1 = line.find('\t');
        const auto t2 = t1 == std::string::npos ? t1 : line.find('\t', t1 + 1);
        Mark m;
        char* end = nullptr;
        const unsigned long long n = std::strtoull(line.c_str(), &end, 10);
        if (t2 == std::string::npos || end != line.c_str() + t1 || t1 == 0) {
            error = path + " holds a damaged line: " + line;
            return false;
        }
        m.acknowledged = static_cast<std::size_t>(n);
        m.url = line.substr(t1 + 1, t2 - t1 - 1);
        m.station = line.substr(t2 + 1);
        marks.push_back(m);
    }
    return true;
}

}  // namespace

bool TsdbWatermark::Read(const std::string& path, const data::RecordingId& id, const std::string& url,
                         const std::string& station, std::size_t& acknowledged, std::string& error)
{
    acknowledged = 0;
    std::string recording;
    std::vector<Mark> marks;
    bool exists = false;
    if (!Load(path, recording, marks, exists, error))
        return false;
    if (!exists || recording != Hex(id))
        return true;
    for (const Mark& m : marks)
        if (m.url == Clean(url) && m.station == Clean(station))
            acknowledged = m.acknowledged;
    return true;
}

bool TsdbWatermark::Write(const std::string& path, const data::RecordingId& id, const std::string& url,
                          const std::string& station, std::size_t acknowledged, std::string& error)
{
    std::string recording;
    std::vector<Mark> marks;
    bool exists = false;
    // A damaged or foreign file is replaced: it holds nothing this recording could use.
    if (!Load(path, recording, marks, exists, error) || recording != Hex(id))
        marks.clear();
    error.clear();
    bool found = false;
    for (Mark& m : marks)
        if (m.url == Clean(url) && m.station == Clean(station)) {
            m.acknowledged = acknowledged;
            found = true;
        }
    if (!found)
        marks.push_back({acknowledged, Clean(url), Clean(station)});
    std::ostringstream text;
    text << kMagic << '\n' << Hex(id) << '\n';
    for (const Mark& m : marks)
        text << m.acknowledged << '\t' << m.url << '\t' << m.station << '\n';
    const std::string bytes = text.str();
    const std::string temp = path + ".new";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = temp + ": " + std::strerror(errno);
        return false;
    }
    const bool written = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    const int writeError = errno;
    // The new marks reach the device before they replace the old ones: a power cut leaves
    // the one or the other, never an empty file.
    const bool synced = written && ::fsync(fd) == 0;
    ::close(fd);
    if (!synced || std::rename(temp.c_str(), path.c_str()) != 0) {
        error = path + ": " + std::strerror(written ? errno : writeError);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

}  // namespace qor::plant
