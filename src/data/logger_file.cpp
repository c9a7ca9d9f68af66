#include "data/logger_file.h"

#include "common/text.h"
#include "data/graph_prop_object.h"
#include "data/local_time.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace qor::data {

namespace {

// Next line end (the LF of an LF CR pair) at or after `from`; npos when there is none.
std::size_t LineEnd(std::string_view bytes, std::size_t from)
{
    for (;;) {
        const std::size_t lf = bytes.find('\n', from);
        if (lf == std::string_view::npos || lf + 1 >= bytes.size())
            return std::string_view::npos;
        if (bytes[lf + 1] == '\r')
            return lf;
        from = lf + 1;
    }
}

// The line starting at `pos`; moves `pos` past its LF CR.
std::string_view NextLine(std::string_view bytes, std::size_t& pos)
{
    const std::size_t end = LineEnd(bytes, pos);
    const std::string_view line =
        bytes.substr(pos, end == std::string_view::npos ? bytes.size() - pos : end - pos);
    pos = end == std::string_view::npos ? bytes.size() : end + 2;
    return line;
}

bool SampleLine(std::string_view line)
{
    return line.size() >= LoggerFile::kFieldWidth && line.size() % LoggerFile::kFieldWidth == 0;
}

int Pair(std::string_view s, std::size_t at)
{
    const char a = s[at], b = s[at + 1];
    if (a < '0' || a > '9' || b < '0' || b > '9')
        return -1;
    return (a - '0') * 10 + (b - '0');
}

// The six value characters: a decimal number with blanks around it, else NaN.
double FieldValue(std::string_view v)
{
    while (!v.empty() && v.front() == ' ')
        v.remove_prefix(1);
    while (!v.empty() && v.back() == ' ')
        v.remove_suffix(1);
    if (!v.empty() && v.front() == '+')
        v.remove_prefix(1);
    double out = 0.0;
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), out, std::chars_format::fixed);
    if (v.empty() || ec != std::errc() || end != v.data() + v.size())
        return std::numeric_limits<double>::quiet_NaN();
    return out;
}

// Local times of whole hours, kept: the samples of a logger come minute by minute, and the
// zone conversion is the slow part of a line.
class HourCache {
public:
    std::int64_t At(int year, int month, int day, int hour, int minute)
    {
        const int key = ((year * 16 + month) * 32 + day) * 32 + hour;
        if (key != m_key) {
            m_key = key;
            m_hour = FromLocal(year, month, day, hour, 0, 0);
        }
        return m_hour + minute * 60;
    }

private:
    int m_key = -1;
    std::int64_t m_hour = 0;
};

bool StampTime(std::string_view stamp, std::int64_t& time, HourCache& cache)
{
    int day = -1, month = -1, year = -1, hour = -1, minute = -1;
    if (stamp.size() >= 10) {
        day = Pair(stamp, 0);
        month = Pair(stamp, 2);
        year = Pair(stamp, 4);
        hour = Pair(stamp, 6);
        minute = Pair(stamp, 8);
    }
    if (day >= 1 && day <= 31 && month >= 1 && month <= 12 && year >= 0 && hour >= 0 && hour < 24 &&
        minute >= 0 && minute < 60) {
        time = cache.At(2000 + year, month, day, hour, minute);
        return true;
    }
    time = cache.At(2000, 1, 1, 0, 0);
    return false;
}

}  // namespace

bool LoggerTime(std::string_view stamp, std::int64_t& time)
{
    HourCache cache;
    return StampTime(stamp, time, cache);
}

bool LoggerFile::HoldsSamples(std::string_view bytes)
{
    HourCache cache;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::string_view line = NextLine(bytes, pos);
        std::int64_t time = 0;
        if (SampleLine(line) && StampTime(line, time, cache))
            return true;
    }
    return false;
}

LoggerFile LoggerFile::Parse(std::string_view bytes, const Progress& progress)
{
    LoggerFile f;
    f.m_samples.reserve(bytes.size() / 40 + 1);
    f.m_fields.reserve(bytes.size() / kFieldWidth);
    HourCache cache;
    constexpr std::size_t kProgressStep = 64 * 1024;
    std::size_t nextReport = kProgressStep;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::string_view line = NextLine(bytes, pos);
        if (progress && pos >= nextReport) {
            progress(pos, bytes.size());
            nextReport = pos + kProgressStep;
        }
        if (!SampleLine(line))
            continue;
        LoggerSample s;
        StampTime(line, s.time, cache);
        s.first = static_cast<std::uint32_t>(f.m_fields.size());
        s.count = static_cast<std::uint32_t>(line.size() / kFieldWidth - 1);
        for (std::uint32_t k = 0; k < s.count; ++k) {
            const std::string_view field = line.substr((k + 1) * kFieldWidth, kFieldWidth);
            LoggerField v;
            std::copy_n(field.begin(), 4, v.tag.begin());
            v.value = FieldValue(field.substr(4));
            if (k >= f.m_columnTags.size())
                f.m_columnTags.push_back(v.tag);
            f.m_fields.push_back(v);
        }
        f.m_samples.push_back(s);
    }
    if (progress)
        progress(bytes.size(), bytes.size());
    return f;
}

bool LoggerFile::ReadBytes(const std::string& path, std::string& bytes, std::string* error)
{
    bytes.clear();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        if (error)
            *error = std::strerror(errno);
        return false;
    }
    char buffer[1 << 16];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.append(buffer, n);
    const bool ok = !std::ferror(f);
    if (!ok && error)
        *error = std::strerror(errno);
    std::fclose(f);
    return ok;
}

bool IsLoggerFile(const std::string& path)
{
    if (path.size() < 4)
        return false;
    std::string ext = path.substr(path.size() - 4);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == ".tx3";
}

std::string LoggerColumnName(int column, const std::array<char, 4>& tag, int lang)
{
    return Format("%s %i [%c%c%c%c]", lang == 1 ? "Channel" : "Kanal", column, tag[0], tag[1], tag[2],
                  tag[3]);
}

graph::Rgb LoggerColumnColour(int column)
{
    static const std::vector<graph::Rgb> colours = [] {
        std::vector<graph::Rgb> c = {
            graph::MakeRgb(255, 0, 0),   graph::MakeRgb(0, 255, 0),   graph::MakeRgb(0, 0, 255),
            graph::MakeRgb(255, 255, 0), graph::MakeRgb(0, 255, 255), graph::MakeRgb(0, 0, 0),
            graph::MakeRgb(0, 0, 128),   graph::MakeRgb(0, 128, 0),   graph::MakeRgb(128, 0, 0),
            graph::MakeRgb(0, 128, 128), graph::MakeRgb(128, 0, 128), graph::MakeRgb(128, 128, 128),
            graph::MakeRgb(255, 0, 128), graph::MakeRgb(0, 255, 128), graph::MakeRgb(128, 255, 0),
            graph::MakeRgb(0, 128, 255),
        };
        // Beyond the logger's own 16: the document's curve colours not used yet.
        for (std::uint32_t bgr : CGraphPropObject::kDefaultColours) {
            const graph::Rgb rgb =
                graph::MakeRgb(static_cast<int>(bgr & 0xff), static_cast<int>((bgr >> 8) & 0xff),
                               static_cast<int>((bgr >> 16) & 0xff));
            if (std::find(c.begin(), c.end(), rgb) == c.end())
                c.push_back(rgb);
        }
        return c;
    }();
    if (column < 0)
        column = 0;
    return colours[static_cast<std::size_t>(column) % colours.size()];
}

std::string LoggerExportText(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    // The first line is a sample only when the logger had not wrapped yet; otherwise it is
    // what is left of a line the ring overwrote in part.
    const std::size_t firstEnd = LineEnd(bytes, 0);
    const std::string_view first =
        bytes.substr(0, firstEnd == std::string_view::npos ? bytes.size() : firstEnd);
    std::int64_t time = 0;
    if (!SampleLine(first) || !LoggerTime(first, time))
        bytes.remove_prefix(firstEnd == std::string_view::npos ? bytes.size() : firstEnd + 2);

    int column = 0;
    for (const char c : bytes) {
        ++column;
        if (c == '\n') {
            out.push_back('\r');
        } else if (c == '\r') {
            out.push_back('\n');
            column = 0;
        } else {
            out.push_back(c == '.' ? ',' : c);
        }
        switch (column) {
        case 0:
            break;
        case 2:
        case 4:
            out.push_back('.');
            break;
        case 6:
        case 10:
            out.push_back('\t');
            break;
        case 8:
            out.push_back(':');
            break;
        default:
            if (column > 10 && (column % 10 == 0 || (column - 4) % 10 == 0))
                out.push_back('\t');
            break;
        }
    }
    return out;
}

bool WriteLoggerExport(const std::string& path, std::string_view bytes, std::string* error)
{
    const std::string text = LoggerExportText(bytes);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        if (error)
            *error = std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    int saved = errno;
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        std::remove(path.c_str());
        if (error)
            *error = std::strerror(saved);
    }
    return ok;
}

}  // namespace qor::data
